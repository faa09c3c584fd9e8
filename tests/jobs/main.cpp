#include <QCoreApplication>

#include <gtest/gtest.h>

// The runner hands steps to the thread that owns it through the event loop,
// so the tests need an application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
