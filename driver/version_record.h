// The two versions a run compares: the installed record and the server's
// current version. A version is held as a whole count of hundredths.
#pragma once

#include <string>

#include "remote/transfer.h"

struct version_status {
  bool ok = false;
  long long hundredths = 0;
  std::string error;  // why there is no version
};

// The highest version a record or the server may name (999.99), so that no
// run steps through millions of versions.
extern const long long kMaxVersionHundredths;

// The number at the start of `x` after white space (sign, digits with at most
// one full stop, optional exponent), in single precision; 0 when there is none.
float str_to_float(std::string x);

// Like str_to_float, but says whether `text` begins with a number at all.
bool read_leading_number(std::string text, double* value);

// `value` rounded to the nearest hundredth, as a count.
long long to_hundredths(double value);

// The version that `text` begins with; fails when it holds no number or one
// that is negative, not finite or above kMaxVersionHundredths.
version_status parse_version_text(std::string text);

// The installed version from the record under `work_dir`. A record holding no
// number reads as 0; a missing or unreadable one fails.
version_status get_user_version(std::string work_dir);

// Records `hundredths` ("1.10") under `work_dir`, replacing the record in one
// rename. Returns an error text, empty on success.
std::string set_user_version(std::string work_dir, long long hundredths);

// The server's current version, fetched from `server_base`.
version_status get_web_version(std::string server_base, fetch_text_step fetch_text);
