#include "driver/update_run.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/fake_installation.h"

namespace {

const char kRecord[] = "/Data/data_version.bin";

struct UpdateRunTest : FakeInstallationTest {
  int run(std::string installed, std::string published) {
    write_file(root + kRecord, installed);
    publish_text(server, "actual_version.txt", published);
    return get_total_actualization(target);
  }

  // The versions named by "Applying update" headers, in order.
  std::vector<std::string> list_applied() {
    std::vector<std::string> applied;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("Applying update ", 0) == 0) applied.push_back(line.substr(16));
    return applied;
  }
};

TEST_F(UpdateRunTest, UpToDateWritesNothing) {
  EXPECT_EQ(0, run("1.25", "1.25"));
  EXPECT_EQ("YOUR GAME IS UP TO DATE!!!!!!\n", out.str());
  EXPECT_EQ("1.25", read_file(root + kRecord));
  EXPECT_EQ(1u, server->requests.size());
}

TEST_F(UpdateRunTest, AppliesEachPendingVersionInOrder) {
  EXPECT_EQ(0, run("1.25", "1.30"));
  EXPECT_EQ((std::vector<std::string>{"1.26", "1.27", "1.28", "1.29", "1.30"}), list_applied());
  EXPECT_EQ("1.30", read_file(root + kRecord));
  EXPECT_EQ(0u, out.str().find("--------------------\nApplying update 1.26\n--------------------\n\n"
                               "\nLooking for new songs!\n"));
  EXPECT_NE(std::string::npos, out.str().find("No new files in this update.\n\nYOUR GAME IS NOW UP TO DATE!!!\n"));
  // Each version asks for its seven manifests, in the categories' order.
  std::vector<std::string> first(server->requests.begin() + 1, server->requests.begin() + 8);
  EXPECT_EQ((std::vector<std::string>{
                server->base + "1.26/1.26_songs.txt", server->base + "1.26/1.26_nonstops.txt",
                server->base + "1.26/1.26_onis.txt", server->base + "1.26/1.26_cdtitles.txt",
                server->base + "1.26/1.26_metrics.txt", server->base + "1.26/1.26_ejecutable.txt",
                server->base + "1.26/1.26_others.txt"}),
            first);
  EXPECT_EQ(1u + 5 * 7, server->requests.size());
}

TEST_F(UpdateRunTest, LongRunsApplyEveryVersionOnce) {
  struct { const char* installed; const char* published; size_t count; const char* last; } cases[] = {
      {"0.00", "0.06", 6, "0.06"},
      {"0.00", "9.99", 999, "9.99"},
      {"no number", "0.02", 2, "0.02"},
  };
  for (const auto& c : cases) {
    out.str("");
    EXPECT_EQ(0, run(c.installed, c.published));
    std::vector<std::string> applied = list_applied();
    ASSERT_EQ(c.count, applied.size()) << c.published;
    for (size_t k = 0; k < applied.size(); ++k)
      EXPECT_EQ(format_version(static_cast<long long>(k) + 1), applied[k]);
    EXPECT_EQ(c.last, read_file(root + kRecord));
  }
}

TEST_F(UpdateRunTest, InstalledAheadOfTheServerRecordsTheServer) {
  EXPECT_EQ(0, run("1.30", "1.25"));
  EXPECT_TRUE(list_applied().empty());
  EXPECT_EQ("YOUR GAME IS NOW UP TO DATE!!!\n", out.str());
  EXPECT_EQ("1.25", read_file(root + kRecord));
}

TEST_F(UpdateRunTest, MissingRecordFetchesNothing) {
  EXPECT_EQ(1, get_total_actualization(target));
  EXPECT_TRUE(server->requests.empty());
  EXPECT_EQ("", out.str());
  EXPECT_NE(std::string::npos, err.str().find("data_version.bin"));
  EXPECT_FALSE(path_exists(root + kRecord));
}

TEST_F(UpdateRunTest, UnusableServerVersionChangesNothing) {
  struct { transfer_outcome outcome; const char* body; } cases[] = {
      {transfer_outcome::absent, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">"},
      {transfer_outcome::failed, ""},
      {transfer_outcome::arrived, "<html>maintenance</html>"},
      {transfer_outcome::arrived, "-1.00"},
      {transfer_outcome::arrived, "50000"},
      {transfer_outcome::arrived, ""},
  };
  for (const auto& c : cases) {
    out.str("");
    err.str("");
    write_file(root + kRecord, "1.00");
    server->answers[server->base + "actual_version.txt"] = {c.outcome, c.body};
    EXPECT_EQ(1, get_total_actualization(target)) << c.body;
    EXPECT_EQ("", out.str());
    EXPECT_NE(std::string::npos, err.str().find(server->base + "actual_version.txt")) << err.str();
    EXPECT_EQ("1.00", read_file(root + kRecord));
  }
}

TEST_F(UpdateRunTest, FailureStopsTheRunAndRecordsWhatWasDone) {
  server->answers[server->base + "1.02/1.02_onis.txt"] = {transfer_outcome::failed, ""};
  EXPECT_EQ(1, run("1.00", "1.03"));
  EXPECT_EQ((std::vector<std::string>{"1.01", "1.02"}), list_applied());
  EXPECT_EQ("1.01", read_file(root + kRecord));
  EXPECT_EQ(std::string::npos, out.str().find("NOW UP TO DATE"));
  EXPECT_EQ(server->base + "1.02/1.02_onis.txt", server->requests.back());
  EXPECT_NE(std::string::npos, err.str().find("1.02/1.02_onis.txt"));
  EXPECT_NE(std::string::npos, err.str().find("Run the updater again"));

  // The next run goes on from 1.02.
  server->answers.erase(server->base + "1.02/1.02_onis.txt");
  out.str("");
  EXPECT_EQ(0, get_total_actualization(target));
  EXPECT_EQ((std::vector<std::string>{"1.02", "1.03"}), list_applied());
  EXPECT_EQ("1.03", read_file(root + kRecord));
}

TEST_F(UpdateRunTest, FailureInTheFirstVersionLeavesTheRecord) {
  server->answers[server->base + "1.01/1.01_songs.txt"] = {transfer_outcome::failed, ""};
  EXPECT_EQ(1, run("1.00 ", "1.03"));
  EXPECT_EQ("1.00 ", read_file(root + kRecord));
  EXPECT_NE(std::string::npos, err.str().find("stays 1.00"));
}

}  // namespace
