#include "waitidle.h"

#include <QCoreApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

bool WaitUntilIdle(qm::JobRunner &runner, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (runner.isActive() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !runner.isActive();
}

// The runner hands steps to the thread that owns it through the event loop,
// so the tests need an application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The write jobs keep their journal in the data folder: never the user's.
    QTemporaryDir data;
    if (!data.isValid())
        return 1;
    qputenv("QUILLMARK_DATA_DIR", QFile::encodeName(data.path()));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
