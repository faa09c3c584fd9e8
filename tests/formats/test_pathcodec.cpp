#include "formats/codepage.h"
#include "formats/pathcodec.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace qm;

TEST(PathCodec, EveryNameRoundTripsAndValidUtf8DecodesAsUsual)
{
    const struct {
        QByteArray bytes;
        bool utf8; // decodes exactly as UTF-8 does
    } cases[] = {
        {"plain name.mp3", true},
        {"\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f.mp3", true}, // "Песня" in UTF-8
        {"\xf0\x9f\x8e\xb5 note", true},                        // outside the BMP
        {"\xcf\xe5\xf1\xed\xff.mp3", false},                    // "Песня" in Windows-1251
        {"\xef\xbf\xbd\xef\xbf\xbd.mp3", true},                 // U+FFFD itself
        {"\xef\x9e\x80 \xef\x9f\xbf", false},                   // the escape characters' own UTF-8
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80", false},      // overlong, surrogate, > U+10FFFF
        {"cut \xd0", false},
        {"cut \xe2\x82", false},
        {"\x80\xbf\xfe\xff", false},
    };
    for (const auto &c : cases) {
        const QString name = decodeFileName(c.bytes);
        EXPECT_EQ(encodeFileName(name), c.bytes) << c.bytes.toHex().constData();
        EXPECT_EQ(hasRawBytes(name), !c.utf8) << c.bytes.toHex().constData();
        if (c.utf8) {
            EXPECT_EQ(name, QString::fromUtf8(c.bytes));
        }
    }
    // The undecodable bytes survive what the program does with cell text.
    const QString name = decodeFileName("\xcf\xe5\xf1\xed\xff - a.mp3");
    EXPECT_EQ(encodeFileName(QString::fromUtf8(name.toUtf8())), encodeFileName(name));
    EXPECT_EQ(encodeFileName(name.toUpper()), QByteArray("\xcf\xe5\xf1\xed\xff - A.MP3"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(" - (.)")).match(name).hasMatch());

    ASSERT_TRUE(LegacyCodepage::setName(QStringLiteral("windows-1251")));
    EXPECT_EQ(readableFileName(name), QStringLiteral(u"Песня - a.mp3"));
}

// What Qt's dialogs, argument list and drops hand over leads back to the
// name on disk.
TEST(PathCodec, NamesFromQtAndFileUrlsReachTheFileOnDisk)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray root = QFile::encodeName(temp.path()) + '/';
    for (const QByteArray folder : {"\xe0\xeb\xfc\xe1\xee\xec", "\xcd\x31", "\xcf\x31"})
        ASSERT_EQ(mkdir((root + folder).constData(), 0700), 0);
    for (const QByteArray file :
         {"\xe0\xeb\xfc\xe1\xee\xec/\xcf\xe5\xf1\xed\xff 1.mp3",
          "\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f.mp3", "\xef\xbf\xbd.mp3"})
        ASSERT_EQ(close(open((root + file).constData(), O_CREAT | O_WRONLY, 0600)), 0);
    const struct {
        QByteArray name;
        bool found; // one name on disk reads as Qt shows it
    } cases[] = {
        {"\xe0\xeb\xfc\xe1\xee\xec", true},
        {"\xe0\xeb\xfc\xe1\xee\xec/\xcf\xe5\xf1\xed\xff 1.mp3", true},
        {"\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f.mp3", true},
        {"\xef\xbf\xbd.mp3", true}, // a real U+FFFD
        {"\xcd\x31", false},        // Qt shows "\xcf\x31" alike
        {"\xe0\xeb\xfc\xe1\xee\xec/\xcf\xe5\xf1\xed\xff 2.mp3", false},
    };
    for (const auto &c : cases) {
        const QByteArray bytes = root + c.name;
        const QString name = decodeFileName(bytes);
        const QString shownByQt = QFile::decodeName(bytes);
        EXPECT_EQ(fileNameFromQt(shownByQt), c.found ? name : shownByQt) << c.name.constData();
        // As a file manager puts it into a drop.
        const QUrl dropped(QString::fromLatin1("file://" + bytes.toPercentEncoding("/")));
        EXPECT_EQ(fileNameOfUrl(dropped), name) << c.name.constData();
        EXPECT_EQ(urlOfFileName(name), dropped) << c.name.constData();
    }
    // QTemporaryDir cannot remove names Qt cannot encode.
    std::filesystem::remove_all(root.constData());
}
