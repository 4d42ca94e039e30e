#include "driver/version_record.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "categories/layout.h"
#include "categories/local_path.h"
#include "remote/platform.h"
#include "remote/replace_file.h"

const long long kMaxVersionHundredths = 99999;

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reading more than this of a record only ever adds text after its number.
const size_t kRecordReadLimit = 1 << 16;

std::string get_record_path(const std::string& work_dir) {
  return join_path(work_dir, map_local_path(kVersionRecordPath).path);
}

}  // namespace

bool read_leading_number(std::string text, double* value) {
  size_t start = 0;
  while (start < text.size() && is_space(text[start])) ++start;
  size_t end = start;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  size_t digits = 0;
  while (end < text.size() && is_digit(text[end])) ++end, ++digits;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && is_digit(text[end])) ++end, ++digits;
  }
  if (digits == 0) return false;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && is_digit(text[exponent])) {
      end = exponent;
      while (end < text.size() && is_digit(text[end])) ++end;
    }
  }
  bool negative = text[start] == '-';
  // from_chars takes no '+' and never looks at the locale.
  if (text[start] == '+' || negative) ++start;
  double magnitude = 0;
  std::from_chars_result parsed = std::from_chars(text.data() + start, text.data() + end, magnitude);
  if (parsed.ec == std::errc::result_out_of_range) magnitude = HUGE_VAL;
  *value = negative ? -magnitude : magnitude;
  return true;
}

float str_to_float(std::string x) {
  double value = 0;
  if (!read_leading_number(x, &value)) return 0;
  return static_cast<float>(value);
}

long long to_hundredths(double value) {
  return std::llround(value * 100.0);
}

version_status parse_version_text(std::string text) {
  version_status status;
  double value = 0;
  if (!read_leading_number(text, &value)) {
    status.error = "it does not begin with a version number";
    return status;
  }
  // Versions are single-precision numbers; narrowing first keeps 1.01 at 1.01.
  float version = static_cast<float>(value);
  if (!std::isfinite(version) || version < 0 ||
      version > static_cast<float>(kMaxVersionHundredths) / 100.0f + 0.005f) {
    status.error = "it names the version " + text.substr(0, 32) +
                   ", which is not between 0.00 and " + format_version(kMaxVersionHundredths);
    return status;
  }
  status.hundredths = to_hundredths(version);
  if (status.hundredths > kMaxVersionHundredths) {
    status.error = "it names a version above " + format_version(kMaxVersionHundredths);
    return status;
  }
  status.ok = true;
  return status;
}

version_status get_user_version(std::string work_dir) {
  std::string path = get_record_path(work_dir);
  version_status status;
  std::string why;
  file_ptr fp = open_for_reading(path, &why);
  if (!fp) {
    status.error = "cannot read the installed version record " + path + " (" + why +
                   "). Run the updater from its own folder inside the game's installation.";
    return status;
  }
  std::string content;
  char row[500];
  while (content.size() < kRecordReadLimit && std::fgets(row, sizeof row, fp.get()))
    content += row;
  if (std::ferror(fp.get())) {
    status.error = "cannot read the installed version record " + path + ".";
    return status;
  }
  double ignored = 0;
  if (!read_leading_number(content, &ignored)) {
    status.ok = true;  // a record without a number means nothing is installed yet
    return status;
  }
  status = parse_version_text(content);
  if (!status.ok)
    status.error = "the installed version record " + path + " is not valid: " + status.error + ".";
  return status;
}

std::string set_user_version(std::string work_dir, long long hundredths) {
  std::string error =
      replace_file_text(get_record_path(work_dir), format_version(hundredths), kUsualFileMode);
  return error.empty() ? "" : "cannot record the installed version: " + error;
}

version_status get_web_version(std::string server_base, fetch_text_step fetch_text) {
  std::string url = server_base + kVersionFileName;
  text_result answer = fetch_text(url);
  version_status status;
  if (answer.outcome != transfer_outcome::arrived) {
    status.error = "cannot get the server's version from " + url + ": " + answer.error + ".";
    return status;
  }
  status = parse_version_text(answer.body);
  if (!status.ok)
    status.error = "the server's version file " + url + " is not usable: " + status.error + ".";
  return status;
}
