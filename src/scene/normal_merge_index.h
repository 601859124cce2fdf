// The lookup behind the vertex-normal merge. A face's normal joins the first
// entry of its vertex's list that has the face's material number and shares
// a smoothing bit; searching the whole list for it makes a vertex that many
// faces of different materials share cost time quadratic in their number.
//
// Short lists are searched directly. Once a vertex's list grows past
// kDirectSearchEntries, its entries are indexed by material number: the
// search then visits only the entries of that number, in list order. There
// are at most 32 of those, because an entry is only created for smoothing
// bits that no entry of its number holds yet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "scene/records.h"

class NormalMergeIndex {
public:
    static constexpr int kDirectSearchEntries = 8;

    // Index of the first entry of the vertex's list with materialNumber
    // whose smoothing shares a bit with smoothing; -1 when there is none.
    int Find(const Vertex& vertex, std::uint32_t smoothing, int materialNumber) const;

    // Records that the vertex's list just got its last entry. Every entry of
    // a vertex must be added through the same index. False when memory for
    // the index cannot be had.
    bool Added(const Vertex& vertex);

private:
    struct Key {
        const Vertex* vertex;
        int materialNumber;
        bool operator==(const Key& other) const {
            return vertex == other.vertex && materialNumber == other.materialNumber;
        }
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    std::unordered_map<Key, std::vector<int>, KeyHash> entries_;
};
