#include "publish/check_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "publish/publish_version.h"
#include "tests/temp_dir.h"

namespace {

// Publishes 1.01 to 1.03 under a fresh root.
std::string make_good_tree() {
  std::string root = make_temp_dir();
  init_tree(root, 100);
  const std::vector<std::vector<std::string>> versions = {
      {"Songs/Pack A/Song One/Song One.mp3", "CDTitles/Logo.png", "Data/readme.txt",
       "Themes/Velmoor/metrics.ini"},
      {"Courses/nonstop/Race.crs", "Courses/nonstop/Race-card.png", "Program/Korvanth.exe"},
      {"Courses/oni/Hard.crs", "Songs/Pack B/Two/Two.ogg"},
  };
  for (const auto& files : versions) {
    std::string staging = make_temp_dir();
    for (const std::string& file : files) write_file(staging + "/" + file, file);
    publish_result result = add_version(root, staging);
    EXPECT_TRUE(result.ok) << testing::PrintToString(result.problems);
    remove_tree(staging);
  }
  return root;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(CheckTree, FindsNothingInATreeThePublisherWrote) {
  std::string root = make_good_tree();
  tree_check result = check_tree(root);
  EXPECT_EQ(join_lines(result.problems), "");
  EXPECT_EQ(result.summary, "version folders 1.01 to 1.03, current version 1.03");
  remove_tree(root);

  root = make_temp_dir();
  init_tree(root, 100);
  result = check_tree(root);
  EXPECT_EQ(join_lines(result.problems), "");
  EXPECT_EQ(result.summary, "no version folders, current version 1.00");
  remove_tree(root);
}

TEST(CheckTree, ReportsEachBreakageAtItsPath) {
  namespace fs = std::filesystem;
  struct example {
    std::string name;
    std::function<void(std::string game_data)> damage;
    std::string expected;  // a problem line after the root
  };
  const example examples[] = {
      {"no tree", [](std::string g) { fs::remove_all(g); }, "/game_data: is missing"},
      {"version file unreadable as a version",
       [](std::string g) { write_file(g + "/actual_version.txt", "latest"); },
       "/game_data/actual_version.txt: "},
      {"a version between missing", [](std::string g) { fs::remove_all(g + "/1.02"); },
       "/game_data/1.02: is missing"},
      {"the current version missing",
       [](std::string g) { write_file(g + "/actual_version.txt", "1.04"); },
       "/game_data/1.04: is missing"},
      {"a version above the current one",
       [](std::string g) { write_file(g + "/actual_version.txt", "1.02"); },
       "/game_data/1.03: lies above the current version 1.02"},
      {"left over from an add", [](std::string g) { fs::create_directory(g + "/.publishing-x1"); },
       "/game_data/.publishing-x1: is left over"},
      {"carriage returns",
       [](std::string g) { write_file(g + "/1.01/1.01_songs.txt", "Song One\r\nPack A\r\n"); },
       "/game_data/1.01/1.01_songs.txt: holds a carriage return"},
      {"byte-order mark",
       [](std::string g) { write_file(g + "/1.01/1.01_cdtitles.txt", "\xEF\xBB\xBFLogo\n"); },
       "/game_data/1.01/1.01_cdtitles.txt: begins with a byte-order mark"},
      {"blank line",
       [](std::string g) { write_file(g + "/1.01/1.01_cdtitles.txt", "Logo\n\nLogo2\n"); },
       "/game_data/1.01/1.01_cdtitles.txt: line 2 is blank"},
      {"no last line feed",
       [](std::string g) { write_file(g + "/1.02/1.02_nonstops.txt", "Race"); },
       "/game_data/1.02/1.02_nonstops.txt: the last line has no line feed"},
      {"half a pair",
       [](std::string g) { write_file(g + "/1.01/1.01_songs.txt", "Song One\nPack A\nTwo\n"); },
       "/game_data/1.01/1.01_songs.txt: has an odd number of lines"},
      {"flag with a line feed",
       [](std::string g) { write_file(g + "/1.01/1.01_metrics.txt", "1\n"); },
       "/game_data/1.01/1.01_metrics.txt: a flag must hold exactly \"1\""},
      {"flag without its file", [](std::string g) { fs::remove(g + "/1.02/Korvanth.exe"); },
       "/game_data/1.02/1.02_ejecutable.txt: \"Korvanth\": no file of it is present"},
      {"song without files", [](std::string g) { fs::remove_all(g + "/1.01/Songs/Song One"); },
       "/game_data/1.01/1.01_songs.txt: \"Song One\": no file of it is present"},
      {"other file missing", [](std::string g) { fs::remove(g + "/1.01/others_files/readme.txt"); },
       "/game_data/1.01/1.01_others.txt: \"readme.txt\": no file of it is present"},
      {"a name that needs escaping",
       [](std::string g) {
         write_file(g + "/1.01/1.01_cdtitles.txt", "Logo\n100%\n");
         write_file(g + "/1.01/CDTitles/100%.png", "x");
       },
       "/game_data/1.01/1.01_cdtitles.txt: \"100%\": the name holds \"%\""},
      {"a local path outside the installation",
       [](std::string g) {
         write_file(g + "/1.01/1.01_others.txt", "readme.txt\n..\\..\\readme.txt\n");
       },
       "/game_data/1.01/1.01_others.txt: \"..\\..\\readme.txt\": the path leads outside"},
      {"the version record as an other file",
       [](std::string g) {
         write_file(g + "/1.01/1.01_others.txt", "readme.txt\n..\\Data\\data_version.bin\n");
       },
       "/game_data/1.01/1.01_others.txt: \"..\\Data\\data_version.bin\": it is the installed"},
      {"listed twice",
       [](std::string g) { write_file(g + "/1.01/1.01_cdtitles.txt", "Logo\nLogo\n"); },
       "/game_data/1.01/1.01_cdtitles.txt: \"Logo\" is listed twice"},
      {"an error page",
       [](std::string g) {
         write_file(g + "/1.01/1.01_cdtitles.txt", "<!DOCTYPE HTML PUBLIC \"x\">\n");
       },
       "/game_data/1.01/1.01_cdtitles.txt: begins like a server error page"},
      {"unreadable for the web server",
       [](std::string g) { chmod((g + "/1.03/Courses/oni/Hard.crs").c_str(), 0600); },
       "/game_data/1.03/Courses/oni/Hard.crs: is not readable by other users"},
      {"folder closed to the web server",
       [](std::string g) { chmod((g + "/1.02").c_str(), 0700); },
       "/game_data/1.02: is not readable by other users"},
  };
  for (const example& e : examples) {
    std::string root = make_good_tree();
    e.damage(root + "/game_data");
    tree_check result = check_tree(root);
    std::string problems = join_lines(result.problems);
    EXPECT_NE(problems.find(root + e.expected), std::string::npos)
        << e.name << ": expected \"" << e.expected << "\" in:\n" << problems;
    remove_tree(root);
  }
}

}  // namespace
