// jpsconv on Windows: child processes, this program started again by
// CreateProcess with its standard output on an anonymous pipe. They share
// the console, so Ctrl-C reaches each of them as it reaches this one.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace platform {
namespace {

// A process that the console's Ctrl-C ended before it set its handler.
constexpr DWORD kControlCExit = 0xC000013A;
// Exit codes from here up are the system's reports of a crash.
constexpr DWORD kFirstExceptionCode = 0xC0000000;
// How often the pipes are looked at while no child ends.
constexpr DWORD kLookMilliseconds = 10;
constexpr DWORD kLongestPath = 32768;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// The arguments arrive in the ANSI code page and go back to the child in it.
std::wstring Widen(const std::string& text) {
  if (text.empty()) return L"";
  int length = static_cast<int>(text.size());
  int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring out(static_cast<size_t>(std::max(0, size)), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), length, &out[0], size);
  return out;
}

// One argument written so that CommandLineToArgvW and the C runtime read
// it back as it was: quoted when it holds blanks or quotes, with the
// backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

}  // namespace

std::string StartChild(const std::vector<std::string>& args, ChildProcess* child) {
  std::wstring program(kLongestPath, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, &program[0], kLongestPath);
  if (length == 0 || length >= kLongestPath) return LastErrorText();
  program.resize(length);
  std::wstring line = L"\"" + program + L"\"";
  for (const std::string& a : args) line += L" " + Quoted(Widen(a));

  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return LastErrorText();
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  SetHandleInformation(errors, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = errors;
  PROCESS_INFORMATION started{};
  BOOL ok = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &started);
  std::string error = ok ? "" : LastErrorText();
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return error;
  }
  CloseHandle(started.hThread);
  child->process = reinterpret_cast<intptr_t>(started.hProcess);
  child->output = reinterpret_cast<intptr_t>(readEnd);
  return "";
}

// Anonymous pipes cannot be waited for: they are looked at, and between
// looks the wait ends early when a child ends.
void WaitForChildren(const std::vector<const ChildProcess*>& children, int milliseconds,
                     std::vector<bool>* ready) {
  ready->assign(children.size(), false);
  std::vector<HANDLE> processes;
  for (const ChildProcess* c : children) processes.push_back(AsHandle(c->process));
  processes.resize(std::min<size_t>(processes.size(), MAXIMUM_WAIT_OBJECTS));
  DWORD start = GetTickCount();
  for (;;) {
    bool any = false;
    for (size_t i = 0; i < children.size(); ++i) {
      DWORD waiting = 0;
      BOOL open = PeekNamedPipe(AsHandle(children[i]->output), nullptr, 0, nullptr, &waiting,
                                nullptr);
      (*ready)[i] = !open || waiting > 0;
      any = any || (*ready)[i];
    }
    DWORD elapsed = GetTickCount() - start;
    if (any || processes.empty() || elapsed >= static_cast<DWORD>(milliseconds)) return;
    DWORD wait = std::min(kLookMilliseconds, static_cast<DWORD>(milliseconds) - elapsed);
    WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE, wait);
  }
}

bool ReadChild(ChildProcess* child, std::string* out) {
  char buffer[4096];
  DWORD got = 0;
  if (!ReadFile(AsHandle(child->output), buffer, sizeof buffer, &got, nullptr)) {
    CloseHandle(AsHandle(child->output));
    child->output = -1;
    return false;
  }
  // The child's standard output is in text mode: CR LF becomes LF again.
  for (DWORD i = 0; i < got; ++i) {
    if (buffer[i] == '\n' && !out->empty() && out->back() == '\r') {
      out->back() = '\n';
    } else {
      out->push_back(buffer[i]);
    }
  }
  return true;
}

ChildExit ReapChild(ChildProcess* child) {
  HANDLE process = AsHandle(child->process);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  child->process = -1;
  ChildExit e;
  e.interrupted = code == kControlCExit;
  e.exited = code < kFirstExceptionCode;
  e.code = e.exited ? static_cast<int>(code) : -1;
  char how[64];
  std::snprintf(how, sizeof how, e.exited ? "ended with status %lu" : "ended with status 0x%08lX",
                static_cast<unsigned long>(code));
  e.how = how;
  return e;
}

// The console's Ctrl-C and Ctrl-Break reach every process in it; a child has
// no other way to be asked.
void InterruptChild(const ChildProcess&) {}

}  // namespace platform
}  // namespace jpsconv
