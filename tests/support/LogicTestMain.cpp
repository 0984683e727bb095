// Shared main() of the tests of pure logic: no Qt. Each test gets its own
// temporary folder that is both its working folder and its XDG_CONFIG_HOME,
// as under the main of the view tests.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/FreshFolderPerTest.h"

int main(int argc, char** argv)
{
    testing::InitGoogleMock(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new vexlar::test::FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
