// jpsconv on Windows: the console, Ctrl-C, the clock, errors and files. Paths
// are in the system's ANSI code page (platform_windows_arguments.cpp).
#include <windows.h>

#include <cstdlib>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/platform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace jpsconv {
namespace platform {
namespace {

constexpr int kDefaultWidth = 80;

void (*stopRequested)() = nullptr;

// The console runs this on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (stopRequested != nullptr) stopRequested();
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // The console ends the process when this returns: wait here instead,
      // so that the main thread finishes the files and exits (within the
      // few seconds the system allows).
      if (stopRequested != nullptr) stopRequested();
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

HANDLE StderrHandle() { return GetStdHandle(STD_ERROR_HANDLE); }

DWORD originalConsoleMode = 0;

void RestoreConsoleMode() { SetConsoleMode(StderrHandle(), originalConsoleMode); }

// Windows 10 and later take the terminal's escape sequences once virtual
// terminal processing is on; the mode is put back as the program ends.
bool EnableEscapes() {
  DWORD mode = 0;
  if (!GetConsoleMode(StderrHandle(), &mode)) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  if (!SetConsoleMode(StderrHandle(), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  originalConsoleMode = mode;
  std::atexit(RestoreConsoleMode);
  return true;
}

bool FileFacts(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* facts) {
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, facts) != 0;
}

}  // namespace

bool StderrIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(StderrHandle(), &mode) != 0;
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(StderrHandle(), &info)) return kDefaultWidth;
  int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? width : kDefaultWidth;
}

bool TerminalErasesLines() {
  static const bool escapes = EnableEscapes();
  return escapes;
}

void WatchInterrupts(void (*stop)()) {
  stopRequested = stop;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

std::tm UtcTime(std::time_t t) {
  // The C runtime keeps gmtime's result per thread.
  const std::tm* utc = std::gmtime(&t);
  return utc != nullptr ? *utc : std::tm{};
}

std::string LastErrorText() {
  DWORD code = GetLastError();
  char text[512];
  DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text, nullptr);
  std::string out(text, size);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) {
    out.pop_back();
  }
  return out.empty() ? "system error " + std::to_string(code) : out;
}

}  // namespace platform

// The C runtime's stat takes no folder written with a separator at its end
// and gives every file the same inode number: the system answers instead.
bool IsDirectory(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA facts;
  return platform::FileFacts(path, &facts) &&
         (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE h = CreateFileA(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(h, &info[i]);
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA facts;
  if (!platform::FileFacts(path, &facts)) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(facts.nFileSizeHigh) << 32) |
                              facts.nFileSizeLow);
}

}  // namespace jpsconv
