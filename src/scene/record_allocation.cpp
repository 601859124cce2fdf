#include "scene/record_allocation.h"

RecordBlockWatcher gRecordBlockWatcher = nullptr;
long long gUncheckedArrayBytes = 64ll << 20;

void CheckRecordCount(const TextReader& reader, const char* what, long long count, std::size_t recordBytes,
                      int minLineBytes) {
    if (count < 0) reader.Fail("Negative count", std::string(what) + ": " + std::to_string(count));
    long long fileSize = reader.FileSize();
    if (RecordCountAllowed(count, recordBytes, minLineBytes, fileSize)) return;
    reader.Fail("Count too large", std::string(what) + ": " + std::to_string(count) + " cannot fit in a file of " +
                                       std::to_string(fileSize) + " bytes");
}

bool RecordCountAllowed(long long count, std::size_t recordBytes, int minLineBytes, long long fileSize) {
    if (count < 0) return false;
    long long bytes = count * static_cast<long long>(recordBytes);
    if (bytes <= gUncheckedArrayBytes) return true;
    return fileSize > 0 && count <= fileSize / minLineBytes;
}
