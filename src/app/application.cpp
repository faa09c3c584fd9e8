#include "app/application.h"

#include "settings/language.h"

#include <QMessageBox>
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
    installTranslations(*this, programLanguage());
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

} // namespace qm
