#include "tools/jpsconv/cli_common.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace {

constexpr long long kMaxJobs = 64;   // -j: processes at a time

}  // namespace

bool TakeValue(const std::vector<std::string>& args, size_t* i, const std::string& name,
               std::string* value, std::string* error) {
  const std::string& arg = args[*i];
  if (arg == name) {
    if (*i + 1 >= args.size()) {
      *error = name + " needs a value";
      return true;
    }
    *value = args[++*i];
    return true;
  }
  if (name.size() > 2 && arg.compare(0, name.size() + 1, name + "=") == 0) {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  if (name.size() == 2 && arg.size() > 2 && arg.compare(0, 2, name) == 0) {  // -j4
    *value = arg.substr(2);
    return true;
  }
  return false;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

bool TakeJobCount(const std::vector<std::string>& args, size_t* i, int* jobs, std::string* error) {
  std::string text;
  if (!TakeValue(args, i, "-j", &text, error) && !TakeValue(args, i, "--jobs", &text, error)) {
    return false;
  }
  long long value = 0;
  if (!error->empty()) return true;
  if (!ParseInteger(text, 1, kMaxJobs, &value)) {
    *error = "-j needs a number from 1 to 64";
  } else {
    *jobs = static_cast<int>(value);
  }
  return true;
}

bool TakeRinexVersion(const std::vector<std::string>& args, size_t* i,
                      jpsrinex::RinexVersion* version, std::string* error) {
  std::string text;
  if (!TakeValue(args, i, "--rinex-version", &text, error)) return false;
  if (!error->empty()) return true;
  using jpsrinex::RinexVersion;
  if (text == RinexVersionText(RinexVersion::k304) || text == "3") {
    *version = RinexVersion::k304;
  } else if (text == RinexVersionText(RinexVersion::k211) || text == "2") {
    *version = RinexVersion::k211;
  } else {
    *error = "--rinex-version takes 3.04 or 2.11";
  }
  return true;
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  size_t separator = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (separator == std::string::npos || dot > separator)) {
    return path.substr(0, dot) + extension;
  }
  return path + extension;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  bool separated = folder.empty() || folder.back() == '/' || folder.back() == '\\';
  return separated ? folder + name : folder + platform::kPathSeparator + name;
}

std::string BaseName(const std::string& path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

void AppendPrintable(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t run = 0;   // start of the printable run not appended yet
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x20 || c == '\t') && c != 0x7F) continue;
    out.append(text.data() + run, i - run);
    const char escaped[] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    out.append(escaped, sizeof escaped);
    run = i + 1;
  }
  out.append(text.data() + run, text.size() - run);
}

std::string Printable(const std::string& text) {
  std::string out;
  AppendPrintable(out, text);
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string ValidUtf8(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (valid) {
      out.append(text, i, length);
      i += length;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

std::string Formatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string ErrnoText() { return std::strerror(errno); }

void Complain(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
}

std::string OverwritesInput(const std::vector<std::string>& outputs, const std::string& input) {
  for (const std::string& out : outputs) {
    if (!out.empty() && (out == input || SameFile(out, input))) {
      return "the output " + out + " would overwrite the input";
    }
  }
  return "";
}

}  // namespace jpsconv
