#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace qm {

// Comma text: a list on one line, items separated by commas. An item with
// a blank, a control character, a comma or a double quote is written in
// double quotes with its quotes doubled; a list of one empty item is "".
// The find histories and the alphabet file keep their lists this way.
QString toCommaText(const QStringList &items);

// Reads comma text: blanks (any character up to the space) before and
// after items are skipped; a quoted item ends at its closing quote (or the
// end), an unquoted one at a blank or a comma; a comma at the very end
// adds an empty item. Never fails: any text gives some list.
QStringList fromCommaText(QStringView text);

} // namespace qm
