// main() of the tests of the engine: Qt Core alone (an event loop for the
// driver's messages and the timers, no widget), and each test in its own
// temporary folder, which is also its XDG_CONFIG_HOME.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "support/FreshFolderPerTest.h"

int main(int argc, char** argv)
{
    testing::InitGoogleMock(&argc, argv);
    QCoreApplication app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new vexlar::test::FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
