// What jpsconv convert prints: the converter's messages (stderr) and one
// summary per file (stdout, as text or as a JSON line).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "tools/jpsconv/conversion.h"

namespace jpsconv {

// Where converter messages go: stderr unless a log file is set.
void SetMessageLog(std::FILE* log);
bool MessagesGoToTerminal();
// A converter message, line by line, with its time tag unless it is -1;
// prefix goes before every line (the input's name when several run).
// Calls line for every non-empty line of a converter text (CR LF or LF ends).
void ForEachMessageLine(const std::string& text,
                        const std::function<void(const std::string&)>& line);
void PrintConverterMessage(const std::string& prefix, double time, const std::string& text);
void PrintSummary(const ConversionResult& r, bool json);
std::string SummaryJson(const ConversionResult& r);

}  // namespace jpsconv
