#include "edittesthelpers.h"
#include "text/cellfinder.h"

#include <gtest/gtest.h>

#include <deque>

using namespace qm;
using namespace qm::test;
using F = FieldNumber;

namespace {

// Answers the repeat question from a list (then No) and records it.
struct Answers {
    std::deque<bool> yes;
    QList<bool> asked; // the walk's direction each time
    RepeatQuestion question()
    {
        return [this](bool forward) {
            asked.append(forward);
            if (yes.empty())
                return false;
            const bool answer = yes.front();
            yes.pop_front();
            return answer;
        };
    }
};

// Drives the finder as the dialog does: a match becomes the selection.
struct Dialog {
    Dialog(RowTable &t, FindRequest r) : table(t), request(std::move(r)) {}
    RowTable &table;
    FindRequest request;
    CellFinder finder;
    Answers answers;
    CellRect selection;

    FindMatch step(FindMatch m)
    {
        if (m.found() && request.direction != FindDirection::InSelection)
            selection = CellRect{m.column, m.row, m.column, m.row};
        return m;
    }
    FindMatch next()
    {
        return step(finder.findNext(table, selection, request, answers.question()));
    }
    FindMatch replace(const QString &with)
    {
        return step(finder.replace(table, selection, request, with, answers.question()));
    }
    FindMatch replaceAll(const QString &with)
    {
        return step(finder.replaceAll(table, selection, request, with, answers.question()));
    }
    // Where a match is, as "Code:row"; "-" for none.
    QString where(const FindMatch &m) const
    {
        return m.found()
                   ? columnCode(table.layout().fieldAt(m.column)) + ':' + QString::number(m.row)
                   : QStringLiteral("-");
    }
    QStringList walk(int steps)
    {
        QStringList found;
        for (int i = 0; i < steps; ++i)
            found << where(next());
        return found;
    }
};

int pos(const RowTable &t, F f) { return t.layout().position(f); }

} // namespace

TEST(CellFinder, FindsEachMatchOfACellThenMovesOnAndReplacesKeepingCase)
{
    RowTable t = tableOf({{{F::Tit, "xABxab"}}, {{F::Tit, "ab"}}});
    Dialog d{t, {"ab"}};
    FindMatch m = d.next();
    EXPECT_EQ(d.where(m), "Tit:1");
    EXPECT_EQ(m.start, 1);
    EXPECT_EQ(d.finder.cellText(), "xABxab");
    m = d.next();
    EXPECT_EQ(d.where(m), "Tit:1");
    EXPECT_EQ(m.start, 4);
    EXPECT_EQ(d.where(d.next()), "Tit:2");

    d.finder.reset();
    d.selection = {};
    d.next();
    m = d.replace("-");
    EXPECT_EQ(t.cell(1, F::Tit), "x-xab");
    EXPECT_EQ(d.where(m), "Tit:1"); // the search goes on after the replacement
    EXPECT_EQ(m.start, 3);

    d.request.caseSensitive = true;
    d.request.text = "AB";
    d.finder.reset();
    EXPECT_EQ(d.where(d.next()), "-");
    EXPECT_EQ(d.answers.asked.size(), 1);
}

TEST(CellFinder, ReplaceWritesOnlyAMatchThatStillStands)
{
    // The rows moved under the dialog: row 2 now holds another text.
    RowTable t = tableOf({{{F::Tit, "Pop"}}, {{F::Tit, "Rock"}}, {{F::Old, "Track01"}}});
    Dialog d{t, {"rock"}};
    EXPECT_EQ(d.where(d.next()), "Tit:2");
    t.setCell(2, F::Tit, "Rock and roll");
    FindMatch m = d.replace("ROCK");
    EXPECT_EQ(t.cell(2, F::Tit), "Rock and roll");
    EXPECT_EQ(d.where(m), "Tit:2"); // found again, for the user to look at
    EXPECT_EQ(m.length, 4);
    d.replace("ROCK");
    EXPECT_EQ(t.cell(2, F::Tit), "ROCK and roll");

    // The search text changed after the match: the old match stays.
    d.request.text = "track";
    d.finder.reset();
    d.selection = {};
    EXPECT_EQ(d.where(d.next()), "Old:3");
    d.request.text = "zzz";
    d.replaceAll("");
    EXPECT_EQ(t.cell(3, F::Old), "Track01");
    EXPECT_EQ(d.finder.replacedCount(), 1);
}

TEST(CellFinder, ReplaceNeverWritesIntoAnotherRowWithTheSameText)
{
    // Every row holds the album; the row above the found one goes, and the
    // next row takes the found one's place with the same text.
    RowTable t = tableOf({{{F::Old, "a"}, {F::Alb, "Fixtures"}},
                          {{F::Old, "b"}, {F::Alb, "Fixtures"}},
                          {{F::Old, "c"}, {F::Alb, "Fixtures"}}});
    Dialog d{t, {"fix"}};
    d.next();
    EXPECT_EQ(d.where(d.next()), "Alb:2");
    t.row(1).fill(QString());
    t.deleteEmptyRows(1, 1);
    EXPECT_EQ(d.where(d.replace("X")), "Alb:2"); // found, for the user to look at
    EXPECT_EQ(t.cell(1, F::Alb), "Fixtures");
    EXPECT_EQ(t.cell(2, F::Alb), "Fixtures");
    d.replace("X");
    EXPECT_EQ(t.cell(2, F::Alb), "Xtures");
}

TEST(CellFinder, WholeCellEmptyAndSpecialSearchTexts)
{
    RowTable t = tableOf(
        {{{F::Tit, "Rock and roll"}}, {{F::Tit, "Rock"}}, {{F::Tit, "a.*(b)"}}, {{F::Tit, ""}}});
    Dialog d{t, {"rock", false, true}};
    EXPECT_EQ(d.walk(2), QStringList({"Tit:2", "-"})); // a cell matches once

    d.request = {"", false, true};
    d.finder.reset();
    EXPECT_EQ(d.walk(1), QStringList({"Dir:1"})); // an empty cell, the first of the walk
    d.request.wholeCell = false;
    d.finder.reset();
    EXPECT_EQ(d.walk(1), QStringList({"-"}));
    d.request.text = ".*(b)";
    d.finder.reset();
    const FindMatch m = d.next();
    EXPECT_EQ(d.where(m), "Tit:3");
    EXPECT_EQ(m.start, 1);

    RowTable none;
    Dialog nothing{none, {"a"}};
    EXPECT_EQ(nothing.walk(1), QStringList({"-"}));
    EXPECT_TRUE(nothing.answers.asked.isEmpty()); // no cell, no question
}

TEST(CellFinder, DirectionsAndOrdersVisitTheTableInTheirWay)
{
    // "a" in Tit and Art of rows 1 and 2; Tit comes first.
    RowTable t = tableOf({{{F::Tit, "a"}, {F::Art, "a"}}, {{F::Tit, "a"}, {F::Art, "a"}}});
    ASSERT_LT(pos(t, F::Tit), pos(t, F::Art));
    struct Case {
        FindDirection direction;
        FindOrder order;
        QStringList visits;
    };
    const Case cases[] = {
        {FindDirection::Everywhere,
         FindOrder::ByColumns,
         {"Tit:1", "Tit:2", "Art:1", "Art:2", "-"}},
        {FindDirection::Everywhere, FindOrder::ByRows, {"Tit:1", "Art:1", "Tit:2", "Art:2", "-"}},
        {FindDirection::Backward, FindOrder::ByColumns, {"Art:2", "Art:1", "Tit:2", "Tit:1", "-"}},
        {FindDirection::Backward, FindOrder::ByRows, {"Art:2", "Tit:2", "Art:1", "Tit:1", "-"}},
    };
    for (const Case &c : cases) {
        Dialog d{t, {"a", false, false, c.direction, c.order}};
        d.selection = CellRect{0, 1, kColumnCount - 1, t.blankRow()};
        EXPECT_EQ(d.walk(5), c.visits) << int(c.direction) << int(c.order);
        EXPECT_EQ(d.answers.asked, QList<bool>{c.direction != FindDirection::Backward});
    }

    // "Вперед" starts at the selection; Yes to the question starts over.
    Dialog forward{t, {"a", false, false, FindDirection::Forward, FindOrder::ByRows}};
    forward.selection = CellRect{pos(t, F::Art), 2, pos(t, F::Art), 2};
    forward.answers.yes = {true};
    EXPECT_EQ(forward.walk(3), QStringList({"Art:2", "Tit:1", "Art:1"}));

    // "В выделенном" never leaves the selection and keeps it.
    Dialog inside{t, {"a", false, false, FindDirection::InSelection, FindOrder::ByColumns}};
    inside.selection = CellRect{pos(t, F::Art), 1, pos(t, F::Art), t.blankRow()};
    inside.answers.yes = {true};
    EXPECT_EQ(inside.walk(4), QStringList({"Art:1", "Art:2", "Art:1", "Art:2"}));
}

TEST(CellFinder, ReplaceAllDoesOneMatchPerCellAPassAndAsksForAnother)
{
    for (const bool again : {false, true}) {
        RowTable t = tableOf({{{F::Tit, "Song feat. A feat. B feat. C"}},
                              {{F::Tit, "Other FEAT. C"}},
                              {{F::Art, "feat."}}});
        Dialog d{t, {"feat."}};
        d.answers.yes = {again};
        d.next();
        const FindMatch m = d.replaceAll("ft.");
        EXPECT_FALSE(m.found());
        EXPECT_FALSE(d.finder.hasMatch());
        // The pass starts in the cell of the current match and goes on after it.
        EXPECT_EQ(t.cell(1, F::Tit), again ? "Song ft. A ft. B ft. C" : "Song ft. A ft. B feat. C");
        EXPECT_EQ(t.cell(2, F::Tit), "Other ft. C");
        EXPECT_EQ(t.cell(3, F::Art), "ft.");
        EXPECT_EQ(d.answers.asked.size(), again ? 2 : 1);
        EXPECT_EQ(d.finder.replacedCount(), again ? 5 : 4);
        const CellRect rows = d.finder.takeChangedRows();
        EXPECT_EQ(rows.top, 1);
        EXPECT_EQ(rows.bottom, 3);
        EXPECT_TRUE(d.finder.takeChangedRows().isEmpty());
    }
}

TEST(CellFinder, ReplaceInCellsTakesEveryOccurrenceInOneRun)
{
    RowTable t = tableOf({{{F::Tit, "a.a.A"}, {F::Art, "a."}}, {{F::Tit, "b"}}, {{F::Tit, "A."}}});
    const CellRect tit = columnRect(t, F::Tit, 1, t.blankRow());
    CellRect changed;
    EXPECT_EQ(replaceInCells(t, tit, "a.", "[a.]", false, false, &changed), 3);
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"[a.][a.]A", "b", "[a.]", ""}));
    EXPECT_EQ(changed.top, 1);
    EXPECT_EQ(changed.bottom, 3);
    EXPECT_EQ(t.cell(1, F::Art), "a.");
    EXPECT_EQ(replaceInCells(t, tit, "b", "", true, true), 1);
    EXPECT_EQ(replaceInCells(t, tit, "", "x", false, false), 0);
    EXPECT_EQ(replaceInCells(t, tit, "[A.]", "-", true, false), 0);
    EXPECT_EQ(columnTexts(t, F::Tit), QStringList({"[a.][a.]A", "", "[a.]", ""}));
    RowTable none;
    EXPECT_EQ(replaceInCells(none, columnRect(none, F::Tit, 1, 1), "a", "b", false, false), 0);
}

TEST(FindHistory, KeepsTheTenNewestAndOnlyChoosesAKnownText)
{
    QStringList history;
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(rememberInHistory(history, QString::number(i), false), 0);
    EXPECT_EQ(history, QStringList({"12", "11", "10", "9", "8", "7", "6", "5", "4", "3"}));
    EXPECT_EQ(rememberInHistory(history, "5", false), 7);
    EXPECT_EQ(rememberInHistory(history, "", false), -1);
    history = {"Rock", "Pop"};
    EXPECT_EQ(rememberInHistory(history, "rock", false), 0);
    EXPECT_EQ(history.size(), 2);
    EXPECT_EQ(rememberInHistory(history, "rock", true), 0);
    EXPECT_EQ(history, QStringList({"rock", "Rock", "Pop"}));
}
