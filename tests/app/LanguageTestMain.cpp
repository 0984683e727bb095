// main() of the tests that run the program in a language whose numbers are
// written with a decimal comma. As on an operator's German desktop, the
// language is in the environment before the program's own application
// object starts and takes it from there.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "app/VexlarApp.h"
#include "support/DecimalCommaLanguage.h"
#include "support/FreshFolderPerTest.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleMock(&argc, argv);
    vexlar::test::DecimalCommaLanguage comma;
    if (!comma.made()) {
        std::fprintf(stderr, "%s\n", comma.failure().c_str());
        return 1;
    }
    for (const char* variable : {"LC_ALL", "LANG", "LANGUAGE", "LC_MESSAGES"})
        unsetenv(variable);
    setenv("LC_NUMERIC", vexlar::test::DecimalCommaLanguage::kName, 1);
    CVexlarApp app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new vexlar::test::FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
