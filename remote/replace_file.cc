#include "remote/replace_file.h"

#include <cerrno>
#include <cstring>

const int kUsualFileMode = -1;

namespace {

std::string parent_folder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string base_name(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

temp_file create_temp_beside(std::string target) {
  temp_file temp;
  temp.target = target;
  temp.file = create_unique_file(parent_folder(target), "." + base_name(target) + ".part-",
                                 &temp.temp_path, &temp.error);
  if (!temp.file) temp.error = "cannot write in the folder of " + target + ": " + temp.error;
  return temp;
}

std::string commit_temp_file(temp_file temp) {
  std::string error = flush_to_disk(temp.file.get());
  if (fclose(temp.file.release()) != 0 && error.empty()) error = std::strerror(errno);
  if (!error.empty())
    error = "cannot write " + temp.target + ": " + error;
  else
    error = replace_file(temp.temp_path, temp.target);
  if (!error.empty()) remove_file(temp.temp_path);
  return error;
}

void discard_temp_file(temp_file temp) {
  temp.file.reset();
  remove_file(temp.temp_path);
}

std::string replace_file_text(std::string target, std::string text, int mode) {
  temp_file temp = create_temp_beside(target);
  if (!temp.file) return temp.error;
  std::string error = mode == kUsualFileMode ? "" : set_file_mode(temp.file.get(), mode);
  if (error.empty() && std::fwrite(text.data(), 1, text.size(), temp.file.get()) != text.size())
    error = std::strerror(errno);
  if (!error.empty()) {
    discard_temp_file(std::move(temp));
    return "cannot write " + target + ": " + error;
  }
  return commit_temp_file(std::move(temp));
}
