#include "copy_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "test_util.h"

namespace ljrun {
namespace {

TEST(Copy, CreatesAndReplaces) {
  test::ScopedTempDir dir;
  const std::string name = (dir.cwd() / "tmp.lua").string();
  Copy first("first\n", name.c_str());
  ASSERT_TRUE(first.save());
  EXPECT_EQ(dir.read("tmp.lua"), "first\n");
  Copy empty("", name.c_str());
  ASSERT_TRUE(empty.save());
  EXPECT_EQ(dir.read("tmp.lua"), "");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

TEST(Copy, DirectoryInTheWayLeavesNothingBehind) {
  test::ScopedTempDir dir;
  std::filesystem::create_directory(dir.cwd() / "tmp.lua");
  Copy copy("text", (dir.cwd() / "tmp.lua").c_str());
  EXPECT_FALSE(copy.save());
  EXPECT_TRUE(std::filesystem::is_directory(dir.cwd() / "tmp.lua"));
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

TEST(Copy, LeftoverTemporaryNamesAreSkippedAndKept) {
  test::ScopedTempDir dir;
  const std::string prefix = "tmp.lua." + std::to_string(getpid()) + ".";
  std::vector<std::string> want = {"tmp.lua"};
  for (int i = 0; i < 12; ++i) {
    dir.write(prefix + std::to_string(i), "leftover");
    want.push_back(prefix + std::to_string(i));
  }
  Copy copy("text", (dir.cwd() / "tmp.lua").c_str());
  ASSERT_TRUE(copy.save());
  EXPECT_EQ(dir.read("tmp.lua"), "text");
  EXPECT_EQ(dir.read(prefix + "0"), "leftover");
  std::sort(want.begin(), want.end());
  EXPECT_EQ(dir.files(), want);
}

// The copy can be saved again, as the run and a signal handler might.
TEST(Copy, SavesAgainWithTheSameNames) {
  test::ScopedTempDir dir;
  Copy copy("text", (dir.cwd() / "tmp.lua").c_str());
  ASSERT_TRUE(copy.save());
  ASSERT_TRUE(copy.save());
  EXPECT_EQ(dir.read("tmp.lua"), "text");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

}  // namespace
}  // namespace ljrun
