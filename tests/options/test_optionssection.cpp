#include "formats/codepage.h"
#include "options/optionssection.h"
#include "settings/inifile.h"

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

namespace {

Options readFrom(const char *text)
{
    IniFile ini;
    ini.parse(QByteArray(text));
    Options o;
    readOptionsSection(ini, o);
    return o;
}

std::vector<bool> readFlags(const FieldLists &l)
{
    std::vector<bool> v;
    v.reserve(size_t(l.size()));
    for (int i = 0; i < l.size(); ++i)
        v.push_back(l.isRead(i));
    return v;
}

std::vector<bool> shownFlags(const FieldLists &l)
{
    std::vector<bool> v;
    v.reserve(size_t(l.size()));
    for (int i = 0; i < l.size(); ++i)
        v.push_back(l.isShown(i));
    return v;
}

QList<int> order(const ScanFields &s)
{
    QList<int> v;
    for (int row = 0; row < ScanFields::kRows; ++row)
        v.append(toInt(s.field(row)));
    return v;
}

} // namespace

TEST(OptionsSection, MissingSectionKeepsDefaults)
{
    const Options o = readFrom("[Main]\nTop=5\n");
    EXPECT_EQ(o, Options());
    EXPECT_TRUE(o.formatRead() && o.readLyrics2());
    EXPECT_EQ(o.scanFields().enabledFields(),
              QList<F>({F::No, F::Old, F::Ext, F::Tit, F::Trc, F::Art, F::Alb, F::Yea}));
    EXPECT_EQ(o.codepage(), QStringLiteral("windows-1251"));
}

TEST(OptionsSection, FlagListsFallBackEntryByEntry)
{
    EXPECT_EQ(parseFlagList(QStringLiteral("1,0,x,,-2,false,TRUE,")),
              std::vector<bool>({true, false, true, true, true, false, true}));
    EXPECT_TRUE(parseFlagList(QString()).empty());

    // Shown fields are always read; items past the stored entries keep theirs.
    const Options o = readFrom("[Options]\nTag2ReadFields=0,0,0,\nTag2ShowFields=1,0,0,\n"
                               "InfoShowFields=0,junk\nInfoReadFields=0,0,0,0,0,0,\n");
    const FieldLists &v2 = o.lists(FieldView::Id3v2);
    std::vector<bool> read(17, true), shown(17, true);
    read[1] = read[2] = false;
    shown[1] = shown[2] = false;
    EXPECT_EQ(readFlags(v2), read);
    EXPECT_EQ(shownFlags(v2), shown);
    // "junk" counts as ticked and forces its read item on.
    const FieldLists &info = o.lists(FieldView::FileInfo);
    EXPECT_EQ(shownFlags(info), std::vector<bool>({false, true, true}));
    EXPECT_EQ(readFlags(info), std::vector<bool>({false, true, true}));

    // Nothing read at all is not a state the lists can be in.
    const Options none = readFrom("[Options]\nInfoShowFields=0,0,0,\nInfoReadFields=0,0,0,\n");
    EXPECT_EQ(readFlags(none.lists(FieldView::FileInfo)), std::vector<bool>({true, false, false}));
}

TEST(OptionsSection, ScanTableOrderAndMarks)
{
    Options o = readFrom("[Options]\nScanFieldsPos=3,3,1,\n");
    QList<int> expected = {3, 1, 0, 2};
    for (int n = 4; n < 25; ++n)
        expected.append(n);
    EXPECT_EQ(order(o.scanFields()), expected);
    // Marks stay by position: the default pattern now covers fields 3, 2, 4, ...
    EXPECT_EQ(o.scanFields().enabledFields().first(), F::New);

    o = readFrom("[Options]\nScanFieldsPos=24,abc,-1,25,7,24,0\nScanFieldsCheck=0,1,x,1\n");
    EXPECT_EQ(order(o.scanFields()).mid(0, 5), QList<int>({24, 7, 0, 1, 2}));
    EXPECT_EQ(o.scanFields().enabledFields(),
              QList<F>({F::Inf, F::Dir, F::Old, F::Dur, F::Tit, F::Trc, F::Art, F::Alb}));

    QString many;
    for (int i = 0; i < 30; ++i)
        many += QStringLiteral("1,");
    o = readFrom(
        ("[Options]\nScanFieldsCheck=" + many.toStdString() + "\nScanFieldsPos=\n").c_str());
    EXPECT_EQ(o.scanFields().enabledFields().size(), 25);
    EXPECT_EQ(order(o.scanFields()), order(ScanFields()));
}

TEST(OptionsSection, LyricsOffDropsSixId3v1Items)
{
    const Options o =
        readFrom("[Options]\nReadLyrics2=0\nTag1ShowFields=1,1,1,1,1,1,0,0,0,0,0,0,0,\n"
                 "Tag1ReadFields=1,1,1,1,1,1,1,0,0,0,0,0,0,\n");
    EXPECT_FALSE(o.readLyrics2());
    const FieldLists &v1 = o.lists(FieldView::Id3v1);
    EXPECT_EQ(v1.items(), Options::items(FieldView::Id3v1, false));
    EXPECT_EQ(shownFlags(v1), std::vector<bool>({true, true, true, true, true, true, false}));
    EXPECT_EQ(readFlags(v1), std::vector<bool>(7, true));
    // A malformed boolean takes the key's default.
    EXPECT_TRUE(readFrom("[Options]\nReadLyrics2=off\nFormatRead=\n").readLyrics2());
}

TEST(OptionsSection, RoundTripKeepsStateAndUnknownKeys)
{
    Options o;
    o.setFormatRead(false);
    o.setReadLyrics2(false);
    o.lists(FieldView::FileInfo).setRead(0, false);
    o.lists(FieldView::Id3v2).setShown(16, false);
    o.scanFields().moveRow(24, 0);
    o.scanFields().toggle(0);
    o.setId3v2WriteVersion(0);

    IniFile ini;
    ini.parse("[Options]\nFuture=keep me\nInfoReadFields=1\n[Other]\nA=1\n");
    writeOptionsSection(ini, o);
    EXPECT_EQ(ini.readString(u"Options", u"Future"), QStringLiteral("keep me"));
    EXPECT_EQ(ini.readString(u"Other", u"A"), QStringLiteral("1"));
    EXPECT_EQ(ini.readString(u"Options", u"InfoReadFields"), QStringLiteral("0,1,1,"));
    EXPECT_EQ(ini.readString(u"Options", u"Tag1ShowFields"), QStringLiteral("1,1,1,1,1,1,1,"));
    EXPECT_EQ(ini.readString(u"Options", u"FormatRead"), QStringLiteral("0"));
    EXPECT_TRUE(ini.readString(u"Options", u"ScanFieldsPos").startsWith(QStringLiteral("24,0,1,")));
    EXPECT_TRUE(
        ini.readString(u"Options", u"ScanFieldsCheck").startsWith(QStringLiteral("1,1,0,1,")));

    IniFile again;
    again.parse(ini.toBytes());
    Options back;
    readOptionsSection(again, back);
    EXPECT_EQ(back, o);
}

TEST(OptionsSection, Id3v2WriteVersionIsReadOrLeftAtItsDefault)
{
    const struct {
        const char *value;
        int version;
    } cases[] = {{"keep", 0}, {"4", 4}, {"3", 3}, {"5", 3}, {"2.4", 3}, {"", 3}};
    for (const auto &c : cases)
        EXPECT_EQ(
            readFrom((QByteArray("[Options]\nTag2WriteVersion=") + c.value + '\n').constData())
                .id3v2WriteVersion(),
            c.version)
            << c.value;
}

TEST(OptionsSection, CodepageIsAppliedOrRefused)
{
    Options o = readFrom("[Options]\nCodepage=KOI8-R\n");
    EXPECT_EQ(o.codepage(), QStringLiteral("KOI8-R"));
    EXPECT_EQ(LegacyCodepage::decode("\xc1"), QStringLiteral("а"));

    o = readFrom("[Options]\nCodepage=no-such-codepage\n");
    EXPECT_EQ(o.codepage(), QStringLiteral("windows-1251"));
    EXPECT_FALSE(o.setCodepage(QStringLiteral("UTF-16"))); // not single-byte
    EXPECT_TRUE(o.setCodepage(QStringLiteral("windows-1251")));
    EXPECT_EQ(LegacyCodepage::decode("\xc1"), QStringLiteral("Б"));
    for (const QString &name : Options::codepageChoices())
        EXPECT_TRUE(o.setCodepage(name)) << name.toStdString();
    o.setCodepage(QStringLiteral("windows-1251"));
}

TEST(OptionsSection, SettingsFilesDecodeLegacyBytesThroughTheCodePage)
{
    // Windows-1251 bytes, as the Windows version wrote them.
    IniFile ini;
    ini.parse(QByteArray("[Find]\nHistoryFind=\xCF\xF0\xE8\n"));
    EXPECT_EQ(ini.readString(u"Find", u"HistoryFind"), QString::fromUtf8("При"));
}

TEST(ScanFields, MovesCarryMarksWhileDefaultsGoByPosition)
{
    ScanFields s;
    s.moveRow(0, 24); // No, enabled, to the bottom
    EXPECT_EQ(s.field(0), F::Dir);
    EXPECT_TRUE(s.isEnabled(24));
    EXPECT_EQ(s.enabledFields().last(), F::No);
    s.moveRow(20, 1);
    EXPECT_EQ(s.field(1), F::Enc);
    EXPECT_EQ(s.field(2), F::Old);
    EXPECT_EQ(s.rank(2), 1);
    EXPECT_EQ(s.rank(1), 0);
    s.moveRow(-1, 3);
    s.moveRow(3, 25);
    EXPECT_EQ(s.field(3), F::New);

    s.setDefaultPattern();
    EXPECT_EQ(s.enabledFields().first(), F::Dir); // the top row, whatever it holds
    EXPECT_EQ(s.rank(0), 1);
    s.setAllEnabled(false);
    EXPECT_TRUE(s.enabledFields().isEmpty());
    EXPECT_EQ(ScanFields::caption(F::No), QStringLiteral("Номер строки (%NS)"));
    EXPECT_EQ(ScanFields::caption(F::Cop), QStringLiteral("Авторское право (%CP)"));
}
