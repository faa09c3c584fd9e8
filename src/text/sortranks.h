#pragma once

#include <QCollator>

#include <cstdint>
#include <string>
#include <vector>

#include "table/cell.h"

namespace qm {

// The distinct texts of the cells of one sort key, each an index from 0 in
// the order first seen. Equal texts are found by their UTF-8 bytes, so no
// cell is decoded; cells that share their text (the rows of one folder)
// are known by their handle alone.
class DistinctTexts {
public:
    // A look-up begun some cells ahead of its indexOf: the index when the
    // handle was known, otherwise the text's hash, whose slot is fetched
    // meanwhile.
    static constexpr int kHashed = -1;
    static constexpr int kNotBegun = -2;
    struct Ahead {
        int index = kNotBegun;
        std::uint32_t hash = 0; // when index is kHashed
    };

    DistinctTexts();
    // Cells already known answer here, without a call.
    Ahead lookAhead(const Cell &cell) const
    {
        const Seen &seen = seen_[seenSlot(cell.handle())];
        if (seen.index >= 0 && seen.handle == cell.handle())
            return {seen.index, 0};
        return hashAhead(cell);
    }
    // `ahead` is lookAhead's answer for the same cell.
    int indexOf(const Cell &cell, Ahead ahead)
    {
        return ahead.index >= 0 ? ahead.index : find(cell, ahead);
    }
    int count() const { return int(cells_.size()); }
    // One cell of each text, by index.
    const std::vector<Cell> &cells() const { return cells_; }

private:
    // How many recent handles are remembered (a power of two).
    static constexpr int kSeenBits = 10;
    // Multiplied, so that short texts held in place (whose handles differ
    // only in a byte or two: the tracks «01» to «20») spread as well as
    // block addresses.
    static size_t seenSlot(std::uintptr_t handle)
    {
        return size_t(std::uint64_t(handle) * 0x9E3779B97F4A7C15ull >> (64 - kSeenBits));
    }
    Ahead hashAhead(const Cell &cell) const;
    int find(const Cell &cell, Ahead ahead);
    void grow();

    std::vector<Cell> cells_;
    // Each text's bytes once more, one after another, each behind its size
    // (doubled, plus one for UTF-16) in four bytes: comparing a cell with the
    // texts seen reads this instead of their cells' blocks, scattered over
    // the heap.
    std::string bytes_;
    // Open addressing by hash; a slot holds the hash's low half and where
    // its text's bytes are beside the index (-1 free), so a probe reads one
    // place and a match one more.
    struct Slot {
        std::uint32_t hash = 0;
        int index = -1;
        size_t offset = 0;
    };
    std::vector<Slot> slots_;
    // The last cells looked up, by handle.
    struct Seen {
        std::uintptr_t handle = 0;
        int index = -1;
    };
    std::vector<Seen> seen_;
};

// The place of each distinct text in the sort's order, by index: texts
// ordered alike share a place and the places run from 0 without gaps.
// Numbers (isNumericSortKey) by their value, the cells without one first;
// other texts as `collator` orders them.
std::vector<int> numberRanks(const std::vector<Cell> &texts);
std::vector<int> textRanks(const std::vector<Cell> &texts, const QCollator &collator);

} // namespace qm
