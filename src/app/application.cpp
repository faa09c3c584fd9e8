#include "app/application.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <exception>

namespace qm {

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quillmark v2"));
    setApplicationDisplayName(QStringLiteral("Quillmark v2"));
    setApplicationVersion(programVersion());
    setOrganizationName(QStringLiteral("quillmark"));
    // Lets the desktop match the window to its launcher and icon.
    setDesktopFileName(QStringLiteral("io.github.quillmark.Quillmark"));
    installQtTranslations(*this);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("Unknown error"));
    }
    return false;
}

void Application::showException(const QString &what)
{
    QMessageBox::critical(activeWindow(), applicationDisplayName(), what);
}

QString programVersion() { return QStringLiteral(QM_VERSION); }

bool installQtTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    // The window's own texts are Russian, so the choice does not follow the
    // system locale.
    if (!translator->load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace qm
