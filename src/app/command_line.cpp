#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "glide_device.h"
#include "platform/headless/script.h"
#include "support/build_info.h"
#include "support/output_file.h"

bool ParseWholeNumber(const char* text, std::uint64_t low, std::uint64_t high, std::uint64_t* value) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

bool ParseFrameRange(const std::string& text, std::uint32_t* first, std::uint32_t* last) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::uint64_t from = 0, to = 0;
    if (!ParseWholeNumber(text.substr(0, colon).c_str(), 0, 0xFFFFFFFFu, &from) ||
        !ParseWholeNumber(text.substr(colon + 1).c_str(), 0, 0xFFFFFFFFu, &to) || from > to)
        return false;
    *first = static_cast<std::uint32_t>(from);
    *last = static_cast<std::uint32_t>(to);
    return true;
}

bool ResolveThreadCount(int optionValue, int* threads, std::string* error) {
    if (optionValue >= 0) {
        *threads = optionValue;
        return true;
    }
    const int fromEnvironment = glide::ThreadCountFromEnvironment();
    if (fromEnvironment < 0) {
        *error = "TARNVIEW_THREADS wants a whole number from 1 to " + std::to_string(kMaxThreads);
        return false;
    }
    *threads = fromEnvironment;
    return true;
}

bool CheckOutputPaths(const std::vector<std::string>& paths, std::string* error) {
    for (const std::string& path : paths)
        if (!tarn::CheckOutputPath(path, error)) return false;
    return true;
}

void AddScriptOutputs(const Script& script, std::vector<std::string>* paths) {
    for (const ScriptEvent& event : script.events)
        if (event.command == ScriptCommand::Screenshot || event.command == ScriptCommand::Dump)
            paths->push_back(event.path);
}

const char* ProgramName(const char* argv0, const char* fallback) {
    if (argv0 == nullptr) return fallback;
    const char* slash = std::strrchr(argv0, '/');
    const char* name = slash != nullptr ? slash + 1 : argv0;
    return *name != '\0' ? name : fallback;
}

int AnswerCommandLine(const char* program, OptionsResult result, const char* usage, const std::string& error) {
    switch (result) {
    case OptionsResult::Help: std::fputs(usage, stdout); return 0;
    case OptionsResult::Version: std::printf("%s\n", tarn::VersionLine(program).c_str()); return 0;
    case OptionsResult::UsageError:
        std::fprintf(stderr, "%s: %s\ntry %s --help\n", program, PrintableText(error).c_str(), program);
        return kExitUsageError;
    case OptionsResult::Run: break;
    }
    return -1;
}

int ReportFailure(const char* program, int status, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, PrintableText(message).c_str());
    return status;
}
