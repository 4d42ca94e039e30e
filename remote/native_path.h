// Text rules for handing the updater's paths to Windows' wide-character
// calls. Free of system calls, so every platform's tests run them.
#pragma once

#include <string>
#include <vector>

// True when `text` is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string text);

// How a name's bytes are read: as UTF-8 when they are valid UTF-8, otherwise
// in the system's ANSI code page, as the narrow file calls would read them.
enum class name_encoding { utf8, ansi_code_page };
name_encoding choose_name_encoding(std::string name);

// The components of `path` between its "/" separators, empty ones left out.
std::vector<std::string> split_path_components(std::string path);

// `full_path` (absolute, "\\" separators, as GetFullPathNameW gives it) in
// the form that lifts the classic 260-character limit: "C:\\x" becomes
// "\\\\?\\C:\\x" and "\\\\server\\share\\x" becomes "\\\\?\\UNC\\server\\share\\x".
// A path already in that form, or any other, is returned as it is.
std::wstring add_long_path_prefix(std::wstring full_path);
