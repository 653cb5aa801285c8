// The progress bar on stderr: only on a terminal, redrawn at most ten
// times a second, with the percentage, the speed and the time left. It
// overwrites itself on its line: with the escape sequence that erases the
// rest of the line where the terminal takes it, with blanks elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace jpsconv {

class ProgressBar {
 public:
  // enabled false makes every call do nothing.
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}
  ~ProgressBar() { Clear(); }

  // A new task of totalBytes bytes under label.
  void Start(const std::string& label, int64_t totalBytes);
  void SetLabel(const std::string& label) { label_ = label; }
  // fraction done, 0 to 1; redraws when the last drawing is old enough.
  void Update(double fraction);
  // True when Update would redraw now (always when the bar is off): the
  // moment to write out what waits for the terminal.
  bool Due() const;
  // Erases the bar (before other text goes to stderr); the next Update draws again.
  void Clear();
  // Draws the final state and ends its line, so that it stays on the screen.
  void Finish(double fraction);
  bool enabled() const { return enabled_; }

  // The bar's text for a width in columns (for tests of the layout).
  static std::string Render(const std::string& label, double fraction, double seconds,
                            int64_t totalBytes, int width);

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(double fraction);

  bool enabled_;
  bool shown_ = false;
  size_t shownWidth_ = 0;  // columns of the text on the screen
  std::string label_;
  int64_t totalBytes_ = 0;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
  bool drawn_ = false;
};

}  // namespace jpsconv
