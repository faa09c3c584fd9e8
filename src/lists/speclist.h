#pragma once

#include "table/rowtable.h"

#include <QStringList>

namespace qm {

// The special list: one line per file row built from a template of
// metasymbols ("%NS.%TT"), and under separate numbering a title line per
// folder from a second template ("#%AL %YE").
struct SpecListTemplates {
    QString row = QStringLiteral("%NS.%TT");
    QString title = QStringLiteral("#%AL %YE");
    // The "Заголовок для папки" tick.
    bool titles = true;
};

// How the table is numbered when the list is written.
struct SpecListNumbering {
    bool separate = false;    // per folder: the rows numbered 1 start a folder
    bool leadingZero = false; // "%NF" below 10 gets a "0" in front
};

// The two codes beside the 25 column codes.
inline const QString kFolderNumberCode = QStringLiteral("%NF");
inline const QString kFolderNameCode = QStringLiteral("%FN");

// Expands `tmpl` for `row`: "%" and two letters (without regard to case)
// name a column, "%NF" the folder number `folderNumber`, "%FN" the last part
// of Dir; any other "%" is copied as it is.
QString ExpandSpecTemplate(const RowTable &table, int row, QStringView tmpl, int folderNumber,
                           bool leadingZero);

// The lines of the special list; empty when the table holds no file row.
// Title lines are written only when `templates.titles` and separate
// numbering are both on, each just before its folder's first row.
QStringList SpecListLines(const RowTable &table, const SpecListTemplates &templates,
                          SpecListNumbering numbering);

} // namespace qm
