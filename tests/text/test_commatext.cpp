#include "text/commatext.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(CommaText, WritesQuotingOnlyWhatNeedsIt)
{
    const std::pair<QStringList, QString> cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", "", "b"}, "a,,b"},
        {{"a, b", "c"}, "\"a, b\",c"},
        {{"say \"hi\"", "x\ty"}, "\"say \"\"hi\"\"\",\"x\ty\""},
        {{"ёлка", "feat."}, "ёлка,feat."},
    };
    for (const auto &[items, text] : cases) {
        EXPECT_EQ(toCommaText(items), text);
        EXPECT_EQ(fromCommaText(text), items) << text.toStdString();
    }
}

TEST(CommaText, ReadsBlanksQuotesAndTrailingCommas)
{
    const std::pair<QString, QStringList> cases[] = {
        {"  a b ,c", {"a", "b", "c"}}, {"a,", {"a", ""}},    {",", {"", ""}}, {"\"open", {"open"}},
        {"\"a\"b", {"a", "b"}},        {"\"\"\"\"", {"\""}}, {"a,  ", {"a"}},
    };
    for (const auto &[text, items] : cases)
        EXPECT_EQ(fromCommaText(text), items) << text.toStdString();
}
