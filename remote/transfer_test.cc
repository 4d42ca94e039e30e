#include "remote/transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "tests/apache_server.h"
#include "tests/fault_server.h"
#include "tests/temp_dir.h"

namespace {

const char kUser[] = "tester";
const char kPassword[] = "Open-Sesame.42";
const char kOldContent[] = "the copy that was there before";

transfer_settings make_test_settings() {
  transfer_settings settings;
  settings.user = kUser;
  settings.password = kPassword;
  settings.connect_timeout_seconds = 2;
  settings.stall_seconds = 1;
  settings.attempts = 3;
  settings.retry_pause_ms = 10;
  return settings;
}

// Every byte value, many times over, so that the body spans several writes.
std::string make_binary_content() {
  std::string content;
  for (int i = 0; i < 256 * 300; ++i) content.push_back(static_cast<char>(i % 256));
  return content;
}

// What a folder holding only `name` lists as; "" for an empty folder.
std::string list_only(std::string name) { return name.empty() ? "" : name + "\n"; }

TEST(ErrorPageTest, MatchesTheSignatureByteForByte) {
  struct row {
    std::string text;
    bool expected;
  };
  const std::vector<row> rows = {
      {"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>", true},
      {"<!DOCTYPE HTML PUBLIC", true},
      {"<!doctype html public \"-//IETF//DTD HTML 2.0//EN\">", false},
      {"<!DOCTYPE html>\n<html></html>", false},
      {" <!DOCTYPE HTML PUBLIC", false},
      {"", false},
      {"<!DOCTYPE HTML PUBLI", false},
      {"<!DOCTYPE", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE("text: \"" + r.text + "\"");
    EXPECT_EQ(looks_like_error_page(r.text), r.expected);
  }
  EXPECT_EQ(std::string(kErrorPageSignature), "<!DOCTYPE HTML PUBLIC");
}

TEST(ClassifyStatusTest, SortsStatusesIntoOutcomes) {
  struct row {
    long status;
    transfer_outcome expected;
  };
  const std::vector<row> rows = {
      {200, transfer_outcome::arrived}, {204, transfer_outcome::arrived},
      {404, transfer_outcome::absent},  {410, transfer_outcome::absent},
      {400, transfer_outcome::absent},  {403, transfer_outcome::absent},
      {401, transfer_outcome::failed},  {407, transfer_outcome::failed},
      {408, transfer_outcome::failed},  {429, transfer_outcome::failed},
      {301, transfer_outcome::failed},  {302, transfer_outcome::failed},
      {500, transfer_outcome::failed},  {503, transfer_outcome::failed},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE("status " + std::to_string(r.status));
    EXPECT_EQ(describe_outcome(classify_status(r.status)), describe_outcome(r.expected));
  }
}

// A real httpd serving a small tree behind Basic authentication, started
// once for the suite; each test gets an empty destination folder.
class ApacheTransferTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    document_root_ = new std::string(make_temp_dir());
    write_file(*document_root_ + "/notes.txt", "first line\nsecond line\n");
    write_file(*document_root_ + "/data.bin", make_binary_content());
    write_file(*document_root_ + "/empty.dat", "");
    write_file(*document_root_ + "/page.html",
               "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html><body>made "
               "by hand</body></html>\n");
    server_ = new apache_server(start_apache(*document_root_, kUser, kPassword));
  }

  static void TearDownTestSuite() {
    stop_apache(*server_);
    remove_tree(*document_root_);
    delete server_;
    delete document_root_;
    server_ = nullptr;
    document_root_ = nullptr;
  }

  void SetUp() override {
    ASSERT_GT(server_->pid, 0) << server_->error;
    destination_dir_ = make_temp_dir();
  }

  void TearDown() override {
    if (!destination_dir_.empty()) remove_tree(destination_dir_);
  }

  static std::string url_for(std::string path) { return apache_address(*server_) + path; }

  static apache_server* server_;
  static std::string* document_root_;
  std::string destination_dir_;
};

apache_server* ApacheTransferTest::server_ = nullptr;
std::string* ApacheTransferTest::document_root_ = nullptr;

TEST_F(ApacheTransferTest, FetchesTextByOutcome) {
  struct row {
    std::string name;
    std::string path;
    std::string password;
    transfer_outcome expected;
  };
  const std::vector<row> rows = {
      {"text file", "/notes.txt", kPassword, transfer_outcome::arrived},
      {"missing file", "/missing.txt", kPassword, transfer_outcome::absent},
      {"file that begins like an error page", "/page.html", kPassword, transfer_outcome::absent},
      {"wrong password", "/notes.txt", "not-the-password", transfer_outcome::failed},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    transfer_settings settings = make_test_settings();
    settings.password = r.password;
    text_result text = get_txt_content(url_for(r.path), settings);
    EXPECT_EQ(describe_outcome(text.outcome), describe_outcome(r.expected)) << text.error;
    if (r.expected == transfer_outcome::arrived) {
      EXPECT_EQ(text.body, "first line\nsecond line\n");
    } else {
      EXPECT_FALSE(text.error.empty());
    }
  }
}

TEST_F(ApacheTransferTest, AnswersAMissingFileWithItsOwnErrorPage) {
  text_result text = get_txt_content(url_for("/missing.txt"), make_test_settings());
  EXPECT_EQ(describe_outcome(text.outcome), "absent");
  EXPECT_EQ(text.body.compare(0, 21, "<!DOCTYPE HTML PUBLIC"), 0) << text.body;
}

TEST_F(ApacheTransferTest, DownloadsFilesByOutcome) {
  struct row {
    std::string name;
    std::string path;
    std::string password;
    bool destination_exists;
    transfer_outcome expected;
    std::string content_after;  // "<missing>" when no file should be there
  };
  const std::string binary = make_binary_content();
  const std::vector<row> rows = {
      {"binary file", "/data.bin", kPassword, true, transfer_outcome::arrived, binary},
      {"binary file, new destination", "/data.bin", kPassword, false, transfer_outcome::arrived,
       binary},
      {"empty file", "/empty.dat", kPassword, true, transfer_outcome::arrived, ""},
      {"missing file", "/missing.bin", kPassword, true, transfer_outcome::absent, kOldContent},
      {"file that begins like an error page", "/page.html", kPassword, true,
       transfer_outcome::absent, kOldContent},
      {"file that begins like an error page, new destination", "/page.html", kPassword, false,
       transfer_outcome::absent, "<missing>"},
      {"wrong password", "/data.bin", "not-the-password", true, transfer_outcome::failed,
       kOldContent},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::string destination = destination_dir_ + "/target.bin";
    remove_tree(destination);
    if (r.destination_exists) write_file(destination, kOldContent);
    transfer_settings settings = make_test_settings();
    settings.password = r.password;

    transfer_result result = get_file(url_for(r.path), destination, settings);

    EXPECT_EQ(describe_outcome(result.outcome), describe_outcome(r.expected)) << result.error;
    EXPECT_TRUE(read_file(destination) == r.content_after)
        << "destination holds " << read_file(destination).size() << " bytes";
    EXPECT_EQ(list_files(destination_dir_),
              list_only(r.content_after == "<missing>" ? "" : "target.bin"));
  }
}

// Runs `transfer`; if it has not returned by `limit`, stops `server`, which
// ends stalled connections so that the transfer must return. Sets
// `*gave_up_in_time` to whether it returned by itself.
template <typename Result, typename Transfer>
Result run_bounded(fault_server server, Transfer transfer, bool* gave_up_in_time) {
  // Three attempts, each ended by the one-second stall limit, with room to spare.
  const auto limit = std::chrono::seconds(20);
  auto running = std::async(std::launch::async, transfer);
  *gave_up_in_time = running.wait_for(limit) == std::future_status::ready;
  if (!*gave_up_in_time) stop_fault_server(server);
  return running.get();
}

class FaultTransferTest : public ::testing::Test {
 protected:
  void SetUp() override { destination_dir_ = make_temp_dir(); }
  void TearDown() override { remove_tree(destination_dir_); }
  std::string destination_dir_;
};

TEST_F(FaultTransferTest, KeepsTheDestinationUnlessTheAnswerArrived) {
  fault_response short_body = cut_short(make_response(200, std::string(4000, 'n')), 3000);
  short_body.close_early = true;
  fault_response stalled_body = cut_short(make_response(200, std::string(4000, 'n')), 3000);
  stalled_body.stall = true;
  fault_response stalled_head = cut_short(make_response(200, std::string(4000, 'n')), 4000);
  stalled_head.stall = true;
  const int attempts = make_test_settings().attempts;

  struct row {
    std::string name;
    std::vector<fault_response> script;  // empty: connections are refused
    transfer_outcome expected;
    int requests;
    std::string content_after;
  };
  const std::vector<row> rows = {
      {"connection refused", {}, transfer_outcome::failed, 0, kOldContent},
      {"body shorter than its length", {short_body}, transfer_outcome::failed, attempts,
       kOldContent},
      {"body that stops after a burst", {stalled_body}, transfer_outcome::failed, attempts,
       kOldContent},
      {"body that never starts", {stalled_head}, transfer_outcome::failed, attempts, kOldContent},
      {"server error", {make_response(500, "broken")}, transfer_outcome::failed, attempts,
       kOldContent},
      {"busy, then served",
       {make_response(503, "busy"), make_response(200, "the new copy")},
       transfer_outcome::arrived,
       2,
       "the new copy"},
      {"redirect",
       {make_response_with_headers(301, "Location: /moved.bin\r\n", "moved"),
        make_response(200, "followed")},
       transfer_outcome::failed,
       1,
       kOldContent},
      {"not found with a plain body", {make_response(404, "no such file")},
       transfer_outcome::absent, 1, kOldContent},
      {"credentials refused", {make_response(401, "who are you")}, transfer_outcome::failed, 1,
       kOldContent},
      {"too many requests", {make_response(429, "slow down")}, transfer_outcome::failed, attempts,
       kOldContent},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::string destination = destination_dir_ + "/target.bin";
    write_file(destination, kOldContent);
    fault_server server = start_fault_server(r.script);
    ASSERT_GT(server.port, 0);
    std::string url = fault_address(server) + "/target.bin";

    bool gave_up_in_time = false;
    transfer_result result = run_bounded<transfer_result>(
        server, [&] { return get_file(url, destination, make_test_settings()); },
        &gave_up_in_time);
    std::vector<std::string> lines = list_request_lines(server);
    stop_fault_server(server);

    EXPECT_TRUE(gave_up_in_time);
    EXPECT_EQ(describe_outcome(result.outcome), describe_outcome(r.expected)) << result.error;
    if (r.expected != transfer_outcome::arrived) {
      EXPECT_FALSE(result.error.empty());
    }
    EXPECT_EQ(read_file(destination), r.content_after);
    EXPECT_EQ(list_files(destination_dir_), list_only("target.bin"));
    EXPECT_EQ(static_cast<int>(lines.size()), r.requests);
    for (const auto& line : lines) EXPECT_EQ(line, "GET /target.bin HTTP/1.1");
  }
}

TEST(TextTransferTest, LimitsAndChecksTheBody) {
  const std::string page = "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html>";
  struct row {
    std::string name;
    fault_response response;
    size_t limit;
    transfer_outcome expected;
  };
  const std::vector<row> rows = {
      {"body at the limit", make_response(200, std::string(64, 't')), 64,
       transfer_outcome::arrived},
      {"body one byte over the limit", make_response(200, std::string(65, 't')), 64,
       transfer_outcome::failed},
      {"body far over the limit", make_response(200, std::string(200000, 't')), 64,
       transfer_outcome::failed},
      {"error page with status 200", make_response(200, page), 4096, transfer_outcome::absent},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    fault_server server = start_fault_server({r.response});
    ASSERT_GT(server.port, 0);
    transfer_settings settings = make_test_settings();
    settings.text_limit_bytes = r.limit;

    bool gave_up_in_time = false;
    text_result text = run_bounded<text_result>(
        server, [&] { return get_txt_content(fault_address(server) + "/version.txt", settings); },
        &gave_up_in_time);
    int requests = count_requests(server);
    stop_fault_server(server);

    EXPECT_TRUE(gave_up_in_time);
    EXPECT_EQ(describe_outcome(text.outcome), describe_outcome(r.expected)) << text.error;
    // Neither a body too large nor an error page changes when asked again.
    EXPECT_EQ(requests, 1);
    if (r.expected == transfer_outcome::arrived) {
      EXPECT_EQ(text.body, std::string(r.limit, 't'));
    }
    if (r.expected == transfer_outcome::failed) {
      EXPECT_NE(text.error.find(std::to_string(r.limit)), std::string::npos) << text.error;
    }
  }
}

TEST(FileTransferTest, FailsForAFolderThatDoesNotExist) {
  std::string dir = make_temp_dir();
  fault_server server = start_fault_server({make_response(200, "content")});
  ASSERT_GT(server.port, 0);
  std::string destination = dir + "/no-such-folder/target.bin";

  transfer_result result =
      get_file(fault_address(server) + "/target.bin", destination, make_test_settings());
  stop_fault_server(server);

  EXPECT_EQ(describe_outcome(result.outcome), "failed");
  EXPECT_NE(result.error.find(destination), std::string::npos) << result.error;
  EXPECT_FALSE(path_exists(dir + "/no-such-folder"));
  EXPECT_EQ(list_files(dir), "");
  remove_tree(dir);
}

}  // namespace
