// The lookup behind the vertex-normal merge. A face's normal joins the first
// entry of its vertex's list that has the face's material number and shares
// a smoothing bit; searching the whole list for it makes a vertex that many
// faces of different materials share cost time quadratic in their number.
//
// Short lists are searched directly. Once a list grows past
// kDirectSearchEntries, its entries are indexed by material number: the
// search then visits only the entries of that number, in list order. There
// are at most 32 of those, because an entry is only created for smoothing
// bits that no entry of its number holds yet. One index serves one list at
// a time: the merge runs vertex after vertex and clears it in between.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "scene/records.h"

class NormalMergeIndex {
public:
    static constexpr int kDirectSearchEntries = 8;

    // Index of the first of the list's count entries with materialNumber
    // whose smoothing shares a bit with smoothing; -1 when there is none.
    int Find(const VertexNormal* list, int count, std::uint32_t smoothing, int materialNumber) const;

    // Records that the list just got its last entry (count entries now).
    // False when memory for the index cannot be had.
    bool Added(const VertexNormal* list, int count);

    // Forgets the list, for the next one.
    void Clear() {
        if (!entries_.empty()) entries_.clear();
    }

private:
    std::unordered_map<int, std::vector<int>> entries_;
};
