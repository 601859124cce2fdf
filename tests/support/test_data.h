// Fixture files kept in tests/data. A test that cannot find its fixture
// fails with the full path it looked for, not with a bare "Actual: false".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace test_support {

// The path of tests/data/<relative>; records a test failure naming the path
// when the file is missing.
inline std::string TestDataPath(const std::string& relative) {
    const std::string path = std::string(TARNVIEW_SOURCE_DIR) + "/tests/data/" + relative;
    if (!std::filesystem::is_regular_file(path)) {
        ADD_FAILURE() << "test fixture not found: " << path;
    }
    return path;
}

}  // namespace test_support
