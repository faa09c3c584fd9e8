#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/adddirectorydialog.h"
#include "formats/pathcodec.h"
#include "text/commatext.h"
#include "settings/inifile.h"

using qm::TfrmAddDirectory;

class AddDirectoryDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    QString folder(const QString &name) const { return dir_->filePath(name); }

    template <typename T> static T *child(const QWidget &w, const char *name)
    {
        return w.findChild<T *>(QString::fromLatin1(name));
    }

    // Closes the next message box once it is up and returns its text.
    static std::shared_ptr<QString> answerNextMessage()
    {
        auto text = std::make_shared<QString>();
        QTimer::singleShot(0, [text] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            *text = box->text();
            box->accept();
        });
        return text;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("QUILLMARK_CONFIG_DIR", dir_->path().toLocal8Bit());
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("My Music, live")));
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("a")));
    }

    void controlsAndDefaults()
    {
        TfrmAddDirectory d;
        QCOMPARE(child<QComboBox>(d, "cmbFilter")->count(), 5);
        // The hint names the mask delimiters the scan uses; the help adds "|".
        QVERIFY(child<QComboBox>(d, "cmbFilter")->toolTip().contains(QStringLiteral("/\\:\"<>\n")));
        QVERIFY(TfrmAddDirectory::filterHelp().contains(QStringLiteral("/\\:\"<>|\n")));

        QCOMPARE(d.folderText(), QDir::homePath());
        QCOMPARE(d.filter(), QStringLiteral("Все файлы <*.*>"));
        QVERIFY(!d.caseSensitive());
        QVERIFY(d.scanSubFolders());

        d.show();
        auto text = answerNextMessage();
        child<QPushButton>(d, "btnHelpFilter")->click();
        QCOMPARE(*text, TfrmAddDirectory::filterHelp());
    }

    void folderBoxParsing()
    {
        const QString a = folder(QStringLiteral("a"));
        const QString music = folder(QStringLiteral("My Music, live"));
        QCOMPARE(qm::fromCommaText(QStringLiteral(" x , \"y z\",\"q\"\"r\" ,")),
                 QStringList({QStringLiteral("x"), QStringLiteral("y z"), QStringLiteral("q\"r"),
                              QString()}));
        QCOMPARE(qm::fromCommaText(QStringLiteral("\"open")),
                 QStringList({QStringLiteral("open")}));

        // Unquoted, with blanks and a comma: one folder; the closing "/" goes.
        QCOMPARE(qm::scanFolderList(music + u'/'), QStringList({music}));
        // Several quoted folders in their order; one that is missing is skipped.
        QCOMPARE(qm::scanFolderList(u'"' + music + QStringLiteral("\", \"")
                                    + folder(QStringLiteral("none")) + QStringLiteral("\",\"") + a
                                    + u'"'),
                 QStringList({music, a}));
        // A double quote in a folder's name, as "..." puts it in the box.
        const QString vinyl = folder(QStringLiteral("12\" Singles"));
        QVERIFY(QDir().mkpath(vinyl));
        QCOMPARE(qm::scanFolderList(vinyl), QStringList({vinyl}));
        QCOMPARE(qm::scanFolderList(vinyl + u'/'), QStringList({vinyl}));
        QCOMPARE(qm::scanFolderList(QStringLiteral("/")), QStringList({QStringLiteral("/")}));
        QVERIFY(qm::scanFolderList(QString()).isEmpty());
        QVERIFY(qm::scanFolderList(QStringLiteral("\"")).isEmpty());
        // A file is not a folder.
        QFile file(folder(QStringLiteral("f.mp3")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(qm::scanFolderList(file.fileName()).isEmpty());
        // A folder named in Windows-1251 is found by its own bytes (Qt's
        // file classes would look for other ones).
        const QByteArray rawBytes = QFile::encodeName(a) + "/\xe0\xeb\xfc\xe1\xee\xec";
        const QString raw = qm::decodeFileName(rawBytes);
        QCOMPARE(mkdir(rawBytes.constData(), 0700), 0);
        const QStringList found = qm::scanFolderList(u'"' + raw + u'"');
        rmdir(rawBytes.constData());
        QCOMPARE(found, QStringList({raw}));
    }

    void addHandsOverOrWarns()
    {
        TfrmAddDirectory d;
        QSignalSpy add(&d, &TfrmAddDirectory::addRequested);
        child<QLineEdit>(d, "txtScanFolder")->setText(folder(QStringLiteral("a")));
        child<QComboBox>(d, "cmbFilter")->setCurrentText(QStringLiteral("*.mp3/*.ogg"));
        child<QCheckBox>(d, "chbCaseSensitive")->setChecked(true);
        child<QCheckBox>(d, "chbScanSubFolders")->setChecked(false);
        d.show();
        child<QPushButton>(d, "btnAdd")->click();
        QCOMPARE(add.count(), 1);
        QCOMPARE(add.at(0).at(0).toStringList(), QStringList({folder(QStringLiteral("a"))}));
        QCOMPARE(add.at(0).at(1).toString(), QStringLiteral("*.mp3/*.ogg"));
        QCOMPARE(add.at(0).at(2).toBool(), true);
        QCOMPARE(add.at(0).at(3).toBool(), false);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));

        child<QLineEdit>(d, "txtScanFolder")->setText(folder(QStringLiteral("missing")));
        d.show();
        auto text = answerNextMessage();
        child<QPushButton>(d, "btnAdd")->click();
        QCOMPARE(*text, QStringLiteral("Неверно указана директория для просмотра файлов!"));
        QCOMPARE(add.count(), 1);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    void settingsRoundTrip()
    {
        TfrmAddDirectory d;
        qm::IniFile ini;
        ini.parse(QByteArray(
            "[ScanDir]\nFilter=Музыка <*.mp3>\nCase Sensitive=yes\nScan Subfolders=0\nOld=1\n"));
        d.readSettings(ini);
        QCOMPARE(d.folderText(), QDir::homePath()); // missing key keeps the box
        QCOMPARE(d.filter(), QStringLiteral("Музыка <*.mp3>"));
        QVERIFY(!d.caseSensitive()); // malformed: the default
        QVERIFY(!d.scanSubFolders());

        const QString two = QStringLiteral("\"/x y\",\"/z\"");
        child<QLineEdit>(d, "txtScanFolder")->setText(two);
        d.writeSettings(ini);
        QCOMPARE(ini.readString(u"ScanDir", u"Folder"), two);
        QCOMPARE(ini.readString(u"ScanDir", u"Case Sensitive"), QStringLiteral("0"));
        QCOMPARE(ini.readString(u"ScanDir", u"Scan Subfolders"), QStringLiteral("0"));
        QCOMPARE(ini.readString(u"ScanDir", u"Old"), QStringLiteral("1"));

        qm::IniFile back;
        back.parse(ini.toBytes());
        TfrmAddDirectory again;
        again.readSettings(back);
        QCOMPARE(again.folderText(), two);
        QCOMPARE(again.filter(), d.filter());
        QCOMPARE(again.scanSubFolders(), false);
    }
};

QTEST_MAIN(AddDirectoryDialogTest)
#include "test_adddirectorydialog.moc"
