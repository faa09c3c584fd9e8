#include "formats/pathcodec.h"
#include "lists/jsonrow.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

using F = FieldNumber;

Cell cellOf(const Row &row, F field) { return row[size_t(toInt(field))]; }

} // namespace

// The rows the program writes are read directly, to the same cells as the
// JSON document gave; every other line is declined, for the general parser
// to read or to name what is wrong with it.
TEST(JsonRow, ReadsThePlainFormAndDeclinesTheRest)
{
    const QString raw = QStringLiteral("a") + rawByteChar(0xE9) + QStringLiteral("b");
    struct Case {
        QByteArray line;
        bool read;
        QString tit;
        QString old;
    };
    const std::vector<Case> cases = {
        {R"({"No":"1","Old":"name","Tit":"A title long enough"})", true, "A title long enough",
         "name"},
        {R"( { "Tit" : "x" , "Old":"" } )", true, "x", ""},
        {"{}", true, "", ""},
        {R"({"Tit":"\u00e9\n\"\\\/\ud83c\udfb5","Old":"a\udce9b"})", true,
         QStringLiteral("\u00e9\n\"\\/\U0001F3B5"), raw},
        {"{\"Tit\":\"\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F\"}", true,
         QStringLiteral("\u041F\u0435\u0441\u043D\u044F"), ""},
        // For the general parser: errors, and valid forms it reads itself.
        {"not json", false, {}, {}},
        {R"(["No"])", false, {}, {}},
        {R"({"Old": 5})", false, {}, {}},
        {R"({"Bogus":"x"})", false, {}, {}},
        {R"({"Tit":"x"} x)", false, {}, {}},
        {R"({"Tit":"x",})", false, {}, {}},
        {R"({"Tit":"x")", false, {}, {}},
        {R"({"Tit":"x","Tit":"y"})", false, {}, {}},
        {R"({"T\u0069t":"x"})", false, {}, {}},
        {R"({"Tit":"\ud800"})", false, {}, {}},
        {R"({"Tit":"\udc10"})", false, {}, {}},
        {R"({"Tit":"\q"})", false, {}, {}},
        {"{\"Tit\":\"\xC3\"}", false, {}, {}},
        {"{\"Tit\":\"\xED\xA0\x80\"}", false, {}, {}},
        {"{\"Tit\":\"a\tb\"}", false, {}, {}},
    };
    for (const Case &c : cases) {
        Row row;
        std::optional<FileStamp> read;
        EXPECT_EQ(ReadPlainJsonRow(c.line, row, read), c.read) << c.line.toStdString();
        if (!c.read)
            continue;
        EXPECT_EQ(cellOf(row, F::Tit), Cell(c.tit)) << c.line.toStdString();
        EXPECT_EQ(cellOf(row, F::Old), Cell(c.old)) << c.line.toStdString();
        EXPECT_FALSE(read) << c.line.toStdString();
    }
}

TEST(JsonRow, ReadsTheFileStateAndDeclinesOtherForms)
{
    Row row;
    std::optional<FileStamp> read;
    ASSERT_TRUE(ReadPlainJsonRow(
        R"({"Old":"a","Read":"2049:18446744073709551615:19500:1765261000123456789"})", row, read));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (FileStamp{2049, 18446744073709551615ull, 19500, 1765261000123456789, 0}));
    // The change time comes fifth where it was known.
    ASSERT_TRUE(ReadPlainJsonRow(R"({"Read":"1:2:3:4:5"})", row, read));
    EXPECT_EQ(read->ctimeNs, 5);
    EXPECT_FALSE(unchangedSince(*read, FileStamp{1, 2, 3, 4, 6}));
    for (const char *line :
         {R"({"Read":"1:2:3"})", R"({"Read":"1:2:3:4:5:6"})", R"({"Read":"1:2:-3:4"})",
          R"({"Read":" 1:2:3:4"})", R"({"Read":"1:2:9223372036854775808:4"})",
          R"({"Read":"1:2:\u0033:4"})", R"({"Read":1})"}) {
        read.reset();
        EXPECT_FALSE(ReadPlainJsonRow(line, row, read)) << line;
    }
}

TEST(JsonRow, SharesTheLongTextsOfTheRowBefore)
{
    Row first, second;
    std::optional<FileStamp> read;
    ASSERT_TRUE(ReadPlainJsonRow(R"({"Dir":"/music/album/","Old":"01 first song"})", first, read));
    ASSERT_TRUE(
        ReadPlainJsonRow(R"({"Dir":"/music/album/","Old":"02 other song"})", second, read, &first));
    EXPECT_EQ(cellOf(second, F::Dir).handle(), cellOf(first, F::Dir).handle());
    EXPECT_EQ(cellOf(second, F::Old), Cell(QStringLiteral("02 other song")));
}
