#include "categories/local_path.h"

#include <cstring>
#include <vector>

namespace {

bool has_control_character(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};

}  // namespace

local_path_result map_local_path(std::string installation_path) {
  local_path_result result;
  if (installation_path.empty()) {
    result.why = "the path is empty";
    return result;
  }
  if (has_control_character(installation_path)) {
    result.why = "the path holds a control character";
    return result;
  }
  if (is_separator(installation_path[0])) {
    result.why = "the path is absolute";
    return result;
  }
  if (installation_path.find(':') != std::string::npos) {
    result.why = "the path holds a drive letter or a colon";
    return result;
  }
  // The updater's folder is one level below the installation's root, so the
  // path may climb one level and no more. A name followed by ".." cancels out
  // here, so no folder on the way to the file is ever made for nothing.
  std::vector<std::string> components;
  std::string component;
  for (size_t i = 0; i <= installation_path.size(); ++i) {
    if (i < installation_path.size() && !is_separator(installation_path[i])) {
      component += installation_path[i];
      continue;
    }
    if (component == "..") {
      if (!components.empty() && components.back() != "..") {
        components.pop_back();
      } else if (components.empty()) {
        components.push_back(component);
      } else {
        result.why = "the path leads outside the installation";
        return result;
      }
    } else if (!component.empty() && component != ".") {
      std::string why = check_storable_name(component);
      if (!why.empty()) {
        result.why = "\"" + component + "\": " + why;
        return result;
      }
      components.push_back(component);
    }
    component.clear();
  }
  if (components.empty() || components.back() == ".." || is_separator(installation_path.back())) {
    result.why = "the path names no file";
    return result;
  }
  for (const std::string& part : components) {
    if (!result.path.empty()) result.path += '/';
    result.path += part;
  }
  result.safe = true;
  return result;
}

std::string check_storable_name(std::string name) {
  if (has_control_character(name)) return "the name holds a control character";
  for (char c : name)
    if (std::strchr("<>:\"|?*\\/", c)) return std::string("Windows cannot store a name holding '") + c + "'";
  char last = name.empty() ? '\0' : name.back();
  if (last == '.' || last == ' ') return "Windows cannot store a name that ends in a dot or a space";
  // A device name stays a device whatever extension follows it.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::string upper;
  for (char c : stem) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* device : kDeviceNames)
    if (upper == device) return "Windows reserves the name " + stem + " for a device";
  for (const char* device : {"COM", "LPT"})
    for (const char* digit : {"1", "2", "3", "4", "5", "6", "7", "8", "9",
                              "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
      if (upper == std::string(device) + digit)
        return "Windows reserves the name " + stem + " for a device";
  return "";
}

std::string check_plain_name(std::string name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name is \"" + name + "\"";
  if (has_control_character(name)) return "the name holds a control character";
  for (char c : name) {
    if (is_separator(c)) return "the name holds a path separator";
    if (c == ':') return "the name holds a colon";
  }
  return "";
}

std::string join_path(std::string folder, std::string relative) {
  if (folder.empty() || folder == ".") return relative;
  if (folder.back() == '/') return folder + relative;
  return folder + "/" + relative;
}
