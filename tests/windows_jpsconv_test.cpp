// jpsconv.exe, the Windows build of the command-line program, run under wine
// with the jav_dll.dll beside it and compared with the Linux program on the
// same inputs: the 32-bit pair where this machine runs 32-bit programs, the
// 64-bit pair under wine64 elsewhere (cmake/wine_tests.cmake). The folders
// are handed to the Windows program as wine names them: drive Z: for /, with
// backslashes. Without mingw-w64 and wine these tests skip (configure with
// -DJPS_WINE_TESTS=ON to require them); without the shared recordings too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/kel_records.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

namespace fs = std::filesystem;
using jpstest::ProgramRun;
using jpstest::ReadFile;

#if defined(JPS_WINE_JPSCONV)
constexpr bool kWindowsBuild = true;
#else
constexpr bool kWindowsBuild = false;
#define JPS_WINE_JPSCONV ""
#define JPS_WINE ""
#define JPS_WINE_EXTRA_ENV ""
#define JPS_WINEPREFIX ""
#endif

const std::vector<std::string> kRecordings = {"receiver-2014-08-29-1s",
                                              "receiver-2015-07-23-30s"};
const char* const kConversionOutputs[] = {".kel", ".epp", ".STA"};

// Links the recordings into folder as NAME.jps; false when they are absent.
bool PlaceRecordings(const std::string& folder) {
  fs::create_directories(folder);
  for (const std::string& name : kRecordings) {
    std::string path = jpstest::DataFile(name + ".jps");
    if (path.empty()) return false;
    fs::create_symlink(fs::absolute(path), folder + "/" + name + ".jps");
  }
  return true;
}

#define SKIP_WITHOUT_WINDOWS_BUILD_OR_RECORDINGS(folder)                        \
  if (!kWindowsBuild) {                                                         \
    GTEST_SKIP() << "Windows build not configured (needs mingw-w64 and wine)"; \
  }                                                                             \
  if (!PlaceRecordings(folder)) GTEST_SKIP() << "receiver recordings not present"

// jpsconv.exe with the arguments, in folder cwd. A UTF-8 locale makes wine
// read Linux names as UTF-8 and take code page 1252 as the ANSI one.
ProgramRun Windows(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> argv = {"env", "WINEPREFIX=" JPS_WINEPREFIX, "WINEDEBUG=-all",
                                   "WINEDLLOVERRIDES=mscoree,mshtml=", "LC_ALL=C.UTF-8"};
  std::istringstream extra(JPS_WINE_EXTRA_ENV);
  for (std::string variable; extra >> variable;) argv.push_back(variable);
  argv.insert(argv.end(), {JPS_WINE, JPS_WINE_JPSCONV});
  argv.insert(argv.end(), args.begin(), args.end());
  std::string logs = cwd + "/../logs-windows";
  fs::create_directories(logs);
  return jpstest::Run(argv, logs, cwd);
}

ProgramRun Linux(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> argv = {jpstest::kProgram};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string logs = cwd + "/../logs-linux";
  fs::create_directories(logs);
  return jpstest::Run(argv, logs, cwd);
}

// The path as the Windows program names it.
std::string WindowsPath(const std::string& linuxPath) {
  std::string path = "Z:" + fs::absolute(linuxPath).lexically_normal().string();
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// UTF-8 text of Latin characters in code page 1252 (which agrees with
// Latin-1 from U+00A0 up).
std::string Latin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Console text on Windows ends its lines in CR LF.
std::string WithLf(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Two KEL files agree but for the header's creation time and path, which
// belong to the conversion.
::testing::AssertionResult SameKel(const std::string& linux, const std::string& windows) {
  constexpr size_t kStamp = offsetof(jps::KelHeader, createMonth);
  constexpr size_t kStampEnd = offsetof(jps::KelHeader, epochInterval);
  constexpr size_t kPath = offsetof(jps::KelHeader, fileName);
  constexpr size_t kPathEnd = kPath + jps::kKelFileNameSize;
  if (linux.size() != windows.size() || linux.size() < jps::kKelHeaderSize) {
    return ::testing::AssertionFailure() << "sizes " << linux.size() << " and " << windows.size();
  }
  for (size_t i = 0; i < linux.size(); ++i) {
    bool own = (i >= kStamp && i < kStampEnd) || (i >= kPath && i < kPathEnd);
    if (!own && linux[i] != windows[i]) return ::testing::AssertionFailure() << "byte " << i;
  }
  return ::testing::AssertionSuccess();
}

// The three files of a conversion named stem in two folders agree.
void ExpectSameConversion(const std::string& linuxStem, const std::string& windowsStem) {
  SCOPED_TRACE(windowsStem);
  for (const char* extension : kConversionOutputs) {
    std::string a = ReadFile(linuxStem + extension), b = ReadFile(windowsStem + extension);
    ASSERT_FALSE(a.empty()) << linuxStem << extension;
    if (std::string(extension) == ".kel") {
      EXPECT_TRUE(SameKel(a, b));
    } else {
      EXPECT_TRUE(a == b) << extension << " differs";
    }
  }
}

// A RINEX file with the run date of its "PGM / RUN BY / DATE" line blanked.
std::string WithoutRunDate(const std::string& rinex) {
  constexpr size_t kDate = 40, kDateEnd = 60;
  std::string out = rinex;
  size_t label = out.find("PGM / RUN BY / DATE");
  size_t line = out.rfind('\n', label);
  line = line == std::string::npos ? 0 : line + 1;
  if (label != std::string::npos) out.replace(line + kDate, kDateEnd - kDate, kDateEnd - kDate, ' ');
  return out;
}

// Summary lines in the order of their texts, without the time they took.
std::string SortedWithoutSeconds(const std::string& lines) {
  std::vector<std::string> sorted;
  std::istringstream in(WithLf(lines));
  for (std::string line; std::getline(in, line);) {
    size_t at = line.find("\"seconds\":");
    if (at != std::string::npos) line.erase(at, line.find(',', at) - at);
    sorted.push_back(line);
  }
  std::sort(sorted.begin(), sorted.end());
  std::string out;
  for (const std::string& line : sorted) out += line + "\n";
  return out;
}

}  // namespace

TEST(WindowsJpsconv, RecordingsConvertAsOnLinuxOneAndTwoAtATime) {
  std::string dir = jpstest::TempDir();
  SKIP_WITHOUT_WINDOWS_BUILD_OR_RECORDINGS(dir + "/in");
  // *.jps takes no name that only the system's short form (NOTES~1.JPS) matches.
  jpstest::WriteFile(dir + "/in/notes.jpsx", "not a recording");
  for (const char* out : {"/linux", "/windows", "/windows-j2"}) fs::create_directories(dir + out);

  std::vector<std::string> inputs;
  for (const std::string& name : kRecordings) inputs.push_back("in/" + name + ".jps");
  std::vector<std::string> linux = {"convert", "-q", "-o", "linux"};
  linux.insert(linux.end(), inputs.begin(), inputs.end());
  ProgramRun reference = Linux(linux, dir);
  ASSERT_EQ(reference.exit, 0) << reference.err;

  // cmd.exe hands the pattern over as it is; one file at a time.
  ProgramRun one = Windows({"convert", "-q", "in\\*.jps", "-o", "windows"}, dir);
  EXPECT_EQ(one.exit, 0) << one.err;
  EXPECT_EQ(jpstest::Count(one.out, ": converted"), 2) << one.out;
  EXPECT_EQ(one.out.find("notes"), std::string::npos) << one.out;

  ProgramRun two = Windows({"convert", "-q", "-j", "2", "in\\" + kRecordings[0] + ".jps",
                            "in\\" + kRecordings[1] + ".jps", "-o", "windows-j2\\"},
                           dir);
  EXPECT_EQ(two.exit, 0) << two.err;
  for (const std::string& name : kRecordings) {
    ExpectSameConversion(dir + "/linux/" + name, dir + "/windows/" + name);
    ExpectSameConversion(dir + "/windows/" + name, dir + "/windows-j2/" + name);
  }
}

TEST(WindowsJpsconv, RinexAndQcJsonAsOnLinux) {
  std::string dir = jpstest::TempDir();
  SKIP_WITHOUT_WINDOWS_BUILD_OR_RECORDINGS(dir + "/in");
  // Both programs read the same KEL, EPP and STA files.
  fs::create_directories(dir + "/kel");
  std::vector<std::string> convert = {"convert", "-q", "-o", "../kel"};
  for (const std::string& name : kRecordings) convert.push_back(name + ".jps");
  ASSERT_EQ(Linux(convert, dir + "/in").exit, 0);
  for (const char* side : {"/linux", "/windows"}) fs::copy(dir + "/kel", dir + side);
  std::vector<std::string> kels = {kRecordings[0] + ".kel", kRecordings[1] + ".kel"};
  std::vector<std::string> rinex = {"rinex", "-j", "2", "--json"};
  rinex.insert(rinex.end(), kels.begin(), kels.end());
  ProgramRun linux = Linux(rinex, dir + "/linux");
  ProgramRun windows = Windows({"rinex", "-j", "2", "--json", "*.kel"}, dir + "/windows");
  ASSERT_EQ(linux.exit, 0) << linux.err;
  EXPECT_EQ(windows.exit, 0) << windows.err;
  EXPECT_EQ(SortedWithoutSeconds(linux.out), SortedWithoutSeconds(windows.out));
  // Exported again, the files replace those of the first export.
  ProgramRun again = Windows({"rinex", kels[0]}, dir + "/windows");
  EXPECT_EQ(again.exit, 0) << again.err;
  for (const std::string& name : kRecordings) {
    for (const char* extension : {".obs", ".nav"}) {
      std::string a = ReadFile(dir + "/linux/" + name + extension);
      ASSERT_FALSE(a.empty()) << name << extension;
      EXPECT_EQ(WithoutRunDate(a), WithoutRunDate(ReadFile(dir + "/windows/" + name + extension)))
          << name << extension;
    }
  }
  for (const std::string& kel : kels) {
    ProgramRun a = Linux({"qc", "--json", kel}, dir + "/linux");
    ProgramRun b = Windows({"qc", "--json", kel}, dir + "/windows");
    EXPECT_EQ(a.exit, 0);
    EXPECT_EQ(b.exit, 0) << b.err;
    EXPECT_GT(a.out.size(), 1000u);
    EXPECT_EQ(a.out, WithLf(b.out)) << kel;
  }
}

TEST(WindowsJpsconv, DriveLetterBackslashesSpacesAndAccentedNamesConvert) {
  std::string dir = jpstest::TempDir();
  SKIP_WITHOUT_WINDOWS_BUILD_OR_RECORDINGS(dir + "/in");
  ASSERT_EQ(Linux({"convert", "-q", "-o", "../ref.kel", kRecordings[0] + ".jps"}, dir + "/in").exit,
            0);
  std::string survey = dir + "/Relev\u00e9 de site";
  std::string folder = survey + "/\u00c9t\u00e9 1";
  fs::create_directories(folder);
  fs::create_symlink(fs::absolute(dir + "/in/" + kRecordings[0] + ".jps"),
                     folder + "/R\u00e9servoir nord.jps");
  // A name outside code page 1252: given by its short name.
  fs::create_symlink(fs::absolute(dir + "/in/" + kRecordings[0] + ".jps"),
                     survey + "/\u03a9mega.jps");

  ProgramRun accented = Windows({"convert", "-q", WindowsPath(folder + "/R\u00e9servoir nord.jps")}, dir);
  EXPECT_EQ(accented.exit, 0) << accented.err;
  ExpectSameConversion(dir + "/ref", folder + "/R\u00e9servoir nord");
  // The KEL header holds the path as the program named it, in code page 1252
  // (cut to its field where the test's folder is deep).
  std::string kel = ReadFile(folder + "/R\u00e9servoir nord.kel");
  ASSERT_GE(kel.size(), static_cast<size_t>(jps::kKelHeaderSize));
  EXPECT_EQ(std::string(kel.c_str() + offsetof(jps::KelHeader, fileName)),
            Latin1(WindowsPath(folder + "/R\u00e9servoir nord.kel"))
                .substr(0, jps::kKelFileNameSize - 1));  // as much as the field holds

  ProgramRun greek = Windows({"convert", "-q", WindowsPath(survey + "/\u03a9mega.jps"), "-o",
                              WindowsPath(folder + "/omega.kel")},
                             dir);
  EXPECT_EQ(greek.exit, 0) << greek.err;
  ExpectSameConversion(dir + "/ref", folder + "/omega");

  // A file still to be written has no short name: the error names it.
  ProgramRun unnamed = Windows({"convert", "-q", WindowsPath(folder + "/R\u00e9servoir nord.jps"),
                                "-o", WindowsPath(folder + "/\u03a9.kel")},
                               dir);
  EXPECT_EQ(unnamed.exit, 2);
  EXPECT_NE(unnamed.err.find("cannot use the name " + Latin1(WindowsPath(folder)) + "\\?.kel: "
                             "it has characters outside the system's code page (1252)"),
            std::string::npos)
      << unnamed.err;
  EXPECT_FALSE(fs::exists(folder + "/\u03a9.kel"));
}

TEST(WindowsJpsconv, SimulateDetectDumpAndConvertWithQcAndRinexAsOnLinux) {
  std::string dir = jpstest::TempDir();
  SKIP_WITHOUT_WINDOWS_BUILD_OR_RECORDINGS(dir + "/in");
  std::string both[] = {dir + "/linux", dir + "/windows"};
  for (const std::string& side : both) {
    fs::create_directories(side);
    fs::copy(dir + "/in", side);
  }
  // The same session; its orbits come from each C library's sine and
  // cosine, which may differ in a last bit, so both go on with this one.
  std::vector<std::string> simulate = {"simulate", "-o", "sim.jps", "--minutes", "3", "--seed", "7"};
  ASSERT_EQ(Linux(simulate, both[0]).exit, 0);
  ProgramRun simulated = Windows(simulate, both[1]);
  EXPECT_EQ(simulated.exit, 0) << simulated.err;
  std::string session = ReadFile(both[1] + "/sim.jps");
  EXPECT_EQ(session.size(), ReadFile(both[0] + "/sim.jps").size());
  jpstest::WriteFile(both[0] + "/sim.jps", session);

  std::vector<std::string> detect = {"detect", "sim.jps", kRecordings[0] + ".jps"};
  std::vector<std::string> convert = {"convert", "-q", "--qc", "--rinex", "--json", "sim.jps"};
  ProgramRun linux[2], windows[2];
  int k = 0;
  for (const auto* args : {&detect, &convert}) {
    linux[k] = Linux(*args, both[0]);
    windows[k] = Windows(*args, both[1]);
    EXPECT_EQ(linux[k].exit, 0) << linux[k].err;
    EXPECT_EQ(windows[k].exit, linux[k].exit) << windows[k].err;
    ++k;
  }
  EXPECT_EQ(linux[0].out, WithLf(windows[0].out));
  EXPECT_EQ(SortedWithoutSeconds(linux[1].out), SortedWithoutSeconds(windows[1].out));
  ExpectSameConversion(both[0] + "/sim", both[1] + "/sim");

  // dump prints the header's creation time: both read the same KEL file,
  // with the EPP file that names the GLONASS satellites by slot.
  fs::copy_file(both[0] + "/sim.kel", both[1] + "/linux.kel");
  fs::copy_file(both[0] + "/sim.epp", both[1] + "/linux.epp");
  ProgramRun dumped[] = {Linux({"dump", "--csv", "sim.kel"}, both[0]),
                         Windows({"dump", "--csv", "linux.kel"}, both[1])};
  EXPECT_EQ(dumped[1].exit, 0) << dumped[1].err;
  EXPECT_GT(jpstest::Count(dumped[0].out, "\n"), 1000);
  EXPECT_EQ(dumped[0].out, WithLf(dumped[1].out));
  for (const char* extension : {".obs", ".nav"}) {
    EXPECT_EQ(WithoutRunDate(ReadFile(both[0] + "/sim" + extension)),
              WithoutRunDate(ReadFile(both[1] + "/sim" + extension)))
        << extension;
  }
}
