#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

class DropDownCommand;
class IniFile;

// The tool bars by the suffix of their names, in design order: tbrFile,
// aVisibleBarFile, the key "VisibleBarFile".
inline constexpr int kBarCount = 7;
QString barName(int index);

// A drop-down button's saved choice: "<name> Image" and "<name> Hint". A
// part that is not saved leaves the button's own, and so does an image of
// none of its commands; a choice without an image is not written.
struct DropDownChoice {
    std::optional<int> image;
    std::optional<QString> hint;

    static DropDownChoice of(const DropDownCommand &button);
    // False when the saved image is of none of the button's commands.
    bool applyTo(DropDownCommand &button) const;
    void read(const IniFile &ini, const QString &section, const QString &name);
    void write(IniFile &ini, const QString &section, const QString &name) const;
};

// [Main]: the window's place and state, the tool bars and the buttons of
// the main bar.
struct MainSettings {
    int windowState = 0; // 0 normal, 1 minimised, 2 maximised
    bool placed = false; // a position or size is saved
    int left = 100;
    int top = 100;
    int width = 484;
    int height = 349;
    bool stayOnTop = true;
    std::array<bool, kBarCount> visibleBars{true, true, true, true, true, true, true};
    std::array<int, kBarCount> barOrder{0, 1, 2, 3, 4, 5, 6};
    std::array<int, kBarCount> barWidths{}; // written only
    DropDownChoice winamp;
    // A saved write-tag choice is the user's; without one the button follows
    // the tag view.
    bool writeTagChosen = false;
    DropDownChoice writeTag;
    DropDownChoice update;
    bool onlySelTag = false;

    void read(const IniFile &ini);
    void write(IniFile &ini) const;
};

// [Edit]: the buttons of the editing bar and whether files are moved or
// copied.
struct EditSettings {
    static constexpr int kButtonCount = 6;
    // The buttons' names in the keys ("Relace" as the settings spell it).
    static QString buttonName(int index);

    std::array<DropDownChoice, kButtonCount> buttons;
    bool moveFiles = true;

    void read(const IniFile &ini);
    void write(IniFile &ini) const;
};

// [Grid]: the views, the columns' order and widths, and the numbering.
struct GridSettings {
    int tag = 2; // 0 none, 1 ID3v1, 2 ID3v2
    bool fileInfo = true;
    QString colIndex;
    QString colWidths;
    bool widthsSaved = false;
    bool numbers01 = false; // "Nombers"
    bool separateNumbering = false;

    void read(const IniFile &ini);
    void write(IniFile &ini) const;
};

} // namespace qm
