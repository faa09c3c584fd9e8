#pragma once

#include "options/fieldlists.h"
#include "options/scanfields.h"

#include <QStringList>

#include <optional>

namespace qm {

// The three column views whose fields the options choose.
enum class FieldView { FileInfo, Id3v1, Id3v2 };

// The tag view that is on, by the numbers the settings store.
enum class TagView : int { None = 0, Id3v1 = 1, Id3v2 = 2 };

// The column of each row of the tag field table (kTagFields of
// formats/tagfields.h), and the row of a column: -1 for a column that is no
// tag field.
FieldNumber tagFieldColumn(int row);
int tagFieldRow(FieldNumber f);

// An item of one view's lists.
struct FieldItem {
    FieldView view;
    int item;
    friend bool operator==(const FieldItem &, const FieldItem &) = default;
};

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

    FieldLists &lists(FieldView view) { return lists_[size_t(view)]; }
    const FieldLists &lists(FieldView view) const { return lists_[size_t(view)]; }

    // Only ".mp3" files get their tags and information read.
    bool formatRead() const { return formatRead_; }
    void setFormatRead(bool on) { formatRead_ = on; }

    // Switching Lyrics3 reading off drops its six items from both ID3v1
    // lists; switching it on appends them, ticked in both.
    bool readLyrics2() const { return readLyrics2_; }
    void setReadLyrics2(bool on);

    // The list item that follows the column's show/hide command while the
    // views are as given: the information lists for Siz, Dur, Inf while that
    // view is on, the lists of the tag view that is on for a tag field that
    // has an item there; none for the basic columns or a view that is off.
    std::optional<FieldItem> governingItem(FieldNumber f, bool fileInfoView, TagView tagView) const;

    // Whether the column is in use and read, so that its show/hide, sort and
    // paste commands are offered: the basic columns always; file
    // information and tag fields while their view is on and the field's read
    // item is ticked. No has no such commands.
    bool isOffered(FieldNumber f, bool fileInfoView, TagView tagView) const;

    // The order and marks of the fields the cell editor's analysis looks for.
    ScanFields &scanFields() { return scanFields_; }
    const ScanFields &scanFields() const { return scanFields_; }

    // The legacy code page of 8-bit tag texts. Choosing one makes the tag
    // readers and writers use it at once; an unknown name (or one that is
    // not a single-byte code page) is refused and nothing changes.
    static constexpr char16_t kDefaultCodepage[] = u"windows-1251";
    QString codepage() const { return codepage_; }
    bool setCodepage(const QString &name);
    // The code pages the options dialog offers, the default first.
    static QStringList codepageChoices();

    // The version an ID3v2 write gives the tag ("Версия ID3v2 при записи"):
    // 3 or 4, or 0 for the one the file has (a 2.4 tag stays 2.4, any other
    // becomes 2.3). Other numbers are refused.
    int id3v2WriteVersion() const { return id3v2WriteVersion_; }
    bool setId3v2WriteVersion(int version)
    {
        if (version != 0 && version != 3 && version != 4)
            return false;
        id3v2WriteVersion_ = version;
        return true;
    }
    // Renaming: an album's other files (by these patterns, ";" between
    // them) follow its audio files into their one new folder; a move into
    // other folders shows its plan first.
    static constexpr char16_t kDefaultCompanionPatterns[] =
        u"*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.webp;*.cue;*.log;*.txt;*.nfo;*.m3u;*.m3u8;"
        u"*.sfv;*.md5;*.accurip";
    bool moveCompanions() const { return moveCompanions_; }
    void setMoveCompanions(bool on) { moveCompanions_ = on; }
    QString companionPatterns() const { return companionPatterns_; }
    void setCompanionPatterns(const QString &patterns) { companionPatterns_ = patterns.trimmed(); }
    bool showMovePlan() const { return showMovePlan_; }
    void setShowMovePlan(bool on) { showMovePlan_ = on; }

    friend bool operator==(const Options &, const Options &) = default;

private:
    std::array<FieldLists, 3> lists_;
    bool formatRead_ = true;
    bool readLyrics2_ = true;
    ScanFields scanFields_;
    QString codepage_ = QString::fromUtf16(kDefaultCodepage);
    int id3v2WriteVersion_ = 3;
    bool moveCompanions_ = true;
    QString companionPatterns_ = QString::fromUtf16(kDefaultCompanionPatterns);
    bool showMovePlan_ = true;
};

} // namespace qm
