// Shared main() of every test executable.
//
// Qt runs offscreen unless the environment says otherwise, and each test gets
// its own temporary folder that is both its working folder and its
// XDG_CONFIG_HOME, so no test sees another's settings or files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/TempDir.h"

namespace {

class FreshFolderPerTest : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override
    {
        folder_ = std::make_unique<vexlar::test::TempDir>();
        previous_ = std::filesystem::current_path();
        setenv("XDG_CONFIG_HOME", folder_->path().c_str(), 1);
        std::filesystem::current_path(folder_->path());
    }

    void OnTestEnd(const testing::TestInfo&) override
    {
        std::filesystem::current_path(previous_);
        folder_.reset();
    }

private:
    std::unique_ptr<vexlar::test::TempDir> folder_;
    std::filesystem::path previous_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
