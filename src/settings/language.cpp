#include "settings/language.h"

#include "settings/inifile.h"
#include "settings/settingspath.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

#include <optional>

namespace qm {

namespace {

std::optional<UiLanguage> parseLanguage(QStringView value)
{
    const QStringView text = value.trimmed();
    if (text.startsWith(u"ru", Qt::CaseInsensitive))
        return UiLanguage::Russian;
    if (text.startsWith(u"en", Qt::CaseInsensitive))
        return UiLanguage::English;
    return std::nullopt;
}

bool installTranslator(QCoreApplication &app, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace

UiLanguage chooseLanguage(QStringView variable, QStringView setting, const QLocale &locale)
{
    if (const auto chosen = parseLanguage(variable))
        return *chosen;
    if (const auto chosen = parseLanguage(setting))
        return *chosen;
    return locale.language() == QLocale::Russian ? UiLanguage::Russian : UiLanguage::English;
}

UiLanguage programLanguage()
{
    IniFile settings;
    settings.load(settingsFilePath());
    return chooseLanguage(qEnvironmentVariable(kLanguageVariable),
                          settings.readString(kLanguageSection, kLanguageKey), QLocale::system());
}

bool installTranslations(QCoreApplication &app, UiLanguage language)
{
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == UiLanguage::Russian)
        return installTranslator(app, QStringLiteral("qtbase_ru"), qtFolder);
    // Qt's own texts are English already. The program's texts come in two
    // files: the libraries' (the command line needs only those) and the
    // window's, present only in the window program.
    bool loaded =
        installTranslator(app, QStringLiteral("quillmark_core_en"), QStringLiteral(":/i18n"));
    if (QFile::exists(QStringLiteral(":/i18n/quillmark_window_en.qm")))
        loaded =
            installTranslator(app, QStringLiteral("quillmark_window_en"), QStringLiteral(":/i18n"))
            && loaded;
    return loaded;
}

} // namespace qm
