#include "settings/language.h"

#include <gtest/gtest.h>

namespace {

using qm::UiLanguage;

TEST(Language, VariableThenSettingThenLocale)
{
    struct Case {
        const char16_t *variable;
        const char16_t *setting;
        const char *locale;
        UiLanguage expected;
    };
    const Case cases[] = {
        {u"", u"", "ru_RU", UiLanguage::Russian},
        {u"", u"", "ru_UA", UiLanguage::Russian},
        {u"", u"", "en_US", UiLanguage::English},
        {u"", u"", "de_DE", UiLanguage::English},
        {u"", u"", "C", UiLanguage::English},
        {u"", u"en", "ru_RU", UiLanguage::English},
        {u"", u" RU ", "en_US", UiLanguage::Russian},
        {u"en_GB.UTF-8", u"ru", "ru_RU", UiLanguage::English},
        {u"ru", u"en", "en_US", UiLanguage::Russian},
        // Values that name neither language are ignored, never an error.
        {u"fr", u"", "ru_RU", UiLanguage::Russian},
        {u"", u"klingon", "en_US", UiLanguage::English},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qm::chooseLanguage(c.variable, c.setting, QLocale(QString::fromLatin1(c.locale))),
                  c.expected)
            << "variable " << QString::fromUtf16(c.variable).toStdString() << ", setting "
            << QString::fromUtf16(c.setting).toStdString() << ", locale " << c.locale;
}

} // namespace
