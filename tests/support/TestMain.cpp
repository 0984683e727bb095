// Shared main() of every test executable.
//
// Qt runs offscreen unless the environment says otherwise, and each test gets
// its own temporary folder that is both its working folder and its
// XDG_CONFIG_HOME, so no test sees another's settings or files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "support/FreshFolderPerTest.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new vexlar::test::FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
