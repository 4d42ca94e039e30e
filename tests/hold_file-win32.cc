// Test helper for Windows: opens a file the way a running game holds its own
// executable (shared with nobody), prints "holding" and keeps it open for the
// given number of seconds.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold-file PATH SECONDS\n");
    return 2;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold-file: cannot open the file (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10) * 1000));
  CloseHandle(file);
  return 0;
}
