#include "file_intake.h"

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace ljrun {
namespace {

using namespace std::string_literals;

TEST(BytecodeSignature, OnlySecondAndThirdBytesCount) {
  struct Case {
    std::string head;
    bool bytecode;
  };
  const Case cases[] = {
      {"", false},     {"x", false},      {"xL", false},  {"\x1bLJ", true},    {"xLJ", true},
      {"\0LJ"s, true}, {"LJ\x1b", false}, {"xlj", false}, {"\x1bLuaQ", false}, {"xJL", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(has_bytecode_signature(c.head), c.bytecode) << test::shown(c.head);
  }
}

TEST(TakeFile, TextIsCollectedAndBytecodeIsNot) {
  test::ScopedTempDir dir;
  dir.write("text.lua", "return 1\n\0gone\nreturn 2"s);
  dir.write("code.luac", test::bytecode_of("return 1"));

  RunState text;
  ASSERT_TRUE(take_file(text, (dir.cwd() / "text.lua").c_str()));
  EXPECT_EQ(text.bin_mode, 0);
  EXPECT_EQ(text.buf, "return 1\nreturn 2");

  RunState code;
  ASSERT_TRUE(take_file(code, (dir.cwd() / "code.luac").c_str()));
  EXPECT_EQ(code.bin_mode, 1);
  EXPECT_EQ(code.buf, "");
}

TEST(TakeFile, DirectoryAndMissingFileAreRefused) {
  test::ScopedTempDir dir;
  RunState st;
  EXPECT_FALSE(take_file(st, dir.cwd().c_str()));
  EXPECT_FALSE(take_file(st, (dir.cwd() / "missing").c_str()));
  EXPECT_EQ(st.buf, "");
}

}  // namespace
}  // namespace ljrun
