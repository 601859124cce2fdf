#include "scene/normal_merge_index.h"

#include <new>

int NormalMergeIndex::Find(const VertexNormal* list, int count, std::uint32_t smoothing, int materialNumber) const {
    if (count <= kDirectSearchEntries) {
        for (int i = 0; i < count; ++i) {
            if ((list[i].smoothing & smoothing) != 0 && list[i].materialNumber == materialNumber) return i;
        }
        return -1;
    }
    auto found = entries_.find(materialNumber);
    if (found == entries_.end()) return -1;
    for (int i : found->second) {
        if ((list[i].smoothing & smoothing) != 0) return i;
    }
    return -1;
}

bool NormalMergeIndex::Added(const VertexNormal* list, int count) {
    if (count <= kDirectSearchEntries) return true;
    try {
        // The list just outgrew the direct search: index all of it.
        const int first = count == kDirectSearchEntries + 1 ? 0 : count - 1;
        for (int i = first; i < count; ++i) entries_[list[i].materialNumber].push_back(i);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
