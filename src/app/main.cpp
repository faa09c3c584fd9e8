#include <QDir>
#include <QLockFile>
#include <exception>

#include "app/application.h"
#include "app/mainwindow.h"
#include "settings/settingspath.h"

int main(int argc, char** argv) {
  qm::Application app(argc, argv);
  // Marks a running copy for other programs; a second copy is not refused,
  // so the result of tryLock does not matter.
  const QString folder = qm::settingsFolder();
  QDir().mkpath(folder);
  QLockFile instance(QDir(folder).filePath(QStringLiteral("TagQuill")));
  instance.setStaleLockTime(0);
  instance.tryLock(0);
  try {
    const QStringList args = app.arguments();
    qm::TfrmTagEditor window(args.size() > 1 ? args.at(1) : QString());
    window.show();
    return app.exec();
  } catch (const std::exception& e) {
    qm::Application::showException(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    qm::Application::showException(QStringLiteral("Unknown error"));
  }
  return 1;
}
