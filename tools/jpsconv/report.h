// What jpsconv convert prints: the converter's messages (stderr) and one
// summary per file (stdout, as text or as a JSON line).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "tools/jpsconv/conversion.h"

namespace jpsconv {

// Where converter messages go: stderr unless a log file is set.
void SetMessageLog(std::FILE* log);
bool MessagesGoToTerminal();
// A converter message, line by line, with its time tag unless it is -1;
// prefix goes before every line (the input's name when several run).
// Calls line for every non-empty line of a converter text (CR LF or LF ends).
void ForEachMessageLine(std::string_view text, const std::function<void(std::string_view)>& line);
// Messages are gathered and written out in one piece by FlushConverterMessages
// (and whenever 64 KiB have gathered): a conversion of a long recording sends
// tens of thousands, and a write per line would cost more than the conversion.
void PrintConverterMessage(std::string_view prefix, double time, std::string_view text);
// Writes out the gathered messages; beforeWrite (if set) runs first when
// there are any, to clear a progress bar from the terminal line.
void FlushConverterMessages();
void SetBeforeMessagesWritten(std::function<void()> beforeWrite);
void PrintSummary(const ConversionResult& r, bool json);
std::string SummaryJson(const ConversionResult& r);

}  // namespace jpsconv
