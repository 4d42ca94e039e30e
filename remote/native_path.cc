#include "remote/native_path.h"

bool is_valid_utf8(std::string text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length;
    unsigned long code;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (overlong || surrogate || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

name_encoding choose_name_encoding(std::string name) {
  return is_valid_utf8(name) ? name_encoding::utf8 : name_encoding::ansi_code_page;
}

std::vector<std::string> split_path_components(std::string path) {
  std::vector<std::string> components;
  size_t start = 0;
  for (;;) {
    size_t slash = path.find('/', start);
    std::string component = path.substr(start, slash == std::string::npos ? slash : slash - start);
    if (!component.empty()) components.push_back(component);
    if (slash == std::string::npos) return components;
    start = slash + 1;
  }
}

std::wstring add_long_path_prefix(std::wstring full_path) {
  // Already long, or a device such as \\.\pipe\x.
  if (full_path.compare(0, 4, L"\\\\?\\") == 0 || full_path.compare(0, 4, L"\\\\.\\") == 0)
    return full_path;
  if (full_path.size() >= 3 && full_path[1] == L':' && full_path[2] == L'\\')
    return L"\\\\?\\" + full_path;
  if (full_path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full_path.substr(2);
  return full_path;
}
