// Transfers from the update server: into memory for version files and
// manifests, into a file for content.
#pragma once

#include <functional>
#include <string>

// How one transfer ended.
//   arrived: a 2xx answer whose body is not an error page.
//   absent:  the server lacks it (404 and the other plain 4xx answers, or a
//            body that is an error page); callers skip it silently.
//   failed:  it could not be had (transport errors, refused credentials,
//            redirects, overload, server errors); `error` says why.
enum class transfer_outcome { arrived, absent, failed };

struct transfer_result {
  transfer_outcome outcome = transfer_outcome::failed;
  std::string error;  // why it failed or was absent, for messages
};

struct text_result {
  transfer_outcome outcome = transfer_outcome::failed;
  std::string body;   // the answer's body, also when absent
  std::string error;
};

// What every transfer needs: credentials and the limits that keep a transfer
// from hanging or filling memory.
struct transfer_settings {
  std::string user;
  std::string password;
  long connect_timeout_seconds = 15;
  long stall_seconds = 30;  // a transfer receiving nothing this long fails
  size_t text_limit_bytes = 4u << 20;
  int attempts = 3;         // for transient failures only
  long retry_pause_ms = 2000;
};

// The 21 characters that begin the server's error pages.
extern const char kErrorPageSignature[];

// True when `text` begins with the error-page signature, byte for byte.
bool looks_like_error_page(std::string text);

// The outcome of an HTTP status: 2xx arrived, plain 4xx absent, the rest
// failed. The error-page check on the body is separate.
transfer_outcome classify_status(long status);

// Fetches `url` into memory; bodies over the text limit fail.
text_result get_txt_content(std::string url, transfer_settings settings);

// Fetches `url` into the file `path` in one request: the body goes to a
// temporary file beside `path`, which replaces `path` only when the answer
// arrived; otherwise `path` is left exactly as it was.
transfer_result get_file(std::string url, std::string path, transfer_settings settings);

// The two ways the updater fetches, as steps that tests can replace.
using fetch_text_step = std::function<text_result(std::string url)>;
using fetch_file_step = std::function<transfer_result(std::string url, std::string path)>;

struct remote_steps {
  fetch_text_step fetch_text;
  fetch_file_step fetch_file;
};

// Steps that use get_txt_content and get_file with `settings`.
remote_steps make_remote_steps(transfer_settings settings);

// A short text for an outcome, e.g. "arrived".
std::string describe_outcome(transfer_outcome outcome);
