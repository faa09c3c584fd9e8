#include "session/session.h"
#include "session/tablelayout.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace qm;
using F = FieldNumber;

// Each change of the layout is told once; a show or hide also names the
// column; a change that changes nothing tells nothing.
TEST(TableLayout, TellsEachChangeOnce)
{
    struct Case {
        const char *what;
        std::function<void(TableLayout &)> change;
        int changed;
        int shown;
    };
    const Case cases[] = {
        {"hide", [](TableLayout &l) { l.setColumnShown(F::Tit, false); }, 1, 1},
        {"show a shown one", [](TableLayout &l) { l.setColumnShown(F::Tit, true); }, 0, 0},
        {"move", [](TableLayout &l) { l.moveColumn(7, 2); }, 1, 0},
        {"move into the frozen zone", [](TableLayout &l) { l.moveColumn(5, 0); }, 0, 0},
        {"width", [](TableLayout &l) { l.setColumnWidth(F::Art, 133); }, 1, 0},
        {"same width", [](TableLayout &l) { l.setColumnWidth(F::Art, kDefaultColumnWidth); }, 0, 0},
        {"restore", [](TableLayout &l) { l.restore(u"2,0,1", u"10,20,30"); }, 1, 0},
    };
    for (const Case &c : cases) {
        RowTable table;
        TableLayout layout(table);
        int changed = 0;
        int shown = 0;
        QObject::connect(&layout, &TableLayout::changed, [&changed] { ++changed; });
        QObject::connect(&layout, &TableLayout::columnShownChanged, [&shown] { ++shown; });
        c.change(layout);
        EXPECT_EQ(changed, c.changed) << c.what;
        EXPECT_EQ(shown, c.shown) << c.what;
    }
}

// Rows from outside keep the state they came with when their write failed,
// and take the file's state now when it succeeded.
TEST(Session, RestampKeepsTheStateOfFailedRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    Session session;
    const FileStamp old{1, 2, 3, 4};
    for (const char *name : {"a", "b"}) {
        QFile file(root + QString::fromLatin1(name) + QStringLiteral(".mp3"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        Row row;
        row[size_t(toInt(F::Dir))] = root;
        row[size_t(toInt(F::Old))] = QString::fromLatin1(name);
        row[size_t(toInt(F::Ext))] = QStringLiteral("mp3");
        session.appendOutsideRow(row, old);
    }
    ASSERT_EQ(session.table().fileRowCount(), 2);
    session.restampWrittenRows({root + QStringLiteral("b.mp3")});
    EXPECT_NE(session.readStamps().value(root + QStringLiteral("a.mp3")), old);
    EXPECT_EQ(session.readStamps().value(root + QStringLiteral("b.mp3")), old);
}
