#include "remote/native_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NativePathTest, RecognisesUtf8) {
  struct row {
    std::string text;
    bool valid;
  };
  const std::vector<row> rows = {
      {"", true},
      {"Song A", true},
      {"Caf\xC3\xA9", true},                  // é
      {"\xE6\x9B\xB2", true},                 // a CJK character
      {"\xF0\x9F\x8E\xB5 note", true},        // outside the basic plane
      {"Caf\xE9", false},                     // é in a Western code page
      {"\x83\x5A\x83\x8B", false},            // a Shift-JIS name
      {"\xC3", false},                        // cut short
      {"\xE6\x9B", false},
      {"\xC0\xAF", false},                    // overlong "/"
      {"\xE0\x80\xAF", false},                // overlong, three bytes
      {"\xED\xA0\x80", false},                // a surrogate
      {"\xF4\x90\x80\x80", false},            // above U+10FFFF
      {"\x80", false},                        // a lone continuation byte
      {"\xC3\xA9\xFF", false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(r.valid, is_valid_utf8(r.text));
    EXPECT_EQ(r.valid ? name_encoding::utf8 : name_encoding::ansi_code_page,
              choose_name_encoding(r.text));
  }
}

TEST(NativePathTest, SplitsComponents) {
  EXPECT_EQ((std::vector<std::string>{"..", "Songs", "Pack 1", "Song.mp3"}),
            split_path_components("../Songs/Pack 1/Song.mp3"));
  EXPECT_EQ((std::vector<std::string>{"x"}), split_path_components("/x/"));
  EXPECT_EQ((std::vector<std::string>{}), split_path_components(""));
}

TEST(NativePathTest, LongPathPrefix) {
  struct row {
    std::wstring full, expected;
  };
  const std::vector<row> rows = {
      {L"C:\\Games\\Korvanth\\Songs\\a.mp3", L"\\\\?\\C:\\Games\\Korvanth\\Songs\\a.mp3"},
      {L"z:\\x", L"\\\\?\\z:\\x"},
      {L"\\\\server\\share\\Korvanth\\a", L"\\\\?\\UNC\\server\\share\\Korvanth\\a"},
      {L"\\\\?\\C:\\already", L"\\\\?\\C:\\already"},
      {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
      {L"relative\\x", L"relative\\x"},
  };
  for (const row& r : rows) EXPECT_EQ(r.expected, add_long_path_prefix(r.full));
}

}  // namespace
