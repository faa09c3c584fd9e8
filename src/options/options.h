#pragma once

#include "options/fieldlists.h"

namespace qm {

// The three column views whose fields the options choose.
enum class FieldView { FileInfo, Id3v1, Id3v2 };

// The options as the views and the reading jobs consult them. The defaults
// are the state before any settings are read: every field read and shown,
// Lyrics3 blocks read, tags and information read for ".mp3" files only.
class Options {
public:
    Options();

    // The items of each view's lists in their order. The ID3v1 lists hold
    // the six Lyrics3 fields (Ope .. Slt) only while Lyrics3 reading is on.
    static QList<FieldNumber> items(FieldView view, bool withLyrics3 = true);
    static constexpr int kId3v1BasicItems = 7;

    FieldLists &lists(FieldView view) { return m_lists[size_t(view)]; }
    const FieldLists &lists(FieldView view) const { return m_lists[size_t(view)]; }

    // Only ".mp3" files get their tags and information read.
    bool formatRead() const { return m_formatRead; }
    void setFormatRead(bool on) { m_formatRead = on; }

    // Switching Lyrics3 reading off drops its six items from both ID3v1
    // lists; switching it on appends them, ticked in both.
    bool readLyrics2() const { return m_readLyrics2; }
    void setReadLyrics2(bool on);

private:
    std::array<FieldLists, 3> m_lists;
    bool m_formatRead = true;
    bool m_readLyrics2 = true;
};

} // namespace qm
