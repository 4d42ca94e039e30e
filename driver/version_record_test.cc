#include "driver/version_record.h"

#include <gtest/gtest.h>

#include "tests/fake_remote.h"
#include "tests/temp_dir.h"

TEST(VersionRecordTest, TextToNumber) {
  struct { const char* text; float value; } cases[] = {
      {"1.25", 1.25f},      {"  \n\t1.25", 1.25f}, {"1.25\n2.00", 1.25f}, {"abc", 0},
      {"", 0},              {"+1.5", 1.5f},        {"1.", 1},             {".5", 0.5f},
      {"1e2", 100},         {"1.2.3", 1.2f},       {"-", 0},              {"e5", 0},
      {"1e", 1},            {"-2.5x", -2.5f},      {"1,25", 1},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(c.value, str_to_float(c.text)) << c.text;
}

TEST(VersionRecordTest, VersionsFromText) {
  struct { const char* text; long long hundredths; } good[] = {
      {"1.25", 125}, {"1.3\n", 130}, {"1.01", 101}, {"0", 0}, {"9.99", 999},
      {"1.006", 101}, {"999.99", 99999}, {" 2", 200},
  };
  for (const auto& c : good) {
    version_status status = parse_version_text(c.text);
    EXPECT_TRUE(status.ok) << c.text << ": " << status.error;
    EXPECT_EQ(c.hundredths, status.hundredths) << c.text;
  }
  for (const char* text : {"", "abc", "-1", "1e9", "1000", "1e999", "inf", "nan",
                           "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">"}) {
    version_status status = parse_version_text(text);
    EXPECT_FALSE(status.ok) << text;
    EXPECT_FALSE(status.error.empty());
  }
}

struct VersionRecordFileTest : testing::Test {
  void SetUp() override {
    root = make_temp_dir();
    write_file(root + "/Updater/keep", "");
    work_dir = root + "/Updater";
  }
  void TearDown() override { remove_tree(root); }
  std::string root, work_dir;
};

TEST_F(VersionRecordFileTest, ReadsTheNumberTheRecordBeginsWith) {
  struct { const char* content; long long hundredths; } cases[] = {
      {"1.25", 125}, {"1.25\n2.50\n", 125}, {"\n  1.25", 125}, {"no number", 0}, {"", 0},
  };
  for (const auto& c : cases) {
    write_file(root + "/Data/data_version.bin", c.content);
    version_status status = get_user_version(work_dir);
    EXPECT_TRUE(status.ok) << c.content;
    EXPECT_EQ(c.hundredths, status.hundredths) << c.content;
  }
}

TEST_F(VersionRecordFileTest, MissingOrInvalidRecordIsAnError) {
  version_status missing = get_user_version(work_dir);
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(std::string::npos, missing.error.find("data_version.bin"));
  EXPECT_NE(std::string::npos, missing.error.find("own folder"));

  write_file(root + "/Data/data_version.bin", "-3");
  EXPECT_FALSE(get_user_version(work_dir).ok);
}

TEST_F(VersionRecordFileTest, RecordHoldsTwoDecimalsAndNothingElse) {
  write_file(root + "/Data/data_version.bin", "1.00 and a long tail that must go\n");
  EXPECT_EQ("", set_user_version(work_dir, 110));
  EXPECT_EQ("1.10", read_file(root + "/Data/data_version.bin"));
  EXPECT_EQ("Data/data_version.bin\nUpdater/keep\n", list_files(root));  // no temporary file left
  EXPECT_EQ(110, get_user_version(work_dir).hundredths);
}

TEST_F(VersionRecordFileTest, RecordThatCannotBeWritten) {
  std::string error = set_user_version(work_dir, 110);  // there is no Data folder
  EXPECT_NE(std::string::npos, error.find("data_version.bin"));
}

TEST(WebVersionTest, ServerVersionAndItsFaults) {
  auto server = std::make_shared<fake_server>();
  remote_steps steps = make_fake_steps(server);
  version_status absent = get_web_version(server->base, steps.fetch_text);
  EXPECT_FALSE(absent.ok);
  EXPECT_NE(std::string::npos, absent.error.find(server->base + "actual_version.txt"));

  publish_text(server, "actual_version.txt", "1.3\n");
  version_status found = get_web_version(server->base, steps.fetch_text);
  EXPECT_TRUE(found.ok);
  EXPECT_EQ(130, found.hundredths);

  publish_text(server, "actual_version.txt", "soon");
  EXPECT_FALSE(get_web_version(server->base, steps.fetch_text).ok);
}
