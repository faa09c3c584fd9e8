#include "formats/codepage.h"
#include "formats/pathcodec.h"

#include <gtest/gtest.h>

#include <thread>

using qm::LegacyCodepage;
using namespace Qt::StringLiterals;

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

// Greek and Hebrew code pages leave a few bytes unassigned; they are chosen
// all the same, and such a byte comes back as itself.
TEST(LegacyCodepage, CodePagesWithUnassignedBytesKeepEveryByte)
{
    const struct {
        const char *name;
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"windows-1253", "\xc1\xe8\xde\xed\xe1 \xd2", u"Αθήνα \uf7d2"_qs},
        {"ISO-8859-7", "\xc1\xe8\xde\xed\xe1 \xae", u"Αθήνα \uf7ae"_qs},
        {"windows-1255", "\xf9\xec\xe5\xed \xca", u"שלום \uf7ca"_qs},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(LegacyCodepage::isKnown(QString::fromLatin1(c.name)));
        const LegacyCodepage::Scope scope(QString::fromLatin1(c.name));
        EXPECT_EQ(LegacyCodepage::decode(c.bytes), c.text);
        EXPECT_EQ(LegacyCodepage::encode(c.text), c.bytes);
    }
    for (const char *multiByte : {"Shift_JIS", "EUC-KR", "UTF-16LE", "UTF-7"})
        EXPECT_FALSE(LegacyCodepage::isKnown(QString::fromLatin1(multiByte))) << multiByte;
}

// A file name in Windows-1251 bytes put into a tag (%ON) keeps its bytes.
TEST(LegacyCodepage, RawBytesOfAFileNameAreWrittenAsThemselves)
{
    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("windows-1251")));
    const QByteArray bytes("\xca\xe8\xed\xee - 1");
    const QString name = qm::decodeFileName(bytes);
    ASSERT_TRUE(qm::hasRawBytes(name));
    EXPECT_TRUE(LegacyCodepage::canEncode(name));
    EXPECT_EQ(LegacyCodepage::encode(name), bytes);
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
