#include "copy_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "test_util.h"

namespace ljrun {
namespace {

TEST(SaveCopy, CreatesAndReplaces) {
  test::ScopedTempDir dir;
  const std::string name = (dir.cwd() / "tmp.lua").string();
  ASSERT_TRUE(save_copy("first\n", name.c_str()));
  EXPECT_EQ(dir.read("tmp.lua"), "first\n");
  ASSERT_TRUE(save_copy("", name.c_str()));
  EXPECT_EQ(dir.read("tmp.lua"), "");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

TEST(SaveCopy, DirectoryInTheWayLeavesNothingBehind) {
  test::ScopedTempDir dir;
  std::filesystem::create_directory(dir.cwd() / "tmp.lua");
  EXPECT_FALSE(save_copy("text", (dir.cwd() / "tmp.lua").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(dir.cwd() / "tmp.lua"));
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

TEST(SaveCopy, LeftoverTemporaryNameIsSkippedAndKept) {
  test::ScopedTempDir dir;
  const std::string leftover = "tmp.lua." + std::to_string(getpid()) + ".0";
  dir.write(leftover, "leftover");
  ASSERT_TRUE(save_copy("text", (dir.cwd() / "tmp.lua").c_str()));
  EXPECT_EQ(dir.read("tmp.lua"), "text");
  EXPECT_EQ(dir.read(leftover), "leftover");
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"tmp.lua", leftover}));
}

}  // namespace
}  // namespace ljrun
