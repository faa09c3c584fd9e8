#include <gtest/gtest.h>

#include <functional>

#include "session/session.h"
#include "table/cellblock.h"

using namespace qm;
using F = FieldNumber;

namespace {

// A session keeping undo history over `count` rows with a title each.
struct UndoSession {
    explicit UndoSession(int count)
    {
        state.numbering = {NumberStyle::Plain, NumberScope::WholeTable};
        session.setState(state);
        session.setUndoEnabled(true);
        for (int r = 1; r <= count; ++r) {
            session.table().appendFileRow("/a/", QStringLiteral("f%1").arg(count - r));
            session.table().setCell(r, F::Tit, QStringLiteral("title %1").arg(r));
        }
        session.renumberRows(1);
    }
    std::vector<Row> rows() const { return session.table().rows(); }
    int at(F field) const { return session.table().layout().position(field); }
    SessionState state;
    Session session;
};

} // namespace

TEST(UndoSession, EachCommandIsOneStepThatUndoesAndRedoes)
{
    struct Case {
        const char *name;
        std::function<void(UndoSession &)> command;
    };
    const Case cases[] = {
        {"paste over 5,000 cells",
         [](UndoSession &s) {
             QString block;
             for (int i = 0; i < 5000; ++i)
                 block += QStringLiteral("p%1\r\n").arg(i);
             const int p = s.at(F::Tit);
             s.session.step([&] {
                 return pasteCellBlock(s.session.table(), CellRect{p, 1, p, 5000}, block,
                                       PasteMode::Into, s.state.numbering);
             });
         }},
        {"delete rows",
         [](UndoSession &s) {
             s.session.step([&] {
                 return deleteSelection(s.session.table(),
                                        CellRect{s.at(F::No) + 1, 10, kColumnCount - 1, 20},
                                        s.state.numbering);
             });
         }},
        {"sort",
         [](UndoSession &s) {
             s.session.sortRows(F::Old);
             s.session.waitForJobs();
         }},
        {"case",
         [](UndoSession &s) {
             s.session.convertCase(CellRect{s.at(F::Tit), 1, s.at(F::Tit), 6000}, CaseMode::Upper);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UndoSession s(6000);
        const std::vector<Row> before = s.rows();
        c.command(s);
        const std::vector<Row> after = s.rows();
        ASSERT_NE(after, before);
        ASSERT_TRUE(s.session.canUndo());
        int repaints = 0;
        QObject::connect(&s.session, &Session::rowsReset, [&] { ++repaints; });
        QObject::connect(&s.session, &Session::cellsChanged, [&] { ++repaints; });
        s.session.undo();
        EXPECT_EQ(s.rows(), before);
        EXPECT_EQ(repaints, 1) << "the view repaints";
        EXPECT_FALSE(s.session.canUndo());
        s.session.redo();
        EXPECT_EQ(s.rows(), after);
    }
}

TEST(UndoSession, TypingIsOneStepAndReadsForgetTheHistory)
{
    UndoSession s(3);
    const std::vector<Row> before = s.rows();
    s.session.openEdit();
    for (const char *text : {"a", "ab", "abc"})
        s.session.table().setCell(2, F::Tit, QString::fromLatin1(text));
    s.session.closeEdit();
    s.session.step([&] { s.session.table().setCell(1, F::Tit, "x"); });
    s.session.undo();
    s.session.undo();
    EXPECT_EQ(s.rows(), before);
    EXPECT_FALSE(s.session.canUndo());

    s.session.redo();
    s.session.completeAddedRows(s.session.table().blankRow());
    EXPECT_FALSE(s.session.canUndo());
    EXPECT_FALSE(s.session.canRedo());
}

// Undo takes a numbering switch back whole: the mode with the numbers, so
// rows numbered afterwards follow the numbers the table shows.
TEST(UndoSession, NumberingSwitchesAndACaseCommandInTypingAreStepsOfTheirOwn)
{
    UndoSession s(3);
    s.session.step([&] { s.session.table().setCell(2, F::Dir, "/b/"); });
    const std::vector<Row> moved = s.rows();
    s.session.setNumberStyle(NumberStyle::LeadingZero);
    const std::vector<Row> restyled = s.rows();
    s.session.setNumberScope(NumberScope::PerFolder);
    s.session.waitForJobs();
    EXPECT_EQ(s.session.table().cell(3, F::No), "01"); // "/b/" numbered by itself
    s.session.undo();
    EXPECT_EQ(s.rows(), restyled);
    EXPECT_EQ(s.session.numbering().scope, NumberScope::WholeTable);
    s.session.undo();
    EXPECT_EQ(s.rows(), moved);
    EXPECT_EQ(s.session.numbering().style, NumberStyle::Plain);
    s.session.redo();
    EXPECT_EQ(s.session.numbering().style, NumberStyle::LeadingZero);
    s.session.undo();
    s.session.table().appendFileRow("/a/", "new");
    s.session.renumberRows(4);
    EXPECT_EQ(s.session.table().cell(4, F::No), "4");
    ASSERT_TRUE(s.session.canUndo());

    s.session.openEdit();
    s.session.table().setCell(1, F::Tit, "typed");
    const int tit = s.at(F::Tit);
    s.session.convertCase(CellRect{tit, 1, tit, 3}, CaseMode::Upper);
    s.session.undo();
    EXPECT_EQ(s.session.table().cell(1, F::Tit), "typed");
    s.session.undo();
    EXPECT_EQ(s.session.table().cell(1, F::Tit), "title 1");
}

// Stop on the sort that separate numbering starts switches the scope back
// as the window does; undo then never brings per-folder numbers back over
// rows that are not grouped.
TEST(UndoSession, StoppingTheSeparateNumberingSortLeavesNoScopeToUndo)
{
    UndoSession s(3);
    s.session.table().setCell(2, F::Dir, "/b/");
    const std::vector<Row> before = s.rows();
    s.session.setNumberScope(NumberScope::PerFolder);
    ASSERT_TRUE(s.session.busy());
    ASSERT_EQ(s.session.runner().stop(), JobRunner::StopResult::StoppedSeparateNumbering);
    s.session.setNumberScope(NumberScope::WholeTable);
    s.session.waitForJobs();
    while (s.session.canUndo())
        s.session.undo();
    EXPECT_EQ(s.rows(), before);
    EXPECT_EQ(s.session.numbering().scope, NumberScope::WholeTable);
}

// Typing still open in a box when a tool button or a menu runs a command
// (the box keeps the focus) is a step of its own before the command's.
TEST(UndoSession, ACommandRunWhileTypingIsUndoneAlone)
{
    struct Case {
        const char *name;
        std::function<void(UndoSession &)> command;
    };
    const Case cases[] = {
        {"clear",
         [](UndoSession &s) {
             s.session.clearCells(CellRect{s.at(F::Tit), 1, s.at(F::Tit), 2});
         }},
        {"paste",
         [](UndoSession &s) {
             s.session.pasteCells(CellRect{s.at(F::Tit), 1, s.at(F::Tit), 1}, "p\r\n",
                                  PasteMode::Into);
         }},
        {"delete",
         [](UndoSession &s) {
             s.session.deleteCells(CellRect{s.at(F::Tit), 1, s.at(F::Tit), 1});
         }},
        {"row move", [](UndoSession &s) { s.session.moveRowByKey(1, false); }},
        {"duplicates",
         [](UndoSession &s) {
             s.session.removeDuplicates(DuplicateKey::VisibleColumns);
             s.session.waitForJobs();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UndoSession s(3);
        const std::vector<Row> before = s.rows();
        s.session.openEdit();
        for (int r = 1; r <= 3; ++r)
            s.session.table().setCell(r, F::Tit, "typed");
        s.session.table().setCell(3, F::Old, s.session.table().cell(2, F::Old));
        const std::vector<Row> typed = s.rows();
        c.command(s);
        ASSERT_NE(s.rows(), typed);
        s.session.undo();
        EXPECT_EQ(s.rows(), typed);
        s.session.undo();
        EXPECT_EQ(s.rows(), before);
    }
}
