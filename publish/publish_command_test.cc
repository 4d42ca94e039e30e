#include "publish/publish_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/temp_dir.h"

namespace {

struct command_run {
  int status;
  std::string out;
  std::string err;
};

command_run run(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = run_publish_command(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(PublishCommand, ExitsTwoOnWrongUseAndZeroOnHelp) {
  const std::vector<std::vector<std::string>> misuses = {
      {}, {"publish"}, {"init"}, {"init", "r", "1.00", "extra"}, {"init", "r", "1.005"},
      {"init", "r", "-1"}, {"init", "r", "1000"}, {"add", "r"}, {"check"}, {"check", "a", "b"}};
  for (const auto& args : misuses) {
    command_run result = run(args);
    EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
    EXPECT_NE(result.err.find("usage: korvanth-publish"), std::string::npos);
    EXPECT_EQ(result.out, "");
  }
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"init", "--help"}, {"add", "-h"}, {"check", "x", "--help"}}) {
    command_run result = run(args);
    EXPECT_EQ(result.status, 0) << testing::PrintToString(args);
    EXPECT_NE(result.out.find("usage: korvanth-publish"), std::string::npos);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_NE(run({"add", "--help"}).out.find("Songs/PACK/NAME/NAME + .mp3"), std::string::npos);
}

TEST(PublishCommand, PublishesAndChecksWithTheRightStatuses) {
  std::string root = make_temp_dir();
  std::string staging = make_temp_dir();

  command_run init = run({"init", root, "1.09"});
  EXPECT_EQ(init.status, 0) << init.err;
  EXPECT_EQ(read_file(root + "/game_data/actual_version.txt"), "1.09");
  EXPECT_EQ(run({"init", root}).status, 1);

  command_run empty = run({"add", root, staging});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "nothing was published:\n" + staging + ": holds nothing to publish\n");

  write_file(staging + "/Songs/Pack/Song/Song.mp3", "mp3");
  command_run add = run({"add", root, staging});
  EXPECT_EQ(add.status, 0) << add.err;
  EXPECT_EQ(add.out, "published version 1.10 in " + root + "/game_data/1.1\n" +
                         "  1.1_songs.txt: 1 entry, 1 file\n" + "current version: 1.10\n");

  command_run check = run({"check", root});
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, "ok: version folders 1.1 to 1.1, current version 1.10\n");

  write_file(root + "/game_data/1.1/1.1_songs.txt", "Song\r\nPack\r\n");
  check = run({"check", root});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, root + "/game_data/1.1/1.1_songs.txt: holds a carriage return\n" +
                           "1 problem (version folders 1.1 to 1.1, current version 1.10)\n");
  remove_tree(root);
  remove_tree(staging);
}

}  // namespace
