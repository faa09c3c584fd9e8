#include "formats/codepage.h"

#include <gtest/gtest.h>

#include <thread>

using qm::LegacyCodepage;

TEST(LegacyCodepage, Windows1251RoundTripsRussianAndMarksTheRest)
{
    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("windows-1251")));
    const QByteArray bytes("\xcf\xf0\xe8\xe2\xe5\xf2 ABC", 10);
    EXPECT_EQ(LegacyCodepage::decode(bytes), QStringLiteral(u"Привет ABC"));
    EXPECT_EQ(LegacyCodepage::encode(u"Привет ABC"), bytes);
    EXPECT_EQ(LegacyCodepage::encode(u"Grüße 漢"), QByteArray("Gr??e ?"));
    EXPECT_FALSE(LegacyCodepage::canEncode(u"漢"));
}

TEST(LegacyCodepage, RefusesUnknownAndMultiByteNamesKeepingTheChoice)
{
    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("KOI8-R")));
    EXPECT_FALSE(LegacyCodepage::setName(QStringLiteral("no-such-codepage")));
    EXPECT_FALSE(LegacyCodepage::setName(QStringLiteral("UTF-8")));
    EXPECT_EQ(LegacyCodepage::name(), QStringLiteral("KOI8-R"));
    EXPECT_EQ(LegacyCodepage::decode("\xf0\xf2"), QStringLiteral(u"ПР"));
    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("windows-1251")));
}

TEST(LegacyCodepage, AScopeChoosesTheCodePageOfItsOwnThreadWhileItLasts)
{
    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("windows-1251")));
    const QByteArray bytes("\xf0\xf2");
    {
        const LegacyCodepage::Scope koi8(QStringLiteral("koi8-r"));
        EXPECT_EQ(LegacyCodepage::decode(bytes), QStringLiteral(u"ПР"));
        EXPECT_EQ(LegacyCodepage::encode(u"ПР"), bytes);
        QString elsewhere;
        std::thread([&] { elsewhere = LegacyCodepage::decode(bytes); }).join();
        EXPECT_EQ(elsewhere, QStringLiteral(u"рт"));
    }
    EXPECT_EQ(LegacyCodepage::decode(bytes), QStringLiteral(u"рт"));
    EXPECT_TRUE(LegacyCodepage::isKnown(QStringLiteral("IBM866")));
    EXPECT_FALSE(LegacyCodepage::isKnown(QStringLiteral("UTF-8")));
}
