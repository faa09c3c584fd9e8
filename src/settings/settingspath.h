#pragma once

#include <QString>

namespace qm {

inline constexpr char16_t kSettingsFileName[] = u"TagQuill.ini";

// The folder the settings files live in: $QUILLMARK_CONFIG_DIR when set; the
// executable's folder when a writable TagQuill.ini is already there (a
// portable install); else the user's configuration folder
// ($XDG_CONFIG_HOME/quillmark). Needs a QCoreApplication for the executable's
// folder; without one the portable choice is skipped.
QString settingsFolder();
QString settingsFilePath();

// The decision itself, given the three candidates (any may be empty).
QString chooseSettingsFolder(const QString &envFolder, const QString &executableFolder,
                             const QString &userConfigFolder);

} // namespace qm
