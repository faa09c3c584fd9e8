#include <QAction>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "app/commands.h"
#include "app/dropdown.h"
#include "app/mainwindow.h"

using qm::TfrmTagEditor;

namespace {

// A command's picture as a 16-pixel tool button shows it on a screen of
// pixel ratio 2.
QImage shown(const QIcon &icon)
{
    return icon.pixmap(QSize(16, 16), 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

int coveredPixels(const QImage &image)
{
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 128;
    return covered;
}

// Commands that do one work in two places (the table and the editor box's
// menu) share their picture; every other two commands must not.
bool sameWork(const QString &a, const QString &b)
{
    static const QList<QStringList> twins{{"aCut", "aEditCut"},
                                          {"aCopy", "aEditCopy"},
                                          {"aPasteIn", "aEditPaste"},
                                          {"aDeleteSelect", "aEditDelete"},
                                          {"aSelectAll", "aEditSelectAll"},
                                          {"aUndo", "aEditUndo"}};
    for (const QStringList &pair : twins)
        if (pair.contains(a) && pair.contains(b))
            return true;
    return false;
}

} // namespace

class IconsTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreSharpAndTellCommandsApart_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::newRow("no theme") << QString();
        QTest::newRow("a theme that is not installed") << QStringLiteral("quillmark-missing-theme");
    }

    void picturesAreSharpAndTellCommandsApart()
    {
        QFETCH(QString, theme);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir.path().toLocal8Bit());
        QIcon::setThemeName(theme);
        TfrmTagEditor w(QString{});
        const qm::NamedCommands &c = w.commands().named();

        QList<std::pair<QString, QImage>> pictures;
        // The paste buttons of a column group show the picture of the column
        // chosen last.
        const QList<QAction *> faces{c.aPName, c.aPFileInf, c.aPTag};
        for (QAction *action : w.commands().all())
            if (!action->icon().isNull() && !faces.contains(action))
                pictures.append({action->objectName(), shown(action->icon())});
        // The update commands write the shown tag view's tag and say which.
        for (QAction *view : {c.aID3v1Tag, c.aID3v2Tag}) {
            view->trigger();
            QVERIFY(view->isChecked());
            for (const QAction *update : {c.aUpdate, c.aUpdateSel})
                pictures.append({update->objectName() + QLatin1Char('/') + view->objectName(),
                                 shown(update->icon())});
            QCOMPARE(shown(w.dropDown(QStringLiteral("Update"))->face()->icon()),
                     shown(c.aUpdate->icon()));
        }
        QVERIFY(pictures.size() > 60);

        QHash<QByteArray, QString> owners;
        for (const auto &[name, image] : pictures) {
            QCOMPARE(image.size(), QSize(32, 32));
            QVERIFY2(coveredPixels(image) >= 40, qPrintable(name));
            const QByteArray bits(reinterpret_cast<const char *>(image.constBits()),
                                  image.sizeInBytes());
            const QString owner = owners.value(bits);
            QVERIFY2(owner.isEmpty() || sameWork(owner, name), qPrintable(owner + " = " + name));
            owners.insert(bits, name);
        }
        QIcon::setThemeName(QString());
    }
};

QTEST_MAIN(IconsTest)
#include "test_icons.moc"
