#include "remote/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

namespace {

std::string describe_errno() { return std::strerror(errno); }

std::string parent_folder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

mode_t default_file_mode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A rename is only durable once the folder that holds the name is on disk too.
void flush_folder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

void (*interrupt_callback)() = nullptr;

extern "C" void note_signal(int) {
  if (interrupt_callback) interrupt_callback();
}

const int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};  // SIGHUP: the terminal closed

}  // namespace

std::string make_folder(std::string path) {
  if (mkdir(path.c_str(), 0777) == 0) return "";
  int error = errno;
  struct stat info;
  if (error == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "";
  return "cannot create the folder " + path + ": " + std::strerror(error);
}

file_ptr create_unique_file(std::string folder, std::string prefix, std::string* path,
                            std::string* error) {
  std::string name = (folder.empty() ? "." : folder) + "/" + prefix + "XXXXXX";
  int fd = mkstemp(&name[0]);
  if (fd < 0) {
    *error = describe_errno();
    return nullptr;
  }
  // mkstemp makes the file private; the finished file gets the usual mode.
  fchmod(fd, default_file_mode());
  file_ptr file(fdopen(fd, "wb"));
  if (!file) {
    *error = describe_errno();
    close(fd);
    unlink(name.c_str());
    return nullptr;
  }
  *path = name;
  return file;
}

file_ptr open_for_reading(std::string path, std::string* error) {
  file_ptr file(std::fopen(path.c_str(), "rb"));
  if (!file) *error = describe_errno();
  return file;
}

std::string set_file_mode(FILE* file, int mode) {
  if (fchmod(fileno(file), static_cast<mode_t>(mode)) == 0) return "";
  return describe_errno();
}

std::string flush_to_disk(FILE* file) {
  if (fflush(file) != 0 || fsync(fileno(file)) != 0) return describe_errno();
  return "";
}

std::string replace_file(std::string source, std::string target) {
  if (std::rename(source.c_str(), target.c_str()) != 0)
    return "cannot replace " + target + ": " + describe_errno();
  flush_folder(parent_folder(target));
  return "";
}

void remove_file(std::string path) { unlink(path.c_str()); }

void set_up_console() {}

void restore_console() {}

std::string to_console_text(std::string name) { return name; }

void wait_for_key(std::ostream& out) {
  // Only a person at a terminal can press a key; a script must not hang.
  if (!isatty(STDIN_FILENO)) return;
  out << "Press Enter to continue . . ." << std::flush;
  std::string line;
  std::getline(std::cin, line);
}

void catch_interrupts(void (*on_interrupt)()) {
  interrupt_callback = on_interrupt;
  for (int signal_number : kInterruptSignals) std::signal(signal_number, note_signal);
}

void release_interrupts() {
  for (int signal_number : kInterruptSignals) std::signal(signal_number, SIG_DFL);
}
