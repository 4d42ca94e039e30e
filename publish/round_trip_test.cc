// Publishing with the publisher and installing with the updater's run, through
// a real Apache httpd: the two sides must agree on every place and format.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "categories/layout.h"
#include "driver/update_run.h"
#include "publish/check_tree.h"
#include "publish/publish_version.h"
#include "remote/transfer.h"
#include "tests/apache_server.h"
#include "tests/temp_dir.h"

namespace {

const char kUser[] = "2468024_roundtri";
const char kPassword[] = "RoundTripPass246.";

// Three versions as installation-relative paths; the last one replaces files
// the first brought.
const std::vector<std::vector<std::string>> kVersions = {
    {"Songs/Pack A/Song One/Song One.mp3", "Songs/Pack A/Song One/Song One-bg.png",
     "Songs/Pack A/Song One/Song One.kv", "Songs/Pack B/Canción/Canción.ogg",
     "Courses/nonstop/Race.crs", "Courses/nonstop/Race-card.png", "CDTitles/Logo.png",
     "Themes/Velmoor/metrics.ini", "Data/readme.txt"},
    {"Courses/oni/Hard Way.crs", "Courses/oni/Hard Way-desc.png", "Program/Korvanth.exe",
     "Data/Notes/readme.txt", "Songs/Pack B/Two/Two.png"},
    {"Songs/Pack A/Song One/Song One.mp3", "Themes/Velmoor/metrics.ini", "CDTitles/Other Logo.png",
     "notes (1).txt"},
};

TEST(PublishRoundTrip, TheUpdaterInstallsEveryPublishedFileAtItsPlace) {
  std::string dir = make_temp_dir();
  std::string www = dir + "/www";
  ASSERT_TRUE(init_tree(www, 100).ok);
  std::map<std::string, std::string> expected;  // installed path -> content
  for (size_t v = 0; v < kVersions.size(); ++v) {
    std::string staging = make_temp_dir();
    for (const std::string& file : kVersions[v]) {
      // Bytes of every value, so that no transfer may change them.
      std::string content = "version " + std::to_string(v) + " of " + file + "\r\n";
      for (int c = 0; c < 256; ++c) content += static_cast<char>(c);
      write_file(staging + "/" + file, content);
      expected[file] = content;
    }
    publish_result result = add_version(www, staging);
    remove_tree(staging);
    ASSERT_TRUE(result.ok) << testing::PrintToString(result.problems);
  }
  tree_check check = check_tree(www);
  EXPECT_EQ(check.problems, std::vector<std::string>());

  std::string root = dir + "/install";
  write_file(root + "/Data/data_version.bin", "1.00");
  write_file(root + "/Updater/keep.txt", "");
  apache_server server = start_apache(www, kUser, kPassword);
  ASSERT_GT(server.pid, 0) << server.error;

  transfer_settings settings;
  settings.user = kUser;
  settings.password = kPassword;
  settings.connect_timeout_seconds = 5;
  settings.stall_seconds = 5;
  settings.retry_pause_ms = 50;
  std::ostringstream out, err, out_again, err_again;
  update_target target;
  target.server_base = get_server_base(apache_address(server));
  target.work_dir = root + "/Updater";
  target.remote = make_remote_steps(settings);
  target.out = &out;
  target.err = &err;
  int status = get_total_actualization(target);
  target.out = &out_again;
  target.err = &err_again;
  int status_again = get_total_actualization(target);
  stop_apache(server);

  EXPECT_EQ(status, 0) << out.str() << err.str();
  EXPECT_EQ(err.str(), "");
  std::string listing = "Data/data_version.bin\nUpdater/keep.txt\n";
  for (const auto& [file, content] : expected) listing += file + "\n";
  std::vector<std::string> lines = split(listing, "\n");
  std::sort(lines.begin(), lines.end());
  std::string sorted;
  for (const std::string& line : lines)
    if (!line.empty()) sorted += line + "\n";
  EXPECT_EQ(list_files(root), sorted);
  for (const auto& [file, content] : expected)
    EXPECT_EQ(read_file(root + "/" + file), content) << file;
  EXPECT_EQ(read_file(root + "/Data/data_version.bin"), "1.03");
  EXPECT_EQ(status_again, 0) << err_again.str();
  EXPECT_NE(out_again.str().find("YOUR GAME IS UP TO DATE!!!!!!"), std::string::npos)
      << out_again.str();
  remove_tree(dir);
}

}  // namespace
