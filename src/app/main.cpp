#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <exception>

#include "app/application.h"
#include "app/errorwindow.h"
#include "app/mainwindow.h"
#include "app/writecommands.h"
#include "formats/pathcodec.h"
#include "jobs/fileops.h"
#include "jobs/writemessage.h"
#include "journal/journal.h"
#include "settings/settingspath.h"

int main(int argc, char **argv)
{
    qm::Application app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Правка имён файлов и тегов ID3v1 и ID3v2 у многих аудиофайлов сразу."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QCoreApplication::translate("main", "файл"),
        QCoreApplication::translate("main", "Файл, который становится первой строкой таблицы."),
        QCoreApplication::translate("main", "[файл...]"));
    // The arguments as the bytes they are (Qt's list turns a name that is
    // not UTF-8 into U+FFFD); argv has lost Qt's own options by now.
    // --help and --version print and end the program here, before any
    // window or settings folder exists.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(qm::decodeFileName(argv[i]));
    parser.process(arguments);
    // A write job killed midway left files to put back before any is read;
    // what recovery had to leave alone goes to the error window.
    const QStringList leftAlone = qm::journal::leftAlone(qm::journal::recover());

    // Marks a running copy for other programs; a second copy is not refused,
    // so the result of tryLock does not matter.
    const QString folder = qm::settingsFolder();
    QDir().mkpath(folder);
    QLockFile instance(QDir(folder).filePath(QStringLiteral("TagQuill")));
    instance.setStaleLockTime(0);
    instance.tryLock(0);
    try {
        // One file is the first row, as ever. Several paths, or a folder,
        // come from a launcher given files and folders (Exec=quillmark %F):
        // each path becomes rows in order, a folder scanned as the add-folder
        // dialog scans. They wait for the first show, which reads the scan
        // options.
        const QStringList paths = parser.positionalArguments();
        const bool onePath = paths.size() == 1 && !qm::FolderExists(paths.first());
        qm::TfrmTagEditor window(onePath ? paths.first() : QString());
        window.show();
        if (!leftAlone.isEmpty()) {
            qm::ErrorTable recovery;
            for (const QString &line : leftAlone) {
                QStringList entry(qm::kColumnCount);
                entry.append(line);
                recovery.rows.push_back(entry);
            }
            window.writeCommands().errorWindow().setErrors(recovery);
            window.writeCommands().errorWindow().showIfErrors();
        }
        if (!onePath && !paths.isEmpty())
            window.session().addPaths(paths);
        return app.exec();
    } catch (const std::exception &e) {
        qm::Application::showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        qm::Application::showException(QStringLiteral("Unknown error"));
    }
    return 1;
}
