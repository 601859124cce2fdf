// The headless runner's script parser on any bytes. A refused script must
// say so in printable text naming the file; an accepted one must hold
// events in frame order whose key codes have names that read back to them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/headless/script.h"
#include "platform/headless/script_names.h"

namespace {

bool Printable(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
    }
    return !text.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Script script;
    std::string error;
    if (!ParseScript(text, "fuzz.txt", &script, &error)) {
        if (!Printable(error) || error.rfind("fuzz.txt:", 0) != 0) std::abort();
        return 0;
    }
    std::uint32_t previous = 0;
    for (const ScriptEvent& event : script.events) {
        if (event.frame < previous || event.frame > 0x7FFFFFFFu) std::abort();
        previous = event.frame;
        if (event.command == ScriptCommand::Key) {
            const char* name = VirtualKeyName(event.code);
            if (name == nullptr || VirtualKeyFromName(name) != event.code) std::abort();
        } else if (event.command == ScriptCommand::Hold) {
            const char* name = ScanCodeName(event.code);
            if (name == nullptr || ScanCodeFromName(name) != event.code || event.count == 0) std::abort();
        } else if ((event.command == ScriptCommand::Screenshot || event.command == ScriptCommand::Dump) &&
                   event.path.empty()) {
            std::abort();
        }
    }
    if (script.hasEnd && script.endFrame > 0x7FFFFFFFu) std::abort();
    return 0;
}
