#include "remote/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>
#include <thread>

#include "remote/native_path.h"

namespace {

// A target held open by another program (a scanner, the game itself) is
// often free again a moment later.
const int kReplaceTries = 10;
const auto kReplacePause = std::chrono::milliseconds(100);

// How long the system lets a program live after its console window closed.
const DWORD kCloseGraceMs = 4500;

std::wstring widen(const std::string& text, UINT code_page) {
  if (text.empty()) return L"";
  int length = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                      length);
  return wide;
}

std::string narrow_to_utf8(const std::wstring& wide) {
  if (wide.empty()) return "";
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length,
                      nullptr, nullptr);
  return text;
}

std::wstring widen_name(const std::string& name) {
  return widen(name, choose_name_encoding(name) == name_encoding::utf8 ? CP_UTF8 : CP_ACP);
}

// The wide, absolute, long-path form of `path`, each component read by its
// own encoding.
std::wstring to_native(const std::string& path) {
  std::wstring joined = (!path.empty() && path[0] == '/') ? L"\\" : L"";
  std::vector<std::string> components = split_path_components(path);
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) joined += L'\\';
    joined += widen_name(components[i]);
  }
  if (joined.empty()) joined = L".";
  DWORD length = GetFullPathNameW(joined.c_str(), 0, nullptr, nullptr);
  if (length == 0) return joined;
  std::wstring full(length, L'\0');
  length = GetFullPathNameW(joined.c_str(), length, &full[0], nullptr);
  full.resize(length);
  return add_long_path_prefix(full);
}

// The system's text for `code`, without its closing full stop and line end.
std::string describe_error(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? narrow_to_utf8(std::wstring(buffer, length)) : "";
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

std::string describe_last_error() { return describe_error(GetLastError()); }

bool is_in_use(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_ACCESS_DENIED || code == ERROR_USER_MAPPED_FILE;
}

std::string make_random_suffix() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937 generator{std::random_device{}() ^ GetCurrentProcessId() ^
                                static_cast<unsigned>(GetTickCount64())};
  std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix += kLetters[pick(generator)];
  return suffix;
}

void (*interrupt_callback)() = nullptr;
HANDLE run_finished = nullptr;
UINT original_output_code_page = 0;

BOOL WINAPI note_console_event(DWORD event) {
  if (interrupt_callback) interrupt_callback();
  // The system ends the program as soon as this returns from these events;
  // wait for the run to remove its temporary file and write its last words.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(run_finished, kCloseGraceMs);
  return TRUE;
}

}  // namespace

std::string make_folder(std::string path) {
  std::wstring native = to_native(path);
  if (CreateDirectoryW(native.c_str(), nullptr)) return "";
  DWORD code = GetLastError();
  DWORD attributes = GetFileAttributesW(native.c_str());
  if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "";
  return "cannot create the folder " + path + ": " + describe_error(code);
}

file_ptr create_unique_file(std::string folder, std::string prefix, std::string* path,
                            std::string* error) {
  for (int tries = 0; tries < 100; ++tries) {
    std::string name = (folder.empty() ? "." : folder) + "/" + prefix + make_random_suffix();
    HANDLE handle = CreateFileW(to_native(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      *error = describe_last_error();
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      *error = std::strerror(errno);
      CloseHandle(handle);
      remove_file(name);
      return nullptr;
    }
    file_ptr file(_fdopen(fd, "wb"));
    if (!file) {
      *error = std::strerror(errno);
      _close(fd);
      remove_file(name);
      return nullptr;
    }
    *path = name;
    return file;
  }
  *error = "no unused temporary name was found";
  return nullptr;
}

file_ptr open_for_reading(std::string path, std::string* error) {
  HANDLE handle = CreateFileW(to_native(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = describe_last_error();
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    *error = std::strerror(errno);
    CloseHandle(handle);
    return nullptr;
  }
  file_ptr file(_fdopen(fd, "rb"));
  if (!file) {
    *error = std::strerror(errno);
    _close(fd);
  }
  return file;
}

std::string set_file_mode(FILE*, int) { return ""; }

std::string flush_to_disk(FILE* file) {
  if (fflush(file) != 0) return std::strerror(errno);
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (!FlushFileBuffers(handle)) return describe_last_error();
  return "";
}

std::string replace_file(std::string source, std::string target) {
  std::wstring from = to_native(source), to = to_native(target);
  DWORD code = ERROR_SUCCESS;
  for (int tries = 1; tries <= kReplaceTries; ++tries) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return "";
    code = GetLastError();
    if (!is_in_use(code)) break;
    if (tries < kReplaceTries) std::this_thread::sleep_for(kReplacePause);
  }
  DWORD attributes = GetFileAttributesW(to.c_str());
  bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  std::string reason = describe_error(code);
  if (is_in_use(code) && !read_only)
    return "cannot replace " + target + ": " + reason +
           ". Another program is using it: close the game, then run the updater again";
  return "cannot replace " + target + ": " + reason;
}

void remove_file(std::string path) { DeleteFileW(to_native(path).c_str()); }

void set_up_console() {
  original_output_code_page = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
  // Byte for byte: the same text as on every other platform.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void restore_console() {
  std::fflush(stdout);
  if (original_output_code_page != 0) SetConsoleOutputCP(original_output_code_page);
}

std::string to_console_text(std::string name) {
  if (choose_name_encoding(name) == name_encoding::utf8) return name;
  return narrow_to_utf8(widen(name, CP_ACP));
}

void wait_for_key(std::ostream& out) {
  // Only a console has a key to press; a script must not hang.
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return;
  out.flush();
  std::system("PAUSE");
}

void catch_interrupts(void (*on_interrupt)()) {
  interrupt_callback = on_interrupt;
  if (!run_finished) run_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(run_finished);
  SetConsoleCtrlHandler(note_console_event, TRUE);
}

void release_interrupts() {
  std::fflush(stdout);
  std::fflush(stderr);
  SetEvent(run_finished);
  SetConsoleCtrlHandler(note_console_event, FALSE);
}
