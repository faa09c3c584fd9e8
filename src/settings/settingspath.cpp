#include "settings/settingspath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qm {

QString chooseSettingsFolder(const QString &envFolder, const QString &executableFolder,
                             const QString &userConfigFolder)
{
    if (!envFolder.isEmpty())
        return QDir::cleanPath(envFolder);
    if (!executableFolder.isEmpty()) {
        const QFileInfo portable(
            QDir(executableFolder).filePath(QString::fromUtf16(kSettingsFileName)));
        if (portable.isFile() && portable.isWritable())
            return QDir::cleanPath(executableFolder);
    }
    return QDir::cleanPath(userConfigFolder);
}

QString settingsFolder()
{
    const QString env = qEnvironmentVariable("QUILLMARK_CONFIG_DIR");
    const QString exe =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    // The generic location plus our own folder name does not depend on the
    // organisation name the application object happens to carry.
    const QString user =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("quillmark"));
    return chooseSettingsFolder(env, exe, user);
}

QString settingsFilePath()
{
    return QDir(settingsFolder()).filePath(QString::fromUtf16(kSettingsFileName));
}

} // namespace qm
