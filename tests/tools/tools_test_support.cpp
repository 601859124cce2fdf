#include "tools_test_support.h"

#include "support/headless_device.h"

namespace tools_test {

void OpenDevice() { test_support::OpenHeadlessDevice(); }

}  // namespace tools_test
