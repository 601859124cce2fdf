#include "scene/record_allocation.h"

RecordBlockWatcher gRecordBlockWatcher = nullptr;
long long gUncheckedArrayBytes = 64ll << 20;

void CheckRecordCount(const TextReader& reader, const char* what, long long count, std::size_t recordBytes,
                      int minLineBytes) {
    if (count < 0) reader.Fail("Negative count", std::string(what) + ": " + std::to_string(count));
    long long bytes = count * static_cast<long long>(recordBytes);
    if (bytes <= gUncheckedArrayBytes) return;
    long long fileSize = reader.FileSize();
    if (fileSize > 0 && count <= fileSize / minLineBytes) return;
    reader.Fail("Count too large", std::string(what) + ": " + std::to_string(count) + " cannot fit in a file of " +
                                       std::to_string(fileSize) + " bytes");
}
