#include "publish/staging.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/temp_dir.h"

namespace {

class StagingTest : public testing::Test {
 protected:
  void SetUp() override { staging_ = make_temp_dir(); }
  void TearDown() override { remove_tree(staging_); }

  void stage(std::string relative) { write_file(staging_ + "/" + relative, "content of " + relative); }

  // The entries of one category as "name|second:kind,kind;".
  std::string list_entries(const staging_scan& scan, category_id id) {
    std::string text;
    for (const staged_category& staged : scan.categories) {
      if (staged.category.id != id) continue;
      for (const staged_entry& entry : staged.entries) {
        text += entry.entry.name + "|" + entry.entry.second + ":";
        for (const staged_file& file : entry.files) text += file.kind + ",";
        text += ";";
      }
    }
    return text;
  }

  std::string staging_;
};

TEST_F(StagingTest, SortsEveryFileIntoTheEntryThatInstallsItThere) {
  for (const char* relative :
       {"Songs/Pack A/Song One/Song One.ogg", "Songs/Pack A/Song One/Song One.mp3",
        "Songs/Pack A/Song One/Song One-bg.png", "Songs/Pack B/Two/Two.kv",
        "Courses/nonstop/Race.crs", "Courses/oni/Hard-desc.png", "CDTitles/Logo.png",
        "Themes/Velmoor/metrics.ini", "Themes/Velmoor/fonts.ini", "Program/Korvanth.exe",
        "Program/helper.dll", "Data/readme.txt", "readme.txt", "Data/Sub/README.TXT"})
    stage(relative);
  staging_scan scan = scan_staging(staging_);
  ASSERT_EQ(scan.problems, std::vector<std::string>());
  ASSERT_EQ(scan.categories.size(), list_categories().size());
  EXPECT_EQ(list_entries(scan, category_id::songs),
            "Song One|Pack A:.mp3,-bg.png,.ogg,;Two|Pack B:.kv,;");  // in the kinds' order
  EXPECT_EQ(list_entries(scan, category_id::nonstops), "Race|:.crs,;");
  EXPECT_EQ(list_entries(scan, category_id::onis), "Hard|:-desc.png,;");
  EXPECT_EQ(list_entries(scan, category_id::cdtitles), "Logo|:.png,;");
  EXPECT_EQ(list_entries(scan, category_id::metrics), "metrics|:.ini,;");
  EXPECT_EQ(list_entries(scan, category_id::ejecutable), "Korvanth|:.exe,;");
  // Other files keep their place; their server names are flat and unique,
  // also where case is ignored.
  EXPECT_EQ(list_entries(scan, category_id::others),
            "README.TXT|..\\Data\\Sub\\README.TXT:,;"
            "2-readme.txt|..\\Data\\readme.txt:,;"
            "helper.dll|..\\Program\\helper.dll:,;"
            "fonts.ini|..\\Themes\\Velmoor\\fonts.ini:,;"
            "3-readme.txt|..\\readme.txt:,;");
  EXPECT_EQ(count_staged_entries(scan), 12u);
  for (const staged_category& staged : scan.categories)
    for (const staged_entry& entry : staged.entries)
      for (const staged_file& file : entry.files) EXPECT_TRUE(path_exists(file.source)) << file.source;
}

TEST_F(StagingTest, GivesACourseFileToTheCourseOtherFilesName) {
  for (const char* relative : {"Courses/nonstop/Race.crs", "Courses/nonstop/Race-card.png",
                               "Courses/nonstop/Solo-card.png", "Courses/oni/Duo-card.crs",
                               "Courses/oni/Duo-card.png"})
    stage(relative);
  staging_scan scan = scan_staging(staging_);
  ASSERT_EQ(scan.problems, std::vector<std::string>());
  EXPECT_EQ(list_entries(scan, category_id::nonstops), "Race|:.crs,-card.png,;Solo|:-card.png,;");
  EXPECT_EQ(list_entries(scan, category_id::onis), "Duo-card|:.crs,.png,;");
}

TEST_F(StagingTest, RefusesWhatTheUpdaterCannotCarry) {
  struct example {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::string expected;  // a piece of a problem line, after the staging folder
  };
  const example examples[] = {
      {{}, {}, ": holds nothing to publish"},
      {{}, {"Songs/Pack/Song"}, "/Songs/Pack/Song: holds no file"},
      {{"Songs/Pack/Song/Song.MP3"}, {}, "/Songs/Pack/Song/Song.MP3: is no file the updater"},
      {{"Songs/Pack/Song/Song.mp3", "Songs/Pack/Song/notes.txt"}, {}, "/Songs/Pack/Song/notes.txt: is no file"},
      {{"Songs/readme.txt"}, {}, "/Songs/readme.txt: is no file"},
      {{"Songs/Pack/Song.mp3"}, {}, "/Songs/Pack/Song.mp3: is no file"},
      {{"Courses/marathon/Long.crs"}, {}, "/Courses/marathon/Long.crs: is no file"},
      {{"CDTitles/Logo.jpg"}, {}, "/CDTitles/Logo.jpg: is no file"},
      {{"Songs/P1/Same/Same.mp3", "Songs/P2/Same/Same.ogg"}, {}, "/Songs/P2/Same/Same.ogg: another entry named \"Same\""},
      {{"Songs/Pack/50%/50%.mp3"}, {}, "/Songs/Pack/50%: the name holds \"%\""},
      {{"CDTitles/A#1.png"}, {}, "/CDTitles/A#1.png: the name holds \"#\""},
      {{"Data/why?.txt"}, {}, "/Data/why?.txt: the name holds \"?\""},
      {{"Data/cr\r.txt"}, {}, "/Data/cr\r.txt: the name holds a control character"},
      {{"Data/back\\slash.txt"}, {}, "/Data/back\\slash.txt: the name holds a path separator"},
      {{"Data/dot."}, {}, "/Data/dot.: the name ends in a space or a full stop"},
      {{"Data/data_version.bin"}, {}, "/Data/data_version.bin: it is the installed version record"},
      {{"Courses/oni/Hard .crs"}, {}, "/Courses/oni/Hard .crs: as the entry \"Hard \": the name ends in a space"},
  };
  for (const example& e : examples) {
    std::string staging = make_temp_dir();
    for (const std::string& file : e.files) write_file(staging + "/" + file, "x");
    for (const std::string& folder : e.folders) std::filesystem::create_directories(staging + "/" + folder);
    staging_scan scan = scan_staging(staging);
    std::string problems;
    for (const std::string& problem : scan.problems) problems += problem + "\n";
    EXPECT_NE(problems.find(staging + e.expected), std::string::npos)
        << "expected \"" << e.expected << "\" in:\n" << problems;
    remove_tree(staging);
  }
}

TEST_F(StagingTest, RefusesLinksAndAMissingFolder) {
  stage("Data/real.txt");
  ASSERT_EQ(symlink((staging_ + "/Data/real.txt").c_str(), (staging_ + "/Data/link.txt").c_str()), 0);
  staging_scan scan = scan_staging(staging_);
  ASSERT_EQ(scan.problems.size(), 1u);
  EXPECT_EQ(scan.problems[0], staging_ + "/Data/link.txt: is a symbolic link; stage the file itself");

  scan = scan_staging(staging_ + "/missing");
  ASSERT_EQ(scan.problems.size(), 1u);
  EXPECT_EQ(scan.problems[0], staging_ + "/missing: is not a folder");
}

}  // namespace
