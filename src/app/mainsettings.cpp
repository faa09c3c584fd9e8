#include "app/mainsettings.h"

#include "app/dropdown.h"
#include "settings/inifile.h"

#include <algorithm>

namespace qm {
namespace {

const QString kMain = QStringLiteral("Main");
const QString kEdit = QStringLiteral("Edit");
const QString kGrid = QStringLiteral("Grid");

const char *const kBarNames[] = {"File",   "Edit",    "Nombers",    "Tag",
                                 "Update", "Replace", "CellsEditor"};
const char *const kPlacementKeys[] = {"Top", "Left", "Height", "Width"};
// The case commands' images are 110-113 here, replace and restore 115-116.
constexpr int kLegacyImageOffset = 90;
const char *const kEditButtons[] = {"Add", "Case", "Relace", "Name", "Tag", "FileInf"};

} // namespace

QString barName(int index) { return QString::fromLatin1(kBarNames[index]); }

DropDownChoice DropDownChoice::of(const DropDownCommand &button)
{
    return {button.image(), button.hint()};
}

bool DropDownChoice::applyTo(DropDownCommand &button) const
{
    int wanted = image.value_or(button.image());
    // Settings files written elsewhere number the case commands 20 to 23
    // and replace and restore 25 and 26: the same commands here.
    const QString name = button.objectName();
    if ((name == QLatin1String("Case") && wanted >= 20 && wanted <= 23)
        || (name == QLatin1String("Relace") && (wanted == 25 || wanted == 26)))
        wanted += kLegacyImageOffset;
    // An image of none of the button's commands (a file edited by hand, or
    // of another version) would leave a button that runs nothing when
    // clicked, under a hint in whatever language the file holds.
    if (!button.subCommandOf(wanted))
        return false;
    button.restore(wanted, hint.value_or(button.hint()));
    return true;
}

void DropDownChoice::read(const IniFile &ini, const QString &section, const QString &name)
{
    image = ini.readOptionalInteger(section, name + QStringLiteral(" Image"));
    const QString hintKey = name + QStringLiteral(" Hint");
    hint = ini.contains(section, hintKey) ? std::optional<QString>(ini.readString(section, hintKey))
                                          : std::nullopt;
}

void DropDownChoice::write(IniFile &ini, const QString &section, const QString &name) const
{
    if (!image)
        return;
    ini.writeInteger(section, name + QStringLiteral(" Image"), *image);
    ini.writeString(section, name + QStringLiteral(" Hint"), hint.value_or(QString()));
}

void MainSettings::read(const IniFile &ini)
{
    windowState = ini.readInteger(kMain, QStringLiteral("WindowState"), 0);
    placed =
        std::any_of(std::begin(kPlacementKeys), std::end(kPlacementKeys), [&ini](const char *key) {
            return ini.contains(kMain, QString::fromLatin1(key));
        });
    left = ini.readInteger(kMain, QStringLiteral("Left"), 100);
    top = ini.readInteger(kMain, QStringLiteral("Top"), 100);
    width = ini.readInteger(kMain, QStringLiteral("Width"), 484);
    height = ini.readInteger(kMain, QStringLiteral("Height"), 349);
    stayOnTop = ini.readBool(kMain, QStringLiteral("StayOnTop"), true);
    for (int i = 0; i < kBarCount; ++i) {
        visibleBars[size_t(i)] =
            ini.readBool(kMain, QStringLiteral("VisibleBar") + barName(i), true);
        barOrder[size_t(i)] = ini.readInteger(kMain, QStringLiteral("IndexBar") + barName(i), i);
    }
    winamp.read(ini, kMain, QStringLiteral("Winamp"));
    writeTagChosen = ini.contains(kMain, QStringLiteral("Write Tag Image"));
    writeTag.read(ini, kMain, QStringLiteral("Write Tag"));
    onlySelTag = ini.readBool(kMain, QStringLiteral("Only Sel Tag"), false);
    update.read(ini, kMain, QStringLiteral("Update"));
}

void MainSettings::write(IniFile &ini) const
{
    ini.writeInteger(kMain, QStringLiteral("WindowState"), windowState);
    if (windowState == 0) {
        ini.writeInteger(kMain, QStringLiteral("Top"), top);
        ini.writeInteger(kMain, QStringLiteral("Left"), left);
        ini.writeInteger(kMain, QStringLiteral("Height"), height);
        ini.writeInteger(kMain, QStringLiteral("Width"), width);
    }
    ini.writeBool(kMain, QStringLiteral("StayOnTop"), stayOnTop);
    for (int i = 0; i < kBarCount; ++i)
        ini.writeBool(kMain, QStringLiteral("VisibleBar") + barName(i), visibleBars[size_t(i)]);
    for (int i = 0; i < kBarCount; ++i)
        ini.writeInteger(kMain, QStringLiteral("IndexBar") + barName(i), barOrder[size_t(i)]);
    for (int i = 0; i < kBarCount; ++i)
        ini.writeInteger(kMain, QStringLiteral("WidthBar") + barName(i), barWidths[size_t(i)]);
    winamp.write(ini, kMain, QStringLiteral("Winamp"));
    // An unchosen write-tag button follows the view; saving it would make
    // that a choice.
    if (writeTagChosen)
        writeTag.write(ini, kMain, QStringLiteral("Write Tag"));
    update.write(ini, kMain, QStringLiteral("Update"));
    ini.writeBool(kMain, QStringLiteral("Only Sel Tag"), onlySelTag);
}

QString EditSettings::buttonName(int index) { return QString::fromLatin1(kEditButtons[index]); }

void EditSettings::read(const IniFile &ini)
{
    for (int i = 0; i < kButtonCount; ++i)
        buttons[size_t(i)].read(ini, kEdit, buttonName(i));
    moveFiles = ini.readBool(kEdit, QStringLiteral("Move Files"), true);
}

void EditSettings::write(IniFile &ini) const
{
    for (int i = 0; i < kButtonCount; ++i)
        buttons[size_t(i)].write(ini, kEdit, buttonName(i));
    ini.writeBool(kEdit, QStringLiteral("Move Files"), moveFiles);
}

void GridSettings::read(const IniFile &ini)
{
    fileInfo = ini.readBool(kGrid, QStringLiteral("FileInfo"), true);
    tag = ini.readInteger(kGrid, QStringLiteral("Tag"), 2);
    if (tag < 0 || tag > 2)
        tag = 2;
    colIndex = ini.readString(kGrid, QStringLiteral("ColIndex"));
    colWidths = ini.readString(kGrid, QStringLiteral("ColWidths"));
    widthsSaved = ini.contains(kGrid, QStringLiteral("ColWidths"));
    numbers01 = ini.readBool(kGrid, QStringLiteral("Nombers"), false);
    separateNumbering = ini.readBool(kGrid, QStringLiteral("Nombers Separate"), false);
}

void GridSettings::write(IniFile &ini) const
{
    ini.writeInteger(kGrid, QStringLiteral("Tag"), tag);
    ini.writeBool(kGrid, QStringLiteral("FileInfo"), fileInfo);
    ini.writeString(kGrid, QStringLiteral("ColIndex"), colIndex);
    ini.writeString(kGrid, QStringLiteral("ColWidths"), colWidths);
    ini.writeBool(kGrid, QStringLiteral("Nombers"), numbers01);
    ini.writeBool(kGrid, QStringLiteral("Nombers Separate"), separateNumbering);
}

} // namespace qm
