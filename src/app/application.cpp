#include "app/application.h"

#include <QMessageBox>
#include <exception>

namespace qm {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Quillmark v2"));
  setApplicationDisplayName(QStringLiteral("Quillmark v2"));
  setOrganizationName(QStringLiteral("quillmark"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    showException(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    showException(QStringLiteral("Unknown error"));
  }
  return false;
}

void Application::showException(const QString& what) {
  QMessageBox::critical(activeWindow(), applicationDisplayName(), what);
}

}  // namespace qm
