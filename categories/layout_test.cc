#include "categories/layout.h"

#include <gtest/gtest.h>

TEST(LayoutTest, FolderTextOfVersions) {
  struct { long long hundredths; const char* text; } cases[] = {
      {101, "1.01"}, {110, "1.1"}, {200, "2"}, {5, "0.05"}, {1230, "12.3"},
      {0, "0"}, {99999, "999.99"}, {1001, "10.01"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, to_str(c.hundredths)) << c.hundredths;
}

TEST(LayoutTest, VersionWithTwoDecimals) {
  struct { long long hundredths; const char* text; } cases[] = {
      {110, "1.10"}, {0, "0.00"}, {5, "0.05"}, {999, "9.99"}, {99999, "999.99"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, format_version(c.hundredths));
}

TEST(LayoutTest, SplitKeepsEveryPiece) {
  struct { const char* text; std::vector<std::string> pieces; } cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b", ""}},
      {"\n\n", {"", "", ""}},
      {"a\r\nb", {"a\r", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.pieces, split(c.text, "\n")) << c.text;
}

TEST(LayoutTest, ReplaceEveryOccurrence) {
  EXPECT_EQ("Song%20A%20B", replace("Song A B", " ", "%20"));
  EXPECT_EQ("abc", replace("abc", " ", "%20"));
  EXPECT_EQ("aaaa", replace("aa", "a", "aa"));  // a replacement holding the pattern ends
}

TEST(LayoutTest, EscapeLeavesNoByteThatChangesTheUrl) {
  struct { const char* text; const char* escaped; } cases[] = {
      {"1.01/Songs/Song A/Song A.mp3", "1.01/Songs/Song%20A/Song%20A.mp3"},
      {"a%b#c?d", "a%25b%23c%3Fd"},
      {"tab\there\r", "tab%09here%0D"},
      {"caf\xC3\xA9", "caf%C3%A9"},
      {"Songs/[x]&(y)+z~'!", "Songs/[x]&(y)+z~'!"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.escaped, escape_url_path(c.text));
}

TEST(LayoutTest, ServerBase) {
  EXPECT_EQ("host/game_data/", get_server_base("host"));
  EXPECT_EQ("http://127.0.0.1:8080/game_data/", get_server_base("http://127.0.0.1:8080/"));
}

TEST(LayoutTest, ManifestAddresses) {
  std::string base = "h/game_data/";
  EXPECT_EQ("h/game_data/1.1/1.1_songs.txt",
            get_manifest_url(base, describe_category(category_id::songs), 110));
  EXPECT_EQ("h/game_data/2/2_ejecutable.txt",
            get_manifest_url(base, describe_category(category_id::ejecutable), 200));
  EXPECT_EQ("h/game_data/0.05/0.05_others.txt",
            get_manifest_url(base, describe_category(category_id::others), 5));
}

TEST(LayoutTest, CategoriesInTheirOrder) {
  std::vector<std::string> procedures;
  for (const category_info& category : list_categories()) procedures.push_back(category.procedure);
  EXPECT_EQ((std::vector<std::string>{"get_songs", "get_nonstops", "get_onis", "get_cdtitles",
                                      "get_metrics", "get_ejecutable", "get_others"}),
            procedures);
}

TEST(LayoutTest, FilesOfEachCategory) {
  struct {
    category_id id;
    manifest_entry entry;
    std::string kind;
    const char* url;
    const char* local;
  } cases[] = {
      {category_id::songs, {"Song A", "Pack 1"}, "-bg.png",
       "b/1.01/Songs/Song%20A/Song%20A-bg.png", "..\\Songs\\Pack 1\\Song A\\Song A-bg.png"},
      {category_id::nonstops, {"Course 1", ""}, "-card.png",
       "b/1.01/Courses/nonstop/Course%201-card.png", "..\\Courses\\nonstop\\Course 1-card.png"},
      {category_id::onis, {"O", ""}, ".crs", "b/1.01/Courses/oni/O.crs",
       "..\\Courses\\oni\\O.crs"},
      {category_id::cdtitles, {"Label", ""}, ".png", "b/1.01/CDTitles/Label.png",
       "..\\CDTitles\\Label.png"},
      {category_id::metrics, {"metrics", ""}, ".ini", "b/1.01/metrics.ini",
       "..\\Themes\\Velmoor\\metrics.ini"},
      {category_id::ejecutable, {"Korvanth", ""}, ".exe", "b/1.01/Korvanth.exe",
       "..\\Program\\Korvanth.exe"},
      {category_id::others, {"read me.txt", "..\\Data\\readme.txt"}, "",
       "b/1.01/others_files/read%20me.txt", "..\\Data\\readme.txt"},
  };
  for (const auto& c : cases) {
    category_info category = describe_category(c.id);
    EXPECT_EQ(c.url, get_file_url("b/", category, 101, c.entry, c.kind)) << category.procedure;
    EXPECT_EQ(c.local, get_local_file(category, c.entry, c.kind)) << category.procedure;
  }
}

TEST(LayoutTest, FoldersOutermostFirst) {
  EXPECT_EQ((std::vector<std::string>{"..\\Songs", "..\\Songs\\P", "..\\Songs\\P\\S"}),
            list_folders_to_create(describe_category(category_id::songs), {"S", "P"}));
  EXPECT_EQ((std::vector<std::string>{"..\\Themes", "..\\Themes\\Velmoor"}),
            list_folders_to_create(describe_category(category_id::metrics), {"metrics", ""}));
  EXPECT_TRUE(list_folders_to_create(describe_category(category_id::others), {"a", "..\\a"}).empty());
}
