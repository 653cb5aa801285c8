// The 32-bit Windows build of the plug-in: its export and import tables (and
// those of jpsconv.exe), the zip archive that ships them, and conversions run
// under wine by dll_host.exe compared byte for byte with the same conversions
// run by the Linux dll_host on the Linux jav_dll. The build folder's win32/ holds the cross build. On a
// machine that cannot run 32-bit programs the conversions run the 64-bit
// Windows build of the same sources (win64/) under wine64: the same C
// runtime's formatting, file and path handling, with 64-bit records. Without
// mingw-w64 and wine these tests skip (configure with -DJPS_WINE_TESTS=ON to
// require them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;

namespace {

#if defined(JPS_WIN32_DLL)
constexpr bool kWindowsBuild = true;
#else
constexpr bool kWindowsBuild = false;
#define JPS_WIN32_DLL ""
#define JPS_WIN32_HOST ""
#define JPS_WIN32_JPSCONV ""
#define JPS_WINE_DLL ""
#define JPS_WINE_HOST ""
#define JPS_NATIVE_DLL ""
#define JPS_NATIVE_HOST ""
#define JPS_WINE ""
#define JPS_WINE_EXTRA_ENV ""
#define JPS_WINEPREFIX ""
#define JPS_MINGW_OBJDUMP ""
#define JPS_WIN32_ARCHIVE ""
#define JPS_CMAKE_COMMAND ""
#define JPS_PUBLIC_HEADERS ""
#endif

#define SKIP_WITHOUT_WINDOWS_BUILD()                                                     \
  if (!kWindowsBuild) {                                                                  \
    GTEST_SKIP() << "Windows build not configured: needs mingw-w64 and wine "            \
                    "(optional groups wine32, wine64)";                                  \
  }

// The creation stamp of the KEL header: the only bytes that may differ.
constexpr size_t kKelStampBegin = 8;
constexpr size_t kKelStampEnd = 20;
constexpr size_t kKelHeaderSize = 202;

// What SetFactoryDefaults writes, byte for byte: 1 at 8, 1.0 at 16, 1 at 44.
const char* const kDefaultOptionsHex =
    "0000000000000000"                          // 0: GpsOnly, L1PhaseFromP1
    "01000000" "00000000"                       // 8: 1, StartDynamic
    "000000000000f03f"                          // 16: 1.0
    "0000000000000000" "0000000000000000" "00000000"  // 24..43
    "01000000"                                  // 44: SiteAwaitsSave
    "0000000000000000";                         // 48: SkipGreisEpochs, SkipRmEpochs

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The outputs of one dll_host run in its own folder.
struct HostOutput {
  int status = -1;
  std::string log, kel, epp, sta, console;
};

std::string JoinSwitches(const std::vector<std::string>& switches) {
  std::string out;
  for (const auto& s : switches) out += " " + Quote(s);
  return out;
}

HostOutput RunDllHost(const std::string& dir, const std::string& launcher,
                      const std::string& host, const std::string& dll,
                      const std::vector<std::string>& switches) {
  std::string command = "cd " + Quote(dir) + " && " + launcher + Quote(host) + " " + Quote(dll) +
                        " host.log input.jps out.kel" + JoinSwitches(switches) +
                        " >console.txt 2>&1";
  HostOutput out;
  out.status = std::system(command.c_str());
  out.log = jpstest::ReadFile(dir + "/host.log");
  out.kel = jpstest::ReadFile(dir + "/out.kel");
  out.epp = jpstest::ReadFile(dir + "/out.epp");
  out.sta = jpstest::ReadFile(dir + "/out.STA");
  out.console = jpstest::ReadFile(dir + "/console.txt");
  return out;
}

// The 64-bit build runs with its loader named in the environment too
// (/usr/bin/wine takes the 32-bit one whenever it is installed).
std::string WineLauncher() {
  return "env WINEPREFIX=" + Quote(JPS_WINEPREFIX) + " " + JPS_WINE_EXTRA_ENV +
         " WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= " + Quote(JPS_WINE) + " ";
}

// Places the input as input.jps in dir: written, or linked to a recording.
void PlaceInput(const std::string& dir, const Bytes* bytes, const std::string& recording) {
  std::filesystem::create_directories(dir);
  if (bytes != nullptr) {
    jpstest::WriteFile(dir + "/input.jps", *bytes);
  } else {
    std::filesystem::create_symlink(recording, dir + "/input.jps");
  }
}

struct Comparison {
  HostOutput native, windows;
};

// Runs the same conversion with both builds, each in a folder of its own
// under the same relative names, so that paths in texts match too.
Comparison RunBoth(const std::string& base, const Bytes* bytes, const std::string& recording,
                   const std::vector<std::string>& switches) {
  PlaceInput(base + "/linux", bytes, recording);
  PlaceInput(base + "/windows", bytes, recording);
  Comparison c;
  c.native = RunDllHost(base + "/linux", "", JPS_NATIVE_HOST, JPS_NATIVE_DLL, switches);
  c.windows = RunDllHost(base + "/windows", WineLauncher(), JPS_WINE_HOST, JPS_WINE_DLL, switches);
  return c;
}

::testing::AssertionResult SameLog(const std::string& native, const std::string& windows) {
  if (native == windows) return ::testing::AssertionSuccess();
  std::vector<std::string> a = Lines(native), b = Lines(windows);
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return ::testing::AssertionFailure()
         << "host logs differ at line " << i + 1 << " (" << a.size() << " vs " << b.size()
         << " lines)\n  linux:   " << (i < a.size() ? a[i] : "<end>")
         << "\n  windows: " << (i < b.size() ? b[i] : "<end>");
}

::testing::AssertionResult SameBytes(const char* what, const std::string& native,
                                     const std::string& windows, size_t skipBegin = 0,
                                     size_t skipEnd = 0) {
  if (native.size() != windows.size()) {
    return ::testing::AssertionFailure() << what << " sizes differ: " << native.size() << " vs "
                                         << windows.size();
  }
  for (size_t i = 0; i < native.size(); ++i) {
    if (i >= skipBegin && i < skipEnd) continue;
    if (native[i] != windows[i]) {
      return ::testing::AssertionFailure()
             << what << " differs at byte " << i << ": "
             << static_cast<int>(static_cast<unsigned char>(native[i])) << " vs "
             << static_cast<int>(static_cast<unsigned char>(windows[i]));
    }
  }
  return ::testing::AssertionSuccess();
}

bool HasLine(const std::string& log, const std::string& line) {
  std::vector<std::string> lines = Lines(log);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int CountPrefix(const std::string& log, const std::string& prefix) {
  int n = 0;
  for (const auto& line : Lines(log)) n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

// Lines with the prefix that end in the suffix.
int CountSuffix(const std::string& log, const std::string& prefix, const std::string& suffix) {
  int n = 0;
  for (const auto& line : Lines(log)) {
    n += line.compare(0, prefix.size(), prefix) == 0 && line.size() >= suffix.size() &&
                 line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0
             ? 1
             : 0;
  }
  return n;
}

// Both hosts ran, the Windows one saw what every host must see, and the two
// builds agree on every text, time tag, progress pair, count and output byte.
void ExpectSameConversion(const Comparison& c) {
  ASSERT_EQ(c.native.status, 0) << c.native.console;
  ASSERT_EQ(c.windows.status, 0) << c.windows.console;
  const std::string& log = c.windows.log;
  EXPECT_TRUE(HasLine(log, "loaded 5 entry points"));
  EXPECT_TRUE(HasLine(log, std::string("start defaults ") + kDefaultOptionsHex));
  EXPECT_TRUE(HasLine(log, "start defaults size 55 untouched"));
  EXPECT_TRUE(HasLine(log, "reserved bytes untouched"));
  EXPECT_EQ(CountPrefix(log, "result "), 1);
  ASSERT_GE(c.windows.kel.size(), kKelHeaderSize);

  EXPECT_TRUE(SameLog(c.native.log, c.windows.log));
  EXPECT_TRUE(SameBytes("KEL", c.native.kel, c.windows.kel, kKelStampBegin, kKelStampEnd));
  EXPECT_TRUE(SameBytes("EPP", c.native.epp, c.windows.epp));
  EXPECT_TRUE(SameBytes("STA", c.native.sta, c.windows.sta));
}

constexpr uint32_t kNegativeNanF4 = 0xFFC00001;
constexpr uint64_t kNegativeNanF8 = 0xFFF8000000000001;
constexpr uint32_t kInfinityF4 = 0x7F800000;

constexpr uint32_t kTimeOfWeekPastInt32 = 0x80000001;

// A GPS ephemeris whose fields include values that print differently from
// one platform to the next when left to the C library or the width of long:
// NaNs with the sign bit set, an infinity, a 32-bit time of week with its
// top bit set.
Bytes OddGpsEphemeris(int prn) {
  Body b;
  b.U1(prn).U4(kTimeOfWeekPastInt32).U1(0).I2(-3).I4(352800).I1(2).U1(0).I2(1811);
  b.F4(-1.1641532e-08f).F4Bits(kNegativeNanF4).F4(-3.6379788e-12f).F4Bits(kInfinityF4);
  b.I4(352800).I2(77);
  b.F8(5153.65478515625).F8Bits(kNegativeNanF8).F8(0.75).F8(-0.3).F8(0.3).F8(0.6);
  b.F4(1.5e-9f).F4(-2.6e-9f).F4(1.1e-10f).F4Bits(kNegativeNanF4).F4(-58.59375f);
  b.F4(-3.07708979e-06f).F4(8.05221498e-06f).F4(-9.31322575e-08f).F4(-1.00582838e-07f);
  return Message("GE", b);
}

// A GREIS session: date, GPS-UTC parameters, epochs of C/A ranges and
// phases, one range message with a broken checksum, an ephemeris with odd
// values, typed field events (one with a non-ASCII byte, one site never
// saved), camera pulses, and the epoch end.
Bytes SimulatedGreis() {
  const std::vector<uint8_t> satellites = {3, 7, 16, 22, 30};
  Bytes stream;
  Append(stream, ReceiverDate(2014, 8, 29));
  Append(stream, Message("UO", Body().F8(0).F4(0).U4(0).U2(1807).I1(16).U1(0).U2(0).I1(0)));
  for (int e = 0; e < 30; ++e) {
    Append(stream, ReceiverTime(43200000u + 1000u * static_cast<uint32_t>(e)));
    Append(stream, SatIndices(satellites));
    std::vector<double> ranges, phases;
    for (size_t i = 0; i < satellites.size(); ++i) {
      double range = 0.068 + 0.0013 * static_cast<double>(i) + 2.5e-9 * e;
      ranges.push_back(range);
      phases.push_back(range * 1575.42e6 + 0.25 * static_cast<double>(i));
    }
    Bytes rangeMessage = CaRanges(ranges);
    if (e == 12) rangeMessage = Damaged(rangeMessage, rangeMessage.size() - 1);
    Append(stream, rangeMessage);
    Append(stream, CaPhases(phases));
    if (e == 3) Append(stream, OddGpsEphemeris(satellites[1]));
    uint32_t ms = 43200000u + 1000u * static_cast<uint32_t>(e);
    if (e == 5) {
      Append(stream, EventRecord(ms + 500, "_SIT=PT\xe9 1"));
      Append(stream, EventRecord(ms + 500, "_ENT=POLE8"));
      Append(stream, EventMark("XA", ms + 250, 125000000));
      Append(stream, EventMark("XB", ms + 300, -1000));
    }
    if (e == 20) Append(stream, EventRecord(ms + 100, "_SIT=LAST"));
  }
  Append(stream, EpochEnd());
  return stream;
}

// An rM record of GPS or GLONASS satellites, each with an L1 C/A and an L2
// block (Doppler present).
Bytes RmEpoch(uint32_t towMs, const std::vector<uint8_t>& indices, int epoch, int clockCount) {
  constexpr uint32_t kSnr = 45;
  constexpr uint32_t kTypeL1 = 0;
  constexpr uint32_t kTypeL2 = 2;
  std::vector<RmEntry> entries;
  for (size_t i = 0; i < indices.size(); ++i) {
    int32_t k = static_cast<int32_t>(i);
    int32_t phase = 2000 + 13 * k - epoch;
    entries.push_back(MakeRmEntry(
        indices[i], 1050000000u + 61234u * static_cast<uint32_t>(i) + 7u * epoch,
        {MakeRmBlock(kTypeL1, phase, kSnr, 0x50, static_cast<uint32_t>(100 + epoch),
                     (-1500 + 37 * k) * 128),
         MakeRmBlock(kTypeL2, phase + 11, kSnr - 6, 0, 0xFFFF, -1, -37)}));
  }
  uint32_t clockWord = static_cast<uint32_t>(clockCount * 4 + 1) & 0xFFFF;
  return RmRecord(RmBody(towMs, clockWord, 0, entries, -1, 1807));
}

// rM records: good epochs (one with a GLONASS index whose frequency is not
// known), one with 24 satellites, one with a broken CRC.
Bytes SimulatedRm() {
  Bytes stream;
  for (int e = 0; e < 12; ++e) {
    std::vector<uint8_t> indices = {2, 9, 14, 27};
    if (e == 4) indices.push_back(50);
    Bytes record = RmEpoch(345600000u + 1000u * static_cast<uint32_t>(e), indices, e, -8 + e);
    if (e == 7) record = Damaged(record, record.size() - 1);
    Append(stream, record);
  }
  Append(stream, RmEpoch(345612000u, std::vector<uint8_t>(24, 5), 12, 0));
  return stream;
}

}  // namespace

TEST(WindowsDll, ExportsOnlyTheDecoratedEntryPointsAndImportsOnlySystemDlls) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  std::string dir = jpstest::TempDir();
  auto objdump = [&dir](const std::string& path) {
    std::string out = dir + "/" + std::filesystem::path(path).filename().string() + ".txt";
    std::string command = Quote(JPS_MINGW_OBJDUMP) + " -p " + Quote(path) + " >" + Quote(out);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return jpstest::ReadFile(out);
  };
  auto imports = [](const std::string& dump) {
    std::set<std::string> names;
    for (const auto& line : Lines(dump)) {
      size_t at = line.find("DLL Name: ");
      if (at != std::string::npos) names.insert(line.substr(at + 10));
    }
    return names;
  };
  const std::set<std::string> systemDlls = {"KERNEL32.dll", "msvcrt.dll"};

  std::string dll = objdump(JPS_WIN32_DLL);
  EXPECT_NE(dll.find("file format pei-i386"), std::string::npos);
  // The name table lists "\t[   n] name" lines after its heading.
  std::set<std::string> exports;
  std::vector<std::string> lines = Lines(dll);
  auto heading = std::find(lines.begin(), lines.end(), "[Ordinal/Name Pointer] Table");
  ASSERT_NE(heading, lines.end()) << dll;
  for (auto it = heading + 1; it != lines.end() && !it->empty(); ++it) {
    size_t close = it->find("] ");
    ASSERT_NE(close, std::string::npos) << *it;
    exports.insert(it->substr(close + 2));
  }
  EXPECT_EQ(exports, (std::set<std::string>{"_ConvertFile@12", "_AutoDetect@4",
                                             "_SetFactoryDefaults@8", "_GetErrString@4",
                                             "_Abort@0"}));
  EXPECT_EQ(imports(dll), systemDlls);

  // The test host needs no compiler runtime DLL either, or wine could not start it.
  std::string host = objdump(JPS_WIN32_HOST);
  EXPECT_NE(host.find("file format pei-i386"), std::string::npos);
  EXPECT_EQ(imports(host), systemDlls);

  // jpsconv.exe takes the five entry points from jav_dll.dll by the names the
  // host uses, and nothing else from outside the system.
  std::string program = objdump(JPS_WIN32_JPSCONV);
  EXPECT_NE(program.find("file format pei-i386"), std::string::npos);
  std::set<std::string> programDlls = systemDlls;
  programDlls.insert({"SHELL32.dll", "jav_dll.dll"});
  EXPECT_EQ(imports(program), programDlls);
  // The table of one DLL: a heading line, then "\tvma  hint  name" lines.
  std::set<std::string> fromPlugin;
  std::vector<std::string> table = Lines(program);
  auto dllLine = std::find(table.begin(), table.end(), "\tDLL Name: jav_dll.dll");
  ASSERT_NE(dllLine, table.end()) << program;
  for (auto it = dllLine + 2; it != table.end() && !it->empty(); ++it) {
    std::istringstream fields(*it);
    std::string vma, hint, name;
    fields >> vma >> hint >> name;
    fromPlugin.insert(name);
  }
  EXPECT_EQ(fromPlugin, exports);
}

// What the host's users get: the very DLL these tests compare, its export
// list, the 32-bit jpsconv.exe, the header set at its paths below include/,
// the installing text, the README and the licence with Windows line ends, and
// nothing else.
TEST(WindowsDll, ArchiveShipsTheComparedDllWithItsHeadersAndTexts) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  std::string dir = jpstest::TempDir();
  std::string command = "cd " + Quote(dir) + " && " + Quote(JPS_CMAKE_COMMAND) + " -E tar xf " +
                        Quote(JPS_WIN32_ARCHIVE);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::string root = dir + "/" + std::filesystem::path(JPS_WIN32_ARCHIVE).stem().string();

  std::set<std::string> expected = {"jav_dll.dll", "jav_dll.def",  "jpsconv.exe",
                                     "INSTALL.txt", "README.txt", "LICENSE.txt"};
  std::string dll = jpstest::ReadFile(root + "/jav_dll.dll");
  EXPECT_FALSE(dll.empty());
  EXPECT_TRUE(dll == jpstest::ReadFile(JPS_WIN32_DLL)) << "not the DLL of the 32-bit build";
  std::string program = jpstest::ReadFile(root + "/jpsconv.exe");
  EXPECT_FALSE(program.empty());
  EXPECT_TRUE(program == jpstest::ReadFile(JPS_WIN32_JPSCONV)) << "not the 32-bit jpsconv.exe";
  EXPECT_EQ(jpstest::ReadFile(root + "/jav_dll.def"),
            jpstest::ReadFile(JPS_SOURCE_DIR "/plugin/jav_dll.def"));
  std::istringstream headers(JPS_PUBLIC_HEADERS);
  for (std::string header; std::getline(headers, header, ',');) {
    expected.insert("include/" + header);
    EXPECT_EQ(jpstest::ReadFile(root + "/include/" + header),
              jpstest::ReadFile(JPS_SOURCE_DIR "/" + header))
        << header;
  }
  std::string readme = jpstest::ReadFile(root + "/README.txt");
  readme.erase(std::remove(readme.begin(), readme.end(), '\r'), readme.end());
  EXPECT_EQ(readme, jpstest::ReadFile(JPS_SOURCE_DIR "/README.md"));
  for (const char* text : {"INSTALL.txt", "README.txt", "LICENSE.txt"}) {
    std::string bytes = jpstest::ReadFile(root + "/" + text);
    size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_GT(lines, 10u) << text;
    size_t crlf = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
      ++crlf;
    EXPECT_EQ(crlf, lines) << text << ": every line ends in CR LF";
  }
  EXPECT_NE(jpstest::ReadFile(root + "/INSTALL.txt").find("Copy jav_dll.dll into"),
            std::string::npos);

  std::set<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      found.insert(std::filesystem::relative(entry.path(), root).generic_string());
  }
  EXPECT_EQ(found, expected);
}

TEST(WindowsDll, SimulatedGreisConvertsAlikeWithAndWithoutCallbacks) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  std::string dir = jpstest::TempDir();
  Bytes input = SimulatedGreis();
  Comparison with = RunBoth(dir + "/callbacks", &input, "", {"size-checks"});
  ExpectSameConversion(with);
  EXPECT_TRUE(HasLine(with.windows.log, "start autodetect input 1 missing 0"));
  EXPECT_TRUE(HasLine(with.windows.log, "request size 2671 result 1"));
  EXPECT_TRUE(HasLine(with.windows.log,
                      "request size 2671 \"Incorrect version of Sample Conversion DLL\""));
  EXPECT_TRUE(HasLine(with.windows.log,
                      "options size 0 \"Incorrect version of Sample Conversion DLL, Invalid options\""));
  EXPECT_TRUE(HasLine(with.windows.log, "result 0"));
  EXPECT_GT(CountPrefix(with.windows.log, "P "), 0);
  EXPECT_EQ(CountSuffix(with.windows.log, "P ", " " + std::to_string(input.size())),
            CountPrefix(with.windows.log, "P "));

  Comparison without = RunBoth(dir + "/no_callbacks", &input, "", {"no-callbacks"});
  ExpectSameConversion(without);
  EXPECT_EQ(CountPrefix(without.windows.log, "M "), 0);
  EXPECT_EQ(CountPrefix(without.windows.log, "P "), 0);
  // No callback changes what is written.
  EXPECT_TRUE(SameBytes("KEL with/without callbacks", with.windows.kel, without.windows.kel,
                        kKelStampBegin, kKelStampEnd));
  EXPECT_EQ(with.windows.epp, without.windows.epp);
  EXPECT_EQ(with.windows.sta, without.windows.sta);
}

TEST(WindowsDll, SimulatedRmConvertsAlikeWithAndWithoutCallbacks) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  std::string dir = jpstest::TempDir();
  Bytes input = SimulatedRm();
  Comparison with = RunBoth(dir + "/callbacks", &input, "", {"Verbose=1"});
  ExpectSameConversion(with);
  EXPECT_TRUE(HasLine(with.windows.log, "start autodetect input 1 missing 0"));
  // The broken CRC and the 24 satellites are refused; the other 11 records are epochs.
  EXPECT_EQ(CountSuffix(with.windows.log, "M ", " \"Checksum on RAW Meas\""), 2);
  EXPECT_TRUE(HasLine(with.windows.log,
                      "counts epochs 11 ephemerides 0 station-marks 0 event-marks 0"));
  Comparison without =
      RunBoth(dir + "/no_callbacks", &input, "", {"no-callbacks", "Verbose=1"});
  ExpectSameConversion(without);
  EXPECT_EQ(CountPrefix(without.windows.log, "M "), 0);
  EXPECT_EQ(CountPrefix(without.windows.log, "P "), 0);
}

TEST(WindowsDll, EntryPointsCalledFromInsideOnProgressAndAbort) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  Bytes input = SimulatedGreis();
  // A small input: its only progress call is the last one, at its end.
  Comparison c = RunBoth(jpstest::TempDir(), &input, "", {"probe-at=0", "abort-at=0"});
  ExpectSameConversion(c);
  const std::string& log = c.windows.log;
  EXPECT_TRUE(HasLine(log, std::string("probe defaults ") + kDefaultOptionsHex));
  EXPECT_TRUE(HasLine(log, "probe defaults size 55 untouched"));
  EXPECT_TRUE(HasLine(log, "probe autodetect input 1 missing 0"));
  EXPECT_EQ(CountPrefix(log, "probe error "), 1);
  EXPECT_TRUE(HasLine(log, "abort"));
  EXPECT_TRUE(HasLine(log, "result 1"));
  EXPECT_TRUE(HasLine(log, "end error \"User Quit\""));
  EXPECT_EQ(CountPrefix(log, "P "), 1);
}

TEST(WindowsDll, RealRecordingsConvertAlike) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  struct Case {
    const char* file;
    std::vector<std::string> switches;
  };
  const Case cases[] = {
      {"receiver-2014-08-29-1s.jps", {}},
      {"receiver-2014-08-29-1s.jps", {"no-callbacks"}},
      {"receiver-2014-08-29-1s.jps",
       {"GpsOnly=1", "L1PhaseFromP1=1", "KeepDamagedEpochs=1", "Verbose=1"}},
      {"receiver-2015-07-23-30s.jps", {}},
      {"receiver-2015-07-23-30s.jps", {"StartDynamic=1", "RequireL2=1", "SiteAwaitsSave=0"}},
      // Progress every 64 KiB: the fourth call is a quarter into the file.
      {"receiver-2015-07-23-30s.jps", {"probe-at=3", "abort-at=3"}},
  };
  std::string dir = jpstest::TempDir();
  int run = 0;
  for (const Case& k : cases) {
    std::string path = jpstest::DataFile(k.file);
    if (path.empty()) GTEST_SKIP() << "receiver recordings not present";
    SCOPED_TRACE(std::string(k.file) + JoinSwitches(k.switches));
    Comparison c = RunBoth(dir + "/run" + std::to_string(run++), nullptr,
                           std::filesystem::absolute(path).string(), k.switches);
    ExpectSameConversion(c);
    EXPECT_TRUE(HasLine(c.windows.log, "start autodetect input 1 missing 0"));
  }
}
