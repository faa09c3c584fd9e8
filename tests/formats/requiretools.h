#pragma once

// A test that needs a program the machine lacks (an encoder, another tagger
// to compare with, a player) skips with the reason, except where every tool
// must be there: with QUILLMARK_REQUIRE_TOOLS=1 (CI sets it) it fails, so a
// run that lost a tool cannot pass without the tests that need it.

#include <QtGlobal>

namespace qm::test {

inline bool toolsRequired() { return qgetenv("QUILLMARK_REQUIRE_TOOLS") == "1"; }

} // namespace qm::test

// `why` is a stream of GoogleTest message parts, so it stays unparenthesized.
// NOLINTBEGIN(bugprone-macro-parentheses)

// GoogleTest: skips, or fails where the tools are required. Ends the
// function, like GTEST_SKIP.
#define QM_MISSING_TOOL(why)                                                                       \
    do {                                                                                           \
        if (::qm::test::toolsRequired())                                                           \
            GTEST_FAIL() << why << " (QUILLMARK_REQUIRE_TOOLS=1)";                                 \
        else                                                                                       \
            GTEST_SKIP() << why;                                                                   \
    } while (0)

// Qt Test: the same with QSKIP and QFAIL; `why` is a C string.
#define QM_QMISSING_TOOL(why)                                                                      \
    do {                                                                                           \
        if (::qm::test::toolsRequired())                                                           \
            QFAIL(qPrintable(QString::fromUtf8(why)                                                \
                             + QStringLiteral(" (QUILLMARK_REQUIRE_TOOLS=1)")));                   \
        QSKIP(why);                                                                                \
    } while (0)
// NOLINTEND(bugprone-macro-parentheses)
