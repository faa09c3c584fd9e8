#pragma once

#include "options/options.h"

#include <QString>

#include <vector>

namespace qm {

class IniFile;

inline constexpr char16_t kOptionsSection[] = u"Options";

// Reads section Options into `options`, in the order that keeps the rules of
// the lists: FormatRead; the information lists; the scan table; Lyrics3
// reading (which decides how many ID3v1 items there are); the tag lists.
// A missing key leaves its part as it is; malformed entries fall back
// entry by entry, never failing the whole section. A Codepage that names
// no usable code page keeps the current one.
void readOptionsSection(const IniFile &ini, Options &options);
// Writes every key of section Options; other keys of the section stay.
void writeOptionsSection(IniFile &ini, const Options &options);

// A stored flag list «1,1,0,»: one entry per item, each followed by ",".
// An entry that is not a boolean counts as ticked.
std::vector<bool> parseFlagList(const QString &text);
QString formatFlagList(const std::vector<bool> &flags);

} // namespace qm
