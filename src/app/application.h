#pragma once

#include <QApplication>
#include <QString>

class QCoreApplication;

namespace qm {

// The application object: an exception that escapes an event handler is
// shown in an error box and the program goes on, instead of ending it.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    static void showException(const QString &what);
};

// The program's version, as the build names it ("2.0.0").
QString programVersion();

} // namespace qm
