#include "remote/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

mode_t default_file_mode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

temp_file create_temp_beside(std::string target) {
  temp_file temp;
  temp.target = target;
  temp.temp_path = parent_folder(target) + "/." + base_name(target) + ".part-XXXXXX";
  int fd = mkstemp(&temp.temp_path[0]);
  if (fd < 0) {
    temp.error = "cannot write in the folder of " + target + ": " + std::strerror(errno);
    return temp;
  }
  // mkstemp makes the file private; the finished file gets the usual mode.
  fchmod(fd, default_file_mode());
  temp.file.reset(fdopen(fd, "wb"));
  if (!temp.file) {
    temp.error = "cannot write " + temp.temp_path + ": " + std::strerror(errno);
    close(fd);
    std::remove(temp.temp_path.c_str());
  }
  return temp;
}

std::string commit_temp_file(temp_file temp) {
  bool written = fflush(temp.file.get()) == 0 && fsync(fileno(temp.file.get())) == 0;
  written = fclose(temp.file.release()) == 0 && written;
  std::string error;
  if (!written)
    error = "cannot write " + temp.target + ": " + std::strerror(errno);
  else if (std::rename(temp.temp_path.c_str(), temp.target.c_str()) != 0)
    error = "cannot replace " + temp.target + ": " + std::strerror(errno);
  if (!error.empty()) std::remove(temp.temp_path.c_str());
  return error;
}

void discard_temp_file(temp_file temp) {
  temp.file.reset();
  std::remove(temp.temp_path.c_str());
}

std::string replace_file_text(std::string target, std::string text, int mode) {
  temp_file temp = create_temp_beside(target);
  if (!temp.file) return temp.error;
  bool written = mode == kUsualFileMode || fchmod(fileno(temp.file.get()), mode) == 0;
  written = written && std::fwrite(text.data(), 1, text.size(), temp.file.get()) == text.size();
  if (!written) {
    std::string error = "cannot write " + target + ": " + std::strerror(errno);
    discard_temp_file(std::move(temp));
    return error;
  }
  return commit_temp_file(std::move(temp));
}
