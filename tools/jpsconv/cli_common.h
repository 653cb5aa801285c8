// Small pieces shared by the jpsconv commands: exit statuses, argument
// reading, paths, text made safe for a terminal, JSON strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/rinex/rinex_text.h"

// On Windows jpsconv formats with mingw-w64's own printf, which takes the
// formats of the Linux C library (cmake/jpsconv_windows.cmake).
#if defined(__MINGW_PRINTF_FORMAT)
#define JPSCONV_PRINTF __MINGW_PRINTF_FORMAT
#else
#define JPSCONV_PRINTF printf
#endif

namespace jpsconv {

// Exit statuses of every command.
constexpr int kExitOk = 0;
constexpr int kExitRejected = 1;   // records rejected, conversion aborted, bad data
constexpr int kExitFileError = 2;  // a file could not be opened or written; bad usage

constexpr const char* kProgramName = "jpsconv";

// Reads the value of an option given as "--name value" or "--name=value"
// (also "-o value" and "-ovalue"). Returns false when args[*i] is not that option; on a
// missing value sets *error.
bool TakeValue(const std::vector<std::string>& args, size_t* i, const std::string& name,
               std::string* value, std::string* error);
bool ParseInteger(const std::string& text, long long low, long long high, long long* value);
// Takes "-j N" or "--jobs N" as TakeValue does, with N into *jobs; a value
// that is missing or no number from 1 to 64 sets *error.
bool TakeJobCount(const std::vector<std::string>& args, size_t* i, int* jobs, std::string* error);
bool ParseNumber(const std::string& text, double* value);
// Takes "--rinex-version V" as TakeValue does: V 3.04 (or 3) or 2.11 (or 2)
// into *version.
bool TakeRinexVersion(const std::vector<std::string>& args, size_t* i,
                      jpsrinex::RinexVersion* version, std::string* error);

// The path with its extension replaced (or appended): the extension is what
// follows the last dot after the last / or \.
std::string WithExtension(const std::string& path, const std::string& extension);
std::string BaseName(const std::string& path);
// Joins a folder and a name with the system's separator (unless the folder
// ends in one).
std::string InFolder(const std::string& folder, const std::string& name);
// The file facts come from the system (platform_*.cpp).
bool IsDirectory(const std::string& path);
// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);
// Creating an output truncates it: "the output OUT would overwrite the input"
// for the first of outputs that is the input, "" when none is ("" outputs
// are none).
std::string OverwritesInput(const std::vector<std::string>& outputs, const std::string& input);
int64_t FileSize(const std::string& path);  // -1 when unknown

// Text from the converter can carry bytes of the input: control characters
// are shown as \xNN so that they cannot drive the terminal.
std::string Printable(const std::string& text);
// The same, appended to out.
void AppendPrintable(std::string& out, std::string_view text);
// A JSON string literal.
std::string JsonString(const std::string& text);
// The text with every byte that does not belong to a well-formed UTF-8
// sequence shown as "?" (file names and marks may come in other encodings).
std::string ValidUtf8(const std::string& text);
// printf into a string; the format is always the program's own.
std::string Formatted(const char* format, ...) __attribute__((format(JPSCONV_PRINTF, 1, 2)));

std::string ErrnoText();

// "jpsconv: <message>" on stderr.
void Complain(const std::string& message);

}  // namespace jpsconv
