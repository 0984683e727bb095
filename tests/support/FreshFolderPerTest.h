#pragma once
// Gives each test its own temporary folder, both its working folder and its
// XDG_CONFIG_HOME, so no test sees another's settings or files.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/TempDir.h"

namespace vexlar::test {

class FreshFolderPerTest : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override;
    void OnTestEnd(const testing::TestInfo&) override;

private:
    std::unique_ptr<TempDir> folder_;
    std::filesystem::path previous_;
};

}  // namespace vexlar::test
