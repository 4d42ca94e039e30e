#include "publish/publish_version.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/temp_dir.h"

namespace {

class PublishVersionTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = make_temp_dir();
    staging_ = make_temp_dir();
  }
  void TearDown() override {
    remove_tree(root_);
    remove_tree(staging_);
  }

  void stage(std::string relative) { write_file(staging_ + "/" + relative, "content of " + relative); }
  std::string game_data(std::string relative) { return root_ + "/game_data/" + relative; }

  // Everything under the root, names and contents, to see that nothing changed.
  std::string snapshot() {
    std::string text;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      text += entry.path().string() + "\n";
      if (entry.is_regular_file()) text += read_file(entry.path().string()) + "\n";
    }
    return text;
  }

  std::string root_;
  std::string staging_;
};

TEST_F(PublishVersionTest, InitWritesTheVersionWithTwoDecimalsOnce) {
  publish_result result = init_tree(root_ + "/new/root", 100);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(read_file(root_ + "/new/root/game_data/actual_version.txt"), "1.00");

  ASSERT_TRUE(init_tree(root_, 250).ok);
  EXPECT_EQ(read_file(game_data("actual_version.txt")), "2.50");
  EXPECT_EQ(list_files(root_ + "/game_data"), "actual_version.txt\n");
  EXPECT_EQ(read_current_version(root_).hundredths, 250);

  result = init_tree(root_, 100);
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.problems[0], root_ + "/game_data: already exists; a tree is started once");
  EXPECT_EQ(read_file(game_data("actual_version.txt")), "2.50");
}

TEST_F(PublishVersionTest, AddPublishesFilesAndManifestsTheWayTheUpdaterReadsThem) {
  ASSERT_TRUE(init_tree(root_, 100).ok);
  for (const char* relative :
       {"Songs/Pack A/Song One/Song One.mp3", "Songs/Pack A/Song One/Song One-bg.png",
        "Songs/Pack B/Two/Two.ogg", "CDTitles/Logo.png", "Program/Korvanth.exe",
        "Data/readme.txt"})
    stage(relative);
  publish_result result = add_version(root_, staging_);
  ASSERT_TRUE(result.ok) << testing::PrintToString(result.problems);
  EXPECT_EQ(result.hundredths, 101);
  EXPECT_EQ(read_file(game_data("actual_version.txt")), "1.01");
  // No metrics, no courses: no manifest for them.
  EXPECT_EQ(list_files(game_data("1.01")),
            "1.01_cdtitles.txt\n1.01_ejecutable.txt\n1.01_others.txt\n1.01_songs.txt\n"
            "CDTitles/Logo.png\nKorvanth.exe\nSongs/Song One/Song One-bg.png\n"
            "Songs/Song One/Song One.mp3\nSongs/Two/Two.ogg\nothers_files/readme.txt\n");
  EXPECT_EQ(read_file(game_data("1.01/1.01_songs.txt")), "Song One\nPack A\nTwo\nPack B\n");
  EXPECT_EQ(read_file(game_data("1.01/1.01_cdtitles.txt")), "Logo\n");
  EXPECT_EQ(read_file(game_data("1.01/1.01_ejecutable.txt")), "1");
  EXPECT_EQ(read_file(game_data("1.01/1.01_others.txt")), "readme.txt\n..\\Data\\readme.txt\n");
  EXPECT_EQ(read_file(game_data("1.01/Songs/Song One/Song One-bg.png")),
            "content of Songs/Pack A/Song One/Song One-bg.png");
  EXPECT_EQ(read_file(game_data("1.01/others_files/readme.txt")), "content of Data/readme.txt");
  // The web server runs as another user.
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(game_data("1.01/Songs/Two")).permissions() & fs::perms::all,
            static_cast<fs::perms>(0755));
  EXPECT_EQ(fs::status(game_data("1.01/Songs/Two/Two.ogg")).permissions() & fs::perms::all,
            static_cast<fs::perms>(0644));
  EXPECT_EQ(fs::status(game_data("actual_version.txt")).permissions() & fs::perms::all,
            static_cast<fs::perms>(0644));
}

TEST_F(PublishVersionTest, CountsVersionsInWholeHundredthsAndNamesFoldersByTheirText) {
  struct example {
    long long current;
    std::string folder;
    std::string version_file;
  };
  stage("Themes/Velmoor/metrics.ini");
  for (const example& e : {example{109, "1.1", "1.10"}, example{199, "2", "2.00"},
                           example{28, "0.29", "0.29"}, example{99998, "999.99", "999.99"}}) {
    std::string root = make_temp_dir();
    ASSERT_TRUE(init_tree(root, e.current).ok);
    publish_result result = add_version(root, staging_);
    EXPECT_TRUE(result.ok) << testing::PrintToString(result.problems);
    EXPECT_EQ(read_file(root + "/game_data/actual_version.txt"), e.version_file);
    EXPECT_EQ(list_files(root + "/game_data"),
              e.folder + "/" + e.folder + "_metrics.txt\n" + e.folder + "/metrics.ini\nactual_version.txt\n");
    remove_tree(root);
  }
  // Past the highest version the updater takes.
  std::string root = make_temp_dir();
  ASSERT_TRUE(init_tree(root, 99999).ok);
  EXPECT_FALSE(add_version(root, staging_).ok);
  EXPECT_EQ(list_files(root + "/game_data"), "actual_version.txt\n");
  remove_tree(root);
}

TEST_F(PublishVersionTest, ARefusedAddLeavesTheTreeAsItWas) {
  ASSERT_TRUE(init_tree(root_, 100).ok);
  stage("CDTitles/Logo.png");
  ASSERT_TRUE(add_version(root_, staging_).ok);
  std::string before = snapshot();

  struct example {
    std::string name;
    std::string setup;  // what to break
    std::string expected;
  };
  const example examples[] = {
      {"stray file", "stray", "Songs/readme.txt: is no file"},
      {"nothing to publish", "empty", ": holds nothing to publish"},
      {"next folder exists", "next folder", "/game_data/1.02: already exists"},
  };
  for (const example& e : examples) {
    std::string staging = make_temp_dir();
    write_file(staging + "/CDTitles/New.png", "new");
    if (e.setup == "stray") write_file(staging + "/Songs/readme.txt", "x");
    if (e.setup == "empty") std::filesystem::remove_all(staging + "/CDTitles");
    if (e.setup == "next folder") std::filesystem::create_directory(game_data("1.02"));
    std::string expected_tree = e.setup == "next folder" ? snapshot() : before;
    publish_result result = add_version(root_, staging);
    EXPECT_FALSE(result.ok) << e.name;
    std::string problems = testing::PrintToString(result.problems);
    EXPECT_NE(problems.find(e.expected), std::string::npos) << e.name << ": " << problems;
    EXPECT_EQ(snapshot(), expected_tree) << e.name;
    std::filesystem::remove(game_data("1.02"));
    remove_tree(staging);
  }

  // A file that vanishes after the scan fails the copy half way.
  write_file(staging_ + "/Songs/Pack/Song/Song.mp3", "x");
  write_file(staging_ + "/Songs/Pack/Song/Song.ogg", "y");
  staging_scan scan = scan_staging(staging_);
  ASSERT_TRUE(scan.problems.empty());
  std::filesystem::remove(staging_ + "/Songs/Pack/Song/Song.ogg");
  publish_result result = publish_staged(root_, scan);
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_NE(result.problems[0].find("Song.ogg: cannot copy"), std::string::npos) << result.problems[0];
  EXPECT_EQ(snapshot(), before);  // no temporary folder left either
}

TEST_F(PublishVersionTest, AddNeedsAStartedTree) {
  stage("CDTitles/Logo.png");
  publish_result result = add_version(root_, staging_);
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_NE(result.problems[0].find("start the tree with init"), std::string::npos);
  EXPECT_EQ(list_files(root_), "");
}

}  // namespace
