#include "categories/local_path.h"

#include <gtest/gtest.h>

TEST(LocalPathTest, PathsInsideTheInstallation) {
  struct { const char* path; const char* mapped; } cases[] = {
      {"..\\Songs\\Pack 1\\Song A\\Song A.mp3", "../Songs/Pack 1/Song A/Song A.mp3"},
      {"..\\Data\\readme.txt", "../Data/readme.txt"},
      {"../Data/readme.txt", "../Data/readme.txt"},
      {"notes.txt", "notes.txt"},  // the updater's own folder is inside too
      {"..\\Songs\\\\Song B\\Song B.mp3", "../Songs/Song B/Song B.mp3"},
      {".\\..\\.\\Data\\x", "../Data/x"},
      {"..\\a\\..\\b", "../b"},
      // No folder is made on the way to a name that ".." takes back.
      {"Data\\..\\..\\x.txt", "../x.txt"},
      {"..\\Songs\\Caf\xC3\xA9\\Caf\xE9.mp3", "../Songs/Caf\xC3\xA9/Caf\xE9.mp3"},
      {"..\\Songs\\.hidden\\CONSOLE.mp3", "../Songs/.hidden/CONSOLE.mp3"},
  };
  for (const auto& c : cases) {
    local_path_result result = map_local_path(c.path);
    EXPECT_TRUE(result.safe) << c.path << ": " << result.why;
    EXPECT_EQ(c.mapped, result.path);
  }
}

TEST(LocalPathTest, PathsThatLeaveOrNameNothing) {
  const char* cases[] = {
      "..\\..\\x",     "../../x",      "..\\a\\..\\..\\x", "C:\\x",         "c:x",
      "\\x",           "/etc/passwd",  "\\\\server\\share\\x", "",         "..",
      "..\\Data\\",    "..\\Da\nta\\x", "..\\Data\\x\r",   "..\\x\x7f",     ".",
      "Data\\..\\..\\..\\x", "..\\Songs\\CON\\a.mp3", "..\\Songs\\x\\nul.mp3",
      "..\\Data\\a?.txt", "..\\Songs\\Pack.\\a",
  };
  for (const char* path : cases) {
    local_path_result result = map_local_path(path);
    EXPECT_FALSE(result.safe) << '"' << path << "\" mapped to " << result.path;
    EXPECT_FALSE(result.why.empty());
  }
}

TEST(LocalPathTest, PlainNames) {
  for (const char* name : {"Song A", "caf\xC3\xA9", "a.b", "...x"})
    EXPECT_EQ("", check_plain_name(name)) << name;
  for (const char* name : {"", ".", "..", "a\\b", "a/b", "a:b", "a\rb", "\tx"})
    EXPECT_NE("", check_plain_name(name)) << name;
}

TEST(LocalPathTest, NamesWindowsCannotStore) {
  for (const char* name : {"Song A", "Caf\xC3\xA9", "Caf\xE9", ".hidden", "CONSOLE", "COM10",
                           "LPT0", "a.b", "NUL_", "x.CON"})
    EXPECT_EQ("", check_storable_name(name)) << name;
  for (const char* name : {"a<b", "a>b", "a:b", "a\"b", "a|b", "a?b", "a*b", "a\\b", "a/b",
                           "a\x01", "dot.", "space ", "...", "CON", "con", "Con.txt",
                           "NUL.tar.gz", "aux", "PRN.mp3", "COM1", "com9.ini", "LPT1", "lpt9.x",
                           "COM\xC2\xB9", "CON .txt"})
    EXPECT_NE("", check_storable_name(name)) << name;
}

TEST(LocalPathTest, JoinPath) {
  EXPECT_EQ("../x", join_path(".", "../x"));
  EXPECT_EQ("/tmp/u/../x", join_path("/tmp/u", "../x"));
  EXPECT_EQ("/tmp/u/../x", join_path("/tmp/u/", "../x"));
}
