#include "console_intake.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_util.h"

namespace ljrun {
namespace {

using namespace std::string_literals;

// A stream that reads `bytes`.
std::FILE* stream_of(const std::string& bytes) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

std::vector<std::string> lines_of(const std::string& bytes) {
  std::FILE* f = stream_of(bytes);
  std::vector<std::string> lines;
  std::string line = "stale";
  while (read_line(f, line)) lines.push_back(line);
  EXPECT_EQ(line, "");
  std::fclose(f);
  return lines;
}

TEST(ReadLine, SplitsLinesOfAnyLength) {
  using Lines = std::vector<std::string>;
  struct Case {
    std::string in;
    Lines want;
  };
  const Case cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"last line without end", {"last line without end"}},
      {"\n\n", {"", ""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"\r\n", {""}},
      {"a\rb\n", {"a\rb"}},
      {"cr at the end\r", {"cr at the end\r"}},
      {"a\r\r\n", {"a\r"}},
      {std::string(5000, 'x') + "\nEND\n", {std::string(5000, 'x'), "END"}},
      {"ab\0cd\nef"s, {"ab", "ef"}},
      {"\0\n"s, {""}},
      {" \t END \t\n", {" \t END \t"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lines_of(c.in), c.want) << test::shown(c.in);
  }
}

TEST(TakeConsole, CollectsEchoesAndStopsAtEnd) {
  RunState st;
  std::FILE* in = stream_of("END\n\nx = 1\r\n  y = 2\nEND\nnot read\n");
  std::FILE* out = std::tmpfile();
  take_console(st, in, out);
  EXPECT_EQ(st.buf, "END\nx = 1\n  y = 2\n");
  EXPECT_EQ(st.bin_mode, 0);

  std::string echoed(100, '\0');
  std::rewind(out);
  echoed.resize(std::fread(echoed.data(), 1, echoed.size(), out));
  EXPECT_EQ(echoed, "input string\nEND\nx = 1\n  y = 2\n\n");

  std::string rest;
  EXPECT_TRUE(read_line(in, rest));
  EXPECT_EQ(rest, "not read");
  std::fclose(in);
  std::fclose(out);
}

}  // namespace
}  // namespace ljrun
