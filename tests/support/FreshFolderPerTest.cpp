#include "support/FreshFolderPerTest.h"

#include <cstdlib>

namespace vexlar::test {

void FreshFolderPerTest::OnTestStart(const testing::TestInfo&)
{
    folder_ = std::make_unique<TempDir>();
    previous_ = std::filesystem::current_path();
    setenv("XDG_CONFIG_HOME", folder_->path().c_str(), 1);
    std::filesystem::current_path(folder_->path());
}

void FreshFolderPerTest::OnTestEnd(const testing::TestInfo&)
{
    std::filesystem::current_path(previous_);
    folder_.reset();
}

}  // namespace vexlar::test
