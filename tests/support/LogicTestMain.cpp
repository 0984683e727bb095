// Shared main() of the tests of pure logic: no Qt at all. Each test still
// gets its own temporary folder as its working folder and XDG_CONFIG_HOME.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/FreshFolderPerTest.h"

int main(int argc, char** argv)
{
    testing::InitGoogleMock(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new vexlar::test::FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
