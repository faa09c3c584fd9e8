#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace qm {

// The languages the program speaks. Russian is the language every text is
// written in; English comes from a compiled translation.
enum class UiLanguage { Russian, English };

// The variable and the setting that override the system's choice; values
// starting "ru" or "en" (any case) count, anything else is ignored.
inline constexpr char kLanguageVariable[] = "QUILLMARK_LANG";
inline constexpr char16_t kLanguageSection[] = u"Main";
inline constexpr char16_t kLanguageKey[] = u"Language";

// QUILLMARK_LANG first, then the setting, then the locale: Russian under a
// Russian locale, English under any other.
UiLanguage chooseLanguage(QStringView variable, QStringView setting, const QLocale &locale);

// The choice for this process, from its environment, the settings file and
// the system locale.
UiLanguage programLanguage();

// Installs the translators for the language: Qt's own texts and, for
// English, the program's. False when a translation could not be loaded (the
// program then shows the Russian texts it is written in).
bool installTranslations(QCoreApplication &app, UiLanguage language);

} // namespace qm
