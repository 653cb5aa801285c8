// jpsconv on Windows: the command line. The system keeps it in UTF-16; the
// C runtime's file functions and the plug-in's entry points take paths in the
// ANSI code page, so each argument is handed on in that code page, a path
// that does not fit it by its short (8.3) name, and *.jps is expanded here
// as cmd.exe leaves it to the program.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace platform {
namespace {

constexpr const wchar_t* kSeparators = L"\\/";
constexpr const wchar_t* kWildcards = L"*?";

// The text in the ANSI code page; false when a character has no place in it.
bool ToAnsi(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  // A code page of UTF-8 holds every character and takes no flags.
  bool utf8 = GetACP() == CP_UTF8;
  DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr,
                                 utf8 ? nullptr : &lossy);
  if (size <= 0 || lossy) return false;
  out->resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, &(*out)[0], size, nullptr,
                      utf8 ? nullptr : &lossy);
  return !lossy;
}

// The text as well as the code page shows it: "?" where it cannot (not a
// look-alike letter, which would name another file).
std::string Shown(const std::wstring& text) {
  std::string out;
  int length = static_cast<int>(text.size());
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return out;
  out.resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, &out[0], size, nullptr, nullptr);
  return out;
}

// The short form of an existing path ("" when it does not exist).
std::wstring ShortForm(const std::wstring& path) {
  DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return L"";
  std::wstring out(size, L'\0');
  size = GetShortPathNameW(path.c_str(), &out[0], size);
  out.resize(size);
  return out;
}

// The path in the ANSI code page: as it is, by its short name when it exists,
// or, for a file still to be written, its folder by its short name and its
// own name as it is. False when neither way fits.
bool AnsiPath(const std::wstring& path, std::string* out) {
  if (ToAnsi(path, out)) return true;
  std::wstring shortPath = ShortForm(path);
  if (!shortPath.empty() && ToAnsi(shortPath, out)) return true;
  size_t separator = path.find_last_of(kSeparators);
  if (separator == std::wstring::npos || separator == 0) return false;
  std::string folder, name;
  if (!ToAnsi(path.substr(separator + 1), &name) ||
      !AnsiPath(path.substr(0, separator), &folder)) {
    return false;
  }
  *out = folder + static_cast<char>(path[separator]) + name;
  return true;
}

// Whether name matches pattern (* any run, ? one character), case aside.
bool Matches(const wchar_t* pattern, const wchar_t* name) {
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*name != L'\0') {
    if (*pattern == L'*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == L'?' || std::towlower(*pattern) == std::towlower(*name)) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == L'*') ++pattern;
  return *pattern == L'\0';
}

// The names a pattern with wildcards in its last part matches, sorted, with
// the pattern's folder in front; none when it has no wildcard there.
std::vector<std::wstring> Expand(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  size_t separator = pattern.find_last_of(L"\\/:");
  size_t leafStart = separator == std::wstring::npos ? 0 : separator + 1;
  if (pattern.find_first_of(kWildcards, leafStart) == std::wstring::npos) return names;
  std::wstring leaf = pattern.substr(leafStart);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    // The system matches short names too (*.jps finds a.jpsx by A~1.JPS).
    bool hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    if (!hidden && Matches(leaf.c_str(), found.cFileName)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  });
  for (std::wstring& name : names) name = pattern.substr(0, leafStart) + name;
  return names;
}

std::string AddArgument(const std::wstring& argument, std::vector<std::string>* args) {
  std::string ansi;
  if (!AnsiPath(argument, &ansi)) {
    return "cannot use the name " + Shown(argument) +
           ": it has characters outside the system's code page (" + std::to_string(GetACP()) +
           ") and no short (8.3) name on its volume; rename it, or use a folder whose name fits";
  }
  args->push_back(ansi);
  return "";
}

}  // namespace

std::string ProgramArguments(int, char**, std::vector<std::string>* args) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return "cannot read the command line";
  std::string error;
  for (int i = 1; i < count && error.empty(); ++i) {
    std::wstring argument = wide[i];
    std::vector<std::wstring> matches;
    if (!argument.empty() && argument[0] != L'-') matches = Expand(argument);
    // A pattern that matches nothing stays as it is (and cannot be opened).
    if (matches.empty()) matches.push_back(argument);
    for (size_t k = 0; k < matches.size() && error.empty(); ++k) {
      error = AddArgument(matches[k], args);
    }
  }
  LocalFree(wide);
  return error;
}

}  // namespace platform
}  // namespace jpsconv
