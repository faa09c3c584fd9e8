#pragma once

// The state of the editing commands for a selection of the table.

#include "table/rowtable.h"
#include "table/selection.h"

#include <QString>

#include <array>

namespace qm {

// What the window shows for a selection, apart from the editor text.
struct SelectionState {
    // Paste-from-column commands by field: off for the selected columns.
    std::array<bool, kColumnCount> pasteFromColumn{};
    // The name button stands for both name commands.
    bool pasteNameEnabled = true;
    // A single selected column Gen: the editor box offers the genre list.
    bool genreList = false;
    // Separate numbering with Dir selected: the folder must not change, so
    // the editor box only picks, and pasting, replacing and (unless whole
    // rows are selected) cutting and deleting are off.
    bool folderLocked = false;
    bool copyEnabled = false;
    bool cutEnabled = false;
    bool deleteEnabled = true;
    bool pasteEnabled = false;  // aPaste, aPasteIn and the box's paste
    bool replaceEnabled = true; // replace, restore
    QString status;             // for the status line; empty for none
};

// The message while the folder column may not change.
QString folderLockedMessage();

// RefreshSelectionState and UpdateEditActions without the widgets.
SelectionState selectionState(const RowTable &table, const CellRect &selection,
                              bool separateNumbering, bool clipboardHasText);

} // namespace qm
