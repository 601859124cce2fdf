#include "scene/normal_merge_index.h"

#include <functional>
#include <new>

std::size_t NormalMergeIndex::KeyHash::operator()(const Key& key) const {
    auto address = reinterpret_cast<std::uintptr_t>(key.vertex);
    return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(address) ^
                                      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(key.materialNumber)) *
                                       0x9E3779B97F4A7C15ull));
}

int NormalMergeIndex::Find(const Vertex& vertex, std::uint32_t smoothing, int materialNumber) const {
    if (vertex.normalCount <= kDirectSearchEntries) {
        for (int i = 0; i < vertex.normalCount; ++i) {
            const VertexNormal& entry = vertex.normals[i];
            if ((entry.smoothing & smoothing) != 0 && entry.materialNumber == materialNumber) return i;
        }
        return -1;
    }
    auto found = entries_.find(Key{&vertex, materialNumber});
    if (found == entries_.end()) return -1;
    for (int i : found->second) {
        if ((vertex.normals[i].smoothing & smoothing) != 0) return i;
    }
    return -1;
}

bool NormalMergeIndex::Added(const Vertex& vertex) {
    const int count = vertex.normalCount;
    if (count <= kDirectSearchEntries) return true;
    try {
        // The list just outgrew the direct search: index all of it.
        const int first = count == kDirectSearchEntries + 1 ? 0 : count - 1;
        for (int i = first; i < count; ++i) {
            entries_[Key{&vertex, vertex.normals[i].materialNumber}].push_back(i);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
