// Resident memory does not grow with the input: a conversion of a large
// input peaks at the same resident size, within a few MB, as one of a small
// input. Each conversion runs in a child process whose peak the system
// reports when it ends.
//
// By default the inputs are 10 MB and 100 MB of a simulated session repeated.
// scripts/memory.sh sets JPS_MEMORY_INPUT (a large input file, of which the
// first JPS_MEMORY_SMALL_MB MB make the small input) for the run on 1 GB.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/jav_dll.h"
#include "tools/builder/host_request.h"
#include "tests/builder/test_host.h"
#include "tools/simulator/simulator.h"

namespace {

constexpr double kBytesPerMegabyte = 1e6;
constexpr long kAllowedGrowthKb = 4 * 1024;   // "within a few MB"
constexpr double kChunkMinutes = 20.0;        // the simulated session that is repeated

double EnvironmentNumber(const char* name, double fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atof(text) : fallback;
}

// Writes megabytes MB made of copies of chunk (the last one cut short).
bool WriteRepeated(const std::string& path, const jpsbuild::Bytes& chunk, double megabytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  auto left = static_cast<uint64_t>(megabytes * kBytesPerMegabyte);
  bool ok = true;
  while (ok && left > 0) {
    size_t n = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
    ok = std::fwrite(chunk.data(), 1, n, f) == n;
    left -= n;
  }
  return std::fclose(f) == 0 && ok;
}

// The first megabytes MB of a file.
bool WriteLeadingPart(const std::string& path, const std::string& from, double megabytes) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  bool ok = in != nullptr && out != nullptr;
  auto left = static_cast<uint64_t>(megabytes * kBytesPerMegabyte);
  static char buffer[1 << 16];
  while (ok && left > 0) {
    size_t want = left < sizeof buffer ? static_cast<size_t>(left) : sizeof buffer;
    size_t n = std::fread(buffer, 1, want, in);
    if (n == 0) break;
    ok = std::fwrite(buffer, 1, n, out) == n;
    left -= n;
  }
  if (in != nullptr) std::fclose(in);
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  return ok;
}

void JAV_CALL NoMessage(double, const char*) {}
void JAV_CALL NoProgress(int32_t, int32_t) {}

struct ChildRun {
  int result = -2;
  long peakKb = 0;
};

// Converts input into kel in a child process; its result and peak resident size.
ChildRun ConvertInChild(const std::string& input, const std::string& kel, bool watchProgress) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    jps::ConversionRequest request = jpsbuild::HostRequest(input, kel);
    jps::HostCallbacks callbacks =
        jpsbuild::HostCallbacksWith(NoMessage, watchProgress ? NoProgress : nullptr);
    _exit(ConvertFile(&request, &callbacks, 0) == 0 ? 0 : 1);
  }
  ChildRun run;
  if (pid < 0) return run;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKb = usage.ru_maxrss;   // kilobytes on Linux
  return run;
}

}  // namespace

// AddressSanitizer's allocator keeps freed memory aside: its resident size
// says nothing about the converter's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

TEST(MemoryFlatness, LargeInputPeaksAtTheResidentSizeOfASmallOne) {
  if (kUnderAddressSanitizer) GTEST_SKIP() << "resident sizes mean nothing under AddressSanitizer";
  const double smallMb = EnvironmentNumber("JPS_MEMORY_SMALL_MB", 10);
  const double largeMb = EnvironmentNumber("JPS_MEMORY_LARGE_MB", 100);
  const char* given = std::getenv("JPS_MEMORY_INPUT");
  std::string dir = jpstest::TempDir();
  std::string small = dir + "/small.jps";
  std::string large = dir + "/large.jps";
  if (given != nullptr && *given != '\0') {
    large = given;
    ASSERT_TRUE(WriteLeadingPart(small, large, smallMb));
  } else {
    jpssim::SimulatorOptions options;
    options.minutes = kChunkMinutes;
    jpsbuild::Bytes chunk = jpssim::SimulateSessionBytes(options);
    ASSERT_FALSE(chunk.empty());
    ASSERT_TRUE(WriteRepeated(small, chunk, smallMb));
    ASSERT_TRUE(WriteRepeated(large, chunk, largeMb));
  }
  for (bool watchProgress : {false, true}) {
    SCOPED_TRACE(watchProgress ? "host watching progress" : "host without progress callback");
    ChildRun a = ConvertInChild(small, dir + "/small.kel", watchProgress);
    ChildRun b = ConvertInChild(large, dir + "/large.kel", watchProgress);
    ASSERT_EQ(a.result, 0);
    ASSERT_EQ(b.result, 0);
    std::printf("peak resident size%s: %ld kB for %s, %ld kB for %s\n",
                watchProgress ? " (progress watched)" : "", a.peakKb, small.c_str(), b.peakKb,
                large.c_str());
    EXPECT_LE(b.peakKb - a.peakKb, kAllowedGrowthKb);
  }
  std::remove((dir + "/small.kel").c_str());
  std::remove((dir + "/large.kel").c_str());
  if (given == nullptr || *given == '\0') std::remove(large.c_str());
}
