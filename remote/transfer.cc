#include "remote/transfer.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "remote/interrupt.h"
#include "remote/replace_file.h"

const char kErrorPageSignature[] = "<!DOCTYPE HTML PUBLIC";

namespace {

const char kInterruptedError[] = "the updater was interrupted";

const size_t kSignatureLength = sizeof(kErrorPageSignature) - 1;

struct curl_deleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using curl_ptr = std::unique_ptr<CURL, curl_deleter>;

// Where a body goes while it arrives. Only the first bytes of a file body are
// kept in memory, for the error-page check.
struct body_sink {
  std::string* text = nullptr;  // text transfers
  size_t limit = 0;
  bool over_limit = false;
  FILE* file = nullptr;         // file transfers
  std::string head;
};

size_t writefunc(char* ptr, size_t size, size_t nmemb, void* userdata) {
  body_sink* sink = static_cast<body_sink*>(userdata);
  size_t bytes = size * nmemb;
  if (sink->text->size() + bytes > sink->limit) {
    sink->over_limit = true;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  sink->text->append(ptr, bytes);
  return bytes;
}

size_t write_data(char* ptr, size_t size, size_t nmemb, void* userdata) {
  body_sink* sink = static_cast<body_sink*>(userdata);
  if (sink->head.size() < kSignatureLength) {
    size_t take = std::min(kSignatureLength - sink->head.size(), size * nmemb);
    sink->head.append(ptr, take);
  }
  // A short count (full disk) makes libcurl end the transfer.
  return fwrite(ptr, size, nmemb, sink->file);
}

// When body bytes last arrived. libcurl's own low-speed check averages over
// several seconds, so a body that stops right after a burst would go on for
// up to five seconds longer than the stall limit allows.
struct stall_watch {
  long stall_seconds = 0;
  curl_off_t received = 0;
  std::chrono::steady_clock::time_point last_arrival = std::chrono::steady_clock::now();
  bool stalled = false;
};

int check_stall(void* userdata, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  if (was_interrupted()) return 1;  // ends the transfer; the caller sees why
  stall_watch* watch = static_cast<stall_watch*>(userdata);
  auto now = std::chrono::steady_clock::now();
  if (received != watch->received) {
    watch->received = received;
    watch->last_arrival = now;
    return 0;
  }
  if (now - watch->last_arrival < std::chrono::seconds(watch->stall_seconds)) return 0;
  watch->stalled = true;
  return 1;  // ends the transfer with CURLE_ABORTED_BY_CALLBACK
}

struct attempt_result {
  transfer_outcome outcome = transfer_outcome::failed;
  bool transient = false;  // worth trying again
  std::string error;
};

bool is_transient_code(CURLcode code) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_WRITE_ERROR:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_BAD_FUNCTION_ARGUMENT:
    case CURLE_FAILED_INIT:
      return false;
    default:
      return true;
  }
}

void init_library_once() {
  static const CURLcode init_code = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)init_code;  // a failure shows as a handle that cannot be created
}

// One request. `head` is the start of the body, for the error-page check.
attempt_result perform_once(const std::string& url, const transfer_settings& settings,
                            curl_write_callback write, body_sink* sink,
                            const std::string* head) {
  init_library_once();
  attempt_result result;
  if (was_interrupted()) {
    result.error = kInterruptedError;
    return result;
  }
  curl_ptr curl(curl_easy_init());
  if (!curl) {
    result.error = "the transfer library could not start a transfer";
    return result;
  }
  char error_buffer[CURL_ERROR_SIZE] = "";
  CURLcode code = CURLE_OK;
  auto set = [&](CURLoption option, auto value) {
    if (code == CURLE_OK) code = curl_easy_setopt(curl.get(), option, value);
  };
  set(CURLOPT_ERRORBUFFER, error_buffer);
  set(CURLOPT_USERNAME, settings.user.c_str());
  set(CURLOPT_PASSWORD, settings.password.c_str());
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_DEFAULT_PROTOCOL, "http");
#if LIBCURL_VERSION_NUM >= 0x075500
  set(CURLOPT_PROTOCOLS_STR, "http,https");
#else
  set(CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_CONNECTTIMEOUT, settings.connect_timeout_seconds);
  stall_watch watch;
  watch.stall_seconds = settings.stall_seconds;
  set(CURLOPT_XFERINFOFUNCTION, check_stall);
  set(CURLOPT_XFERINFODATA, static_cast<void*>(&watch));
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_USERAGENT, "korvanth-updater");
  set(CURLOPT_WRITEFUNCTION, write);
  set(CURLOPT_WRITEDATA, static_cast<void*>(sink));
  if (code != CURLE_OK) {
    result.error = std::string("the transfer could not be set up: ") + curl_easy_strerror(code);
    return result;
  }

  code = curl_easy_perform(curl.get());
  if (sink->over_limit) {
    result.error = "the answer is larger than " + std::to_string(settings.text_limit_bytes) + " bytes";
    return result;
  }
  if (was_interrupted()) {
    result.error = kInterruptedError;
    return result;
  }
  if (watch.stalled) {
    result.transient = true;
    result.error = "nothing arrived for " + std::to_string(settings.stall_seconds) + " seconds";
    return result;
  }
  if (code != CURLE_OK) {
    result.transient = is_transient_code(code);
    result.error = error_buffer[0] ? error_buffer : curl_easy_strerror(code);
    return result;
  }
  long status = 0;
  if (curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) status = 0;
  result.outcome = classify_status(status);
  if (result.outcome == transfer_outcome::failed) {
    result.transient = status == 408 || status == 429 || status >= 500;
    result.error = "the server answered with HTTP status " + std::to_string(status);
  } else if (result.outcome == transfer_outcome::absent) {
    result.error = "the server answered with HTTP status " + std::to_string(status);
  } else if (looks_like_error_page(*head)) {
    result.outcome = transfer_outcome::absent;
    result.error = "the server answered with an error page";
  }
  return result;
}

template <typename Attempt>
attempt_result perform_with_retries(const transfer_settings& settings, Attempt attempt) {
  attempt_result result;
  for (int tries = 1;; ++tries) {
    result = attempt();
    if (result.outcome != transfer_outcome::failed || !result.transient ||
        tries >= settings.attempts)
      return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(settings.retry_pause_ms));
  }
}

// One attempt into a fresh temporary file, which replaces `path` on arrival
// and is removed otherwise.
attempt_result download_once(const std::string& url, const std::string& path,
                             const transfer_settings& settings) {
  attempt_result result;
  temp_file temp = create_temp_beside(path);
  if (!temp.file) {
    result.error = temp.error;
    return result;
  }
  body_sink sink;
  sink.file = temp.file.get();
  result = perform_once(url, settings, write_data, &sink, &sink.head);
  if (result.outcome != transfer_outcome::arrived) {
    discard_temp_file(std::move(temp));
    return result;
  }
  std::string error = commit_temp_file(std::move(temp));
  if (!error.empty()) {
    result = attempt_result();
    result.error = error;
  }
  return result;
}

}  // namespace

bool looks_like_error_page(std::string text) {
  return text.compare(0, kSignatureLength, kErrorPageSignature) == 0 &&
         text.size() >= kSignatureLength;
}

transfer_outcome classify_status(long status) {
  if (status >= 200 && status < 300) return transfer_outcome::arrived;
  bool retry_or_login = status == 401 || status == 407 || status == 408 || status == 429;
  if (status >= 400 && status < 500 && !retry_or_login) return transfer_outcome::absent;
  return transfer_outcome::failed;
}

text_result get_txt_content(std::string url, transfer_settings settings) {
  text_result text;
  attempt_result result = perform_with_retries(settings, [&] {
    text.body.clear();
    body_sink sink;
    sink.text = &text.body;
    sink.limit = settings.text_limit_bytes;
    return perform_once(url, settings, writefunc, &sink, &text.body);
  });
  text.outcome = result.outcome;
  text.error = result.error;
  return text;
}

transfer_result get_file(std::string url, std::string path, transfer_settings settings) {
  attempt_result result =
      perform_with_retries(settings, [&] { return download_once(url, path, settings); });
  transfer_result transfer;
  transfer.outcome = result.outcome;
  transfer.error = result.error;
  return transfer;
}

remote_steps make_remote_steps(transfer_settings settings) {
  remote_steps steps;
  steps.fetch_text = [settings](std::string url) { return get_txt_content(url, settings); };
  steps.fetch_file = [settings](std::string url, std::string path) {
    return get_file(url, path, settings);
  };
  return steps;
}

std::string describe_outcome(transfer_outcome outcome) {
  switch (outcome) {
    case transfer_outcome::arrived: return "arrived";
    case transfer_outcome::absent: return "absent";
    case transfer_outcome::failed: return "failed";
  }
  return "failed";
}
