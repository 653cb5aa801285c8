#include "tools/jpsconv/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);  // ten times a second
constexpr int kMinBarWidth = 10;
constexpr double kBytesPerMegabyte = 1e6;
constexpr double kMinSecondsForEstimate = 0.5;

// Erases the rest of the terminal's line.
constexpr const char* kEraseLine = "\033[K";

std::string Duration(double seconds) {
  long total = std::lround(seconds);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

}  // namespace

std::string ProgressBar::Render(const std::string& label, double fraction, double seconds,
                                int64_t totalBytes, int width) {
  fraction = std::min(1.0, std::max(0.0, fraction));
  char tail[96];
  double done = fraction * static_cast<double>(totalBytes);
  std::string speed = "   -- MB/s";
  std::string left = "--:--";
  if (seconds >= kMinSecondsForEstimate && fraction > 0) {
    char s[32];
    std::snprintf(s, sizeof s, "%6.1f MB/s", done / seconds / kBytesPerMegabyte);
    speed = s;
    left = Duration(seconds * (1.0 - fraction) / fraction);
  }
  std::snprintf(tail, sizeof tail, " %3d%% %s %s left", static_cast<int>(fraction * 100.0),
                speed.c_str(), left.c_str());
  // label [=====>    ] tail, within width - 1 columns.
  int tailWidth = static_cast<int>(std::string(tail).size());
  int labelRoom = std::max(0, width - 1 - tailWidth - 3 - kMinBarWidth);
  std::string name = label;
  if (static_cast<int>(name.size()) > labelRoom) {
    size_t keep = static_cast<size_t>(labelRoom);
    name = keep > 3 ? "..." + name.substr(name.size() - (keep - 3)) : name.substr(0, keep);
  }
  int barWidth = std::max(kMinBarWidth, width - 1 - tailWidth - 3 - static_cast<int>(name.size()));
  int filled = static_cast<int>(fraction * barWidth);
  std::string bar = name + " [" + std::string(static_cast<size_t>(filled), '=');
  if (filled < barWidth) bar += '>' + std::string(static_cast<size_t>(barWidth - filled - 1), ' ');
  return bar + "]" + tail;
}

void ProgressBar::Start(const std::string& label, int64_t totalBytes) {
  label_ = label;
  totalBytes_ = totalBytes;
  start_ = Clock::now();
  drawn_ = false;
}

bool ProgressBar::Due() const {
  return !drawn_ || Clock::now() - lastDraw_ >= kRedrawInterval;
}

void ProgressBar::Update(double fraction) {
  if (!enabled_) return;
  Clock::time_point now = Clock::now();
  if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  drawn_ = true;
  Draw(fraction);
}

void ProgressBar::Draw(double fraction) {
  double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  std::string text = Render(label_, fraction, seconds, totalBytes_, platform::TerminalWidth());
  size_t width = text.size();
  // A terminal without the escape sequence gets blanks over the longer old text.
  if (platform::TerminalErasesLines()) {
    text += kEraseLine;
  } else if (text.size() < shownWidth_) {
    text.append(shownWidth_ - text.size(), ' ');
  }
  std::fprintf(stderr, "\r%s", text.c_str());
  std::fflush(stderr);
  shown_ = true;
  shownWidth_ = width;
}

void ProgressBar::Finish(double fraction) {
  if (!enabled_) return;
  Draw(fraction);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  shown_ = false;
}

void ProgressBar::Clear() {
  if (!enabled_ || !shown_) return;
  if (platform::TerminalErasesLines()) {
    std::fprintf(stderr, "\r%s", kEraseLine);
  } else {
    std::fprintf(stderr, "\r%s\r", std::string(shownWidth_, ' ').c_str());
  }
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace jpsconv
