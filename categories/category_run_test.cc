#include "categories/category_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tests/fake_installation.h"

namespace {

struct CategoryRunTest : FakeInstallationTest {
  category_result run(category_id id, long long hundredths) {
    return run_category(describe_category(id), hundredths, target);
  }
};

TEST_F(CategoryRunTest, OneSongOfOneVersion) {
  publish_text(server, "1.01/1.01_songs.txt", "Song A\nPack 1\n");
  for (std::string kind : {".mp3", ".png", "-bg.png", ".kv", ".ogg"})
    publish_text(server, "1.01/Songs/Song%20A/Song%20A" + kind, "data" + kind);

  EXPECT_FALSE(run(category_id::songs, 101).failed);

  EXPECT_EQ(
      "\nLooking for new songs!\n"
      "\nDownloading new songs, please wait...\n"
      "\n0%\n"
      "100.00% downloaded\n"
      "\nNew songs added:\n\n"
      "Song A\n",
      out.str());
  EXPECT_EQ("", err.str());
  std::vector<std::string> expected = {server->base + "1.01/1.01_songs.txt"};
  for (std::string kind : {".mp3", ".png", "-bg.png", ".kv", ".ogg"})
    expected.push_back(server->base + "1.01/Songs/Song%20A/Song%20A" + kind);
  EXPECT_EQ(expected, server->requests);
  EXPECT_EQ("data-bg.png", read_file(root + "/Songs/Pack 1/Song A/Song A-bg.png"));
  EXPECT_EQ("Songs/Pack 1/Song A/Song A-bg.png\nSongs/Pack 1/Song A/Song A.kv\n"
            "Songs/Pack 1/Song A/Song A.mp3\nSongs/Pack 1/Song A/Song A.ogg\n"
            "Songs/Pack 1/Song A/Song A.png\nUpdater/keep\n",
            list_files(root));
}

TEST_F(CategoryRunTest, MissingManifestBringsNothing) {
  EXPECT_FALSE(run(category_id::songs, 110).failed);
  EXPECT_EQ("\nLooking for new songs!\n\nNo new songs in this update.\n\n", out.str());
  EXPECT_EQ(std::vector<std::string>{server->base + "1.1/1.1_songs.txt"}, server->requests);
  EXPECT_FALSE(path_exists(root + "/Songs"));
}

TEST_F(CategoryRunTest, EmptyManifestBringsNothing) {
  publish_text(server, "2/2_cdtitles.txt", "");
  EXPECT_FALSE(run(category_id::cdtitles, 200).failed);
  EXPECT_EQ("\nLooking for new CDTitles!\n\nNo new CDTitles in this update.\n\n", out.str());
}

TEST_F(CategoryRunTest, ProgressAndNamesFollowTheEntries) {
  publish_text(server, "1.01/1.01_nonstops.txt", "One\r\nTwo\r\n\r\nThree\r\n");
  publish_text(server, "1.01/Courses/nonstop/One.crs", "1");
  publish_text(server, "1.01/Courses/nonstop/Three-desc.png", "3");

  EXPECT_FALSE(run(category_id::nonstops, 101).failed);

  EXPECT_EQ(
      "\nLooking for new nonstops!\n"
      "\nDownloading new nonstops, please wait...\n"
      "\n0%\n"
      "33.33% downloaded\n"
      "66.67% downloaded\n"
      "100.00% downloaded\n"
      "\nNew nonstops added:\n\n"
      "One\n"
      "Three\n"
      "\nNot found on the server:\n\n"
      "Two\n",
      out.str());
  EXPECT_EQ("1", read_file(root + "/Courses/nonstop/One.crs"));
  // Folders are made before each attempt, also for an entry that never arrives.
  EXPECT_TRUE(path_exists(root + "/Courses/nonstop"));
}

TEST_F(CategoryRunTest, ProgressIsFormedInSinglePrecision) {
  char line[32];
  std::snprintf(line, sizeof line, "%.2f", compute_progress(47, 160));
  EXPECT_STREQ("29.38", line);
  std::snprintf(line, sizeof line, "%.2f", compute_progress(2, 3));
  EXPECT_STREQ("66.67", line);
}

TEST_F(CategoryRunTest, FailedManifestStopsTheCategory) {
  server->answers[server->base + "1.01/1.01_onis.txt"] = {transfer_outcome::failed, ""};
  category_result result = run(category_id::onis, 101);
  EXPECT_TRUE(result.failed);
  EXPECT_NE(std::string::npos, result.error.find("1.01/1.01_onis.txt"));
  EXPECT_EQ("\nLooking for new onis!\n", out.str());
}

TEST_F(CategoryRunTest, FailedFileStopsTheCategoryAtOnce) {
  publish_text(server, "1.01/1.01_cdtitles.txt", "A\nB\n");
  server->answers[server->base + "1.01/CDTitles/A.png"] = {transfer_outcome::failed, ""};
  category_result result = run(category_id::cdtitles, 101);
  EXPECT_TRUE(result.failed);
  EXPECT_NE(std::string::npos, result.error.find("CDTitles/A.png"));
  EXPECT_EQ(server->base + "1.01/CDTitles/A.png", server->requests.back());
  EXPECT_EQ(std::string::npos, out.str().find("New CDTitles added"));
}

TEST_F(CategoryRunTest, FlagsCountOnlyWhenExactlyOne) {
  publish_text(server, "1.01/1.01_ejecutable.txt", "1\n");
  EXPECT_FALSE(run(category_id::ejecutable, 101).failed);
  EXPECT_EQ("\nLooking for new executable!\n\nNo new executable in this update.\n\n", out.str());
  EXPECT_FALSE(path_exists(root + "/Program"));
}

TEST_F(CategoryRunTest, FlaggedFileReplacesTheLocalOne) {
  write_file(root + "/Themes/Velmoor/metrics.ini", "old");
  publish_text(server, "1.02/1.02_metrics.txt", "1");
  publish_text(server, "1.02/metrics.ini", "new");
  EXPECT_FALSE(run(category_id::metrics, 102).failed);
  EXPECT_EQ(
      "\nLooking for new metrics!\n"
      "\nDownloading new metrics, please wait...\n"
      "\n0%\n"
      "100.00% downloaded\n"
      "\nNew metrics added!\n\n",
      out.str());
  EXPECT_EQ("new", read_file(root + "/Themes/Velmoor/metrics.ini"));
}

TEST_F(CategoryRunTest, FlaggedFileMissingIsNoSuccess) {
  publish_text(server, "1.01/1.01_ejecutable.txt", "1");
  EXPECT_FALSE(run(category_id::ejecutable, 101).failed);
  EXPECT_EQ(std::string::npos, out.str().find("New executable installed!"));
  EXPECT_NE(std::string::npos, err.str().find("Korvanth.exe"));
  EXPECT_TRUE(path_exists(root + "/Program"));
}

TEST_F(CategoryRunTest, OtherFilesGoWhereTheirManifestSays) {
  publish_text(server, "1.01/1.01_others.txt", "read me.txt\n..\\Data\\Docs\\readme.txt\nx\nlocal.txt\n");
  publish_text(server, "1.01/others_files/read%20me.txt", "hello");
  publish_text(server, "1.01/others_files/x", "beside the updater");
  EXPECT_FALSE(run(category_id::others, 101).failed);
  EXPECT_EQ("hello", read_file(root + "/Data/Docs/readme.txt"));
  EXPECT_EQ("beside the updater", read_file(root + "/Updater/local.txt"));
  EXPECT_EQ(
      "\nLooking for other files!\n"
      "\nDownloading new files, please wait...\n"
      "\n0%\n"
      "50.00% downloaded\n"
      "100.00% downloaded\n"
      "\nNew files added!\n\n",
      out.str());
}

TEST_F(CategoryRunTest, HostileEntriesTouchNothing) {
  std::string outside = root + "/../korvanth-outside";
  publish_text(server, "1.01/1.01_others.txt",
               "a\n..\\..\\korvanth-outside\\a\nb\nC:\\b\nc\n\\c\nd\n..\\Data\\ok\n");
  publish_text(server, "1.01/others_files/a", "x");
  publish_text(server, "1.01/others_files/d", "fine");
  EXPECT_FALSE(run(category_id::others, 101).failed);
  EXPECT_FALSE(path_exists(outside));
  EXPECT_EQ("fine", read_file(root + "/Data/ok"));
  EXPECT_EQ((std::vector<std::string>{server->base + "1.01/1.01_others.txt",
                                      server->base + "1.01/others_files/d"}),
            server->requests);
  for (const char* name : {"\"a\"", "\"b\"", "\"c\""})
    EXPECT_NE(std::string::npos, err.str().find(name)) << err.str();
}

TEST_F(CategoryRunTest, SongNamesThatAreNotPlainAreSkipped) {
  publish_text(server, "1.01/1.01_songs.txt", "..\nPack\nSong\n..\\..\nGood\nPack\nOdd\n");
  EXPECT_FALSE(run(category_id::songs, 101).failed);
  EXPECT_FALSE(path_exists(root + "/Songs/Pack/..mp3"));
  EXPECT_NE(std::string::npos, err.str().find("\"Odd\""));  // the odd line is named
  EXPECT_NE(std::string::npos, err.str().find("skipped \"..\""));
  EXPECT_NE(std::string::npos, err.str().find("skipped \"Song\""));
  for (const std::string& url : server->requests)
    EXPECT_EQ(std::string::npos, url.find("Songs/..")) << url;
  EXPECT_TRUE(path_exists(root + "/Songs/Pack/Good"));
}

}  // namespace
