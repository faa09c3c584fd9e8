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
    DistinctTexts();
    int indexOf(const Cell &cell);
    int count() const { return int(cells_.size()); }
    // One cell of each text, by index.
    const std::vector<Cell> &cells() const { return cells_; }

private:
    void grow();

    std::vector<Cell> cells_;
    // Each text's bytes once more, one after another: comparing a cell with
    // the texts seen reads this instead of their cells' blocks, scattered
    // over the heap.
    std::string bytes_;
    struct Text {
        size_t offset;
        size_t size;
        bool utf16;
    };
    std::vector<Text> texts_;
    // Open addressing by hash; a slot holds the hash's low half beside the
    // index (-1 free), so a probe reads one place.
    struct Slot {
        std::uint32_t hash = 0;
        int index = -1;
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
