// "cmake --install" into a fresh prefix: what lands where, the installed
// program run from another folder after the prefix has moved (it finds its
// library and its worker processes by itself), and a host program built
// against the installed headers and library alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"
#include "tools/simulator/simulator.h"

namespace {

using jpstest::ProgramRun;

// The header set as CMake names it (paths below the source folder).
const std::vector<std::string> kHeaders = [] {
  std::vector<std::string> headers;
  std::istringstream list(JPS_PUBLIC_HEADERS);
  for (std::string h; std::getline(list, h, ',');) headers.push_back(h);
  return headers;
}();

// Installs the build into dir/prefix; the prefix.
std::string Install(const std::string& dir) {
  std::string prefix = dir + "/prefix";
  ProgramRun r = jpstest::Run({JPS_CMAKE_COMMAND, "--install", JPS_BINARY_DIR, "--prefix", prefix},
                              dir);
  EXPECT_EQ(r.exit, 0) << r.out << r.err;
  return prefix;
}

std::string Source(const std::string& path) { return jpstest::ReadFile(JPS_SOURCE_DIR "/" + path); }

// The RPATH and RUNPATH entries of an ELF file's dynamic section.
std::vector<std::string> SearchPaths(const std::string& elf, const std::string& dir) {
  ProgramRun r = jpstest::Run({"readelf", "-d", elf}, dir);
  EXPECT_EQ(r.exit, 0) << r.err;
  std::vector<std::string> paths;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("(RPATH)") == std::string::npos && line.find("(RUNPATH)") == std::string::npos)
      continue;
    size_t open = line.find('['), close = line.rfind(']');
    if (open != std::string::npos && close > open) paths.push_back(line.substr(open + 1, close - open - 1));
  }
  return paths;
}

jpssim::SessionStats Simulated(double minutes, uint64_t seed) {
  jpssim::SimulatorOptions o;
  o.minutes = minutes;
  o.seed = seed;
  jpssim::SessionStats stats;
  jpssim::SimulateSessionBytes(o, &stats);
  return stats;
}

}  // namespace

TEST(Install, PutsProgramLibraryHeadersAndTextsUnderThePrefix) {
  std::string dir = jpstest::TempDir();
  std::string prefix = Install(dir);
  struct stat st {};
  ASSERT_EQ(stat((prefix + "/bin/jpsconv").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_TRUE(jpstest::Exists(prefix + "/lib/jav_dll.so"));
  for (const std::string& header : kHeaders) {
    EXPECT_EQ(jpstest::ReadFile(prefix + "/include/jav_dll/" + header), Source(header)) << header;
  }
  EXPECT_EQ(jpstest::ReadFile(prefix + "/share/doc/jpsconv/README.md"), Source("README.md"));
  EXPECT_EQ(jpstest::ReadFile(prefix + "/share/doc/jpsconv/LICENSE"), Source("LICENSE"));
  EXPECT_EQ(jpstest::ReadFile(prefix + "/share/man/man1/jpsconv.1"), Source("packaging/jpsconv.1"));
  EXPECT_EQ(jpstest::ReadFile(prefix + "/share/bash-completion/completions/jpsconv"),
            Source("packaging/jpsconv.bash"));

  // The program finds the library beside its own folder; neither file
  // points into the build or the source tree.
  EXPECT_EQ(SearchPaths(prefix + "/bin/jpsconv", dir), std::vector<std::string>{"$ORIGIN/../lib"});
  EXPECT_TRUE(SearchPaths(prefix + "/lib/jav_dll.so", dir).empty());
}

TEST(Install, ProgramRunsFromAnotherFolderAfterThePrefixMoved) {
  std::string dir = jpstest::TempDir();
  std::string moved = dir + "/moved";
  std::filesystem::rename(Install(dir), moved);
  std::string work = dir + "/work";
  std::filesystem::create_directories(work + "/out");
  const std::string program = moved + "/bin/jpsconv";

  ProgramRun version = jpstest::Run({program, "--version"}, dir, work);
  EXPECT_EQ(version.exit, 0) << version.err;
  EXPECT_EQ(version.out, "jpsconv " JPS_PROJECT_VERSION " (jps2kel)\n");

  for (const char* seed : {"3", "4"}) {
    std::string name = std::string("site") + seed + ".jps";
    ProgramRun simulate =
        jpstest::Run({program, "simulate", "-o", name, "--minutes", "2", "--seed", seed}, dir, work);
    ASSERT_EQ(simulate.exit, 0) << simulate.err;
  }
  ProgramRun one = jpstest::Run({program, "convert", "site3.jps", "-q", "--json"}, dir, work);
  ASSERT_EQ(one.exit, 0) << one.err;
  std::string kel = jpstest::ReadFile(work + "/site3.kel");
  EXPECT_EQ(static_cast<int>(jpstest::DecodeKelEpochs(kel).size()), Simulated(2, 3).epochs);
  EXPECT_EQ(jpstest::JsonNumber(one.out, "epochs"), Simulated(2, 3).epochs);

  // Two files at a time, each in a worker process of the installed program.
  ProgramRun two = jpstest::Run(
      {program, "convert", "site3.jps", "site4.jps", "-o", "out", "-j", "2", "-q", "--json"}, dir,
      work);
  ASSERT_EQ(two.exit, 0) << two.err;
  EXPECT_EQ(jpstest::Count(two.out, "\"status\":\"converted\""), 2) << two.out;
  EXPECT_EQ(jpstest::KelBody(jpstest::ReadFile(work + "/out/site3.kel")), jpstest::KelBody(kel));
  EXPECT_EQ(static_cast<int>(jpstest::DecodeKelEpochs(jpstest::ReadFile(work + "/out/site4.kel")).size()),
            Simulated(2, 4).epochs);
  for (const char* file : {"site3.epp", "site3.STA", "site4.epp", "site4.STA"})
    EXPECT_TRUE(jpstest::Exists(work + "/out/" + file)) << file;
}

// A host of its own, built with nothing but the prefix: the header set must
// stand alone under include/jav_dll, and the library must export the five
// entry points with C linkage.
const char* const kHostProgram = R"(#include <cstdio>
#include <cstring>

#include "plugin/jav_dll.h"

static int messages = 0;
static void JAV_CALL OnMessage(double, const char*) { ++messages; }
static void JAV_CALL OnProgress(int32_t, int32_t) {}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  jps::ConversionOptions defaults;
  std::memset(&defaults, 0x55, sizeof defaults);
  SetFactoryDefaults(jps::kOptionsSize, &defaults);
  std::printf("defaults %d %d %g %d %d\n", defaults.GpsOnly, defaults.Reserved8,
              defaults.Reserved16, defaults.SiteAwaitsSave, defaults.SkipRmEpochs);
  std::printf("detect %d %d\n", AutoDetect(argv[1]), AutoDetect(argv[3]));

  static jps::ConversionRequest request;
  request.Size = jps::kRequestSize - 1;
  request.OptionsSize = jps::kOptionsSize;
  jps::HostCallbacks callbacks;
  std::memset(&callbacks, 0, sizeof callbacks);
  callbacks.Size = jps::kCallbacksSize;
  callbacks.OnMessage = OnMessage;
  callbacks.OnProgress = OnProgress;
  char error[1024];
  int32_t refused = ConvertFile(&request, &callbacks, 0);
  GetErrString(error);
  std::printf("refused %d %s\n", refused, error);

  request.Size = jps::kRequestSize;
  request.Options = defaults;
  std::snprintf(request.InputPath, sizeof request.InputPath, "%s", argv[1]);
  std::snprintf(request.OutputPath, sizeof request.OutputPath, "%s", argv[2]);
  int32_t result = ConvertFile(&request, &callbacks, 0);
  std::printf("converted %d epochs %d ephemerides %d marks %d pulses %d messages %s\n", result,
              request.EpochsWritten, request.EphemeridesWritten, request.StationMarksWritten,
              request.EventMarksWritten, messages > 0 ? "yes" : "no");
  Abort();
  return 0;
}
)";

TEST(Install, HostProgramBuildsAgainstTheInstalledHeadersAndLibrary) {
  std::string dir = jpstest::TempDir();
  std::string prefix = Install(dir);
  jpstest::WriteFile(dir + "/host.cpp", std::string(kHostProgram));
  std::vector<std::string> compile = {JPS_CXX_COMPILER, "-std=c++17", "-Wall", "-Wextra", "-Werror",
                                      "-I" + prefix + "/include/jav_dll", dir + "/host.cpp",
                                      "-o", dir + "/host", "-L" + prefix + "/lib", "-l:jav_dll.so",
                                      "-Wl,-rpath," + prefix + "/lib"};
  std::istringstream flags(JPS_HOST_FLAGS);
  for (std::string flag; flags >> flag;) compile.push_back(flag);
  ProgramRun built = jpstest::Run(compile, dir);
  ASSERT_EQ(built.exit, 0) << built.out << built.err;

  std::string jps = jpstest::Simulate(dir, "site.jps", {"--minutes", "3", "--seed", "6"});
  jpstest::WriteFile(dir + "/notes.txt", std::string(600, 'x'));
  ProgramRun host = jpstest::Run({dir + "/host", jps, dir + "/site.kel", dir + "/notes.txt"}, dir);
  ASSERT_EQ(host.exit, 0) << host.err;
  // The defaults of the options record: 1 at offset 8, 1.0 at 16, 1 at 44, else 0.
  EXPECT_NE(host.out.find("defaults 0 1 1 1 0\n"), std::string::npos) << host.out;
  EXPECT_NE(host.out.find("detect 1 0\n"), std::string::npos) << host.out;
  EXPECT_NE(host.out.find("refused 1 Incorrect version of Sample Conversion DLL\n"),
            std::string::npos)
      << host.out;
  jpssim::SessionStats stats = Simulated(3, 6);
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "converted 0 epochs %d ephemerides %d marks %d pulses %d messages yes\n",
                stats.epochs, stats.gpsEphemerides + stats.glonassEphemerides, stats.sitesSaved,
                stats.cameraPulses);
  EXPECT_NE(host.out.find(expected), std::string::npos) << host.out;
  EXPECT_EQ(static_cast<int>(jpstest::DecodeKelEpochs(jpstest::ReadFile(dir + "/site.kel")).size()),
            stats.epochs);
}
