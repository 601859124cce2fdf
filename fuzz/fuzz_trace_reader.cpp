// Device traces of any content: the reader either accepts the bytes, and
// then every record it indexed lies inside them with the size its
// operation needs, or refuses them with a message; never a crash, a
// sanitizer report or a hang.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "trace_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    glide_trace::TraceFile trace;
    std::string error;
    if (!glide_trace::ParseTrace(std::vector<std::uint8_t>(data, data + size), &trace, &error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    if (trace.firstFrameRecord > trace.records.size()) std::abort();
    // Read every payload back, as the replay does, through the checked copy.
    std::uint8_t buffer[256];
    for (const glide_trace::Record& record : trace.records) {
        if (glide_trace::OpName(record.op) == nullptr) std::abort();
        const int fixed = glide_trace::FixedPayloadBytes(record.op);
        if (fixed >= 0 && record.bytes != static_cast<std::uint32_t>(fixed)) std::abort();
        if (static_cast<std::uint64_t>(record.offset) + record.bytes > trace.bytes.size()) std::abort();
        const std::size_t n = record.bytes < sizeof(buffer) ? record.bytes : sizeof(buffer);
        glide_trace::CopyPayload(trace, record, 0, buffer, n);
        if (record.bytes > n) glide_trace::CopyPayload(trace, record, record.bytes - n, buffer, n);
    }
    return 0;
}
