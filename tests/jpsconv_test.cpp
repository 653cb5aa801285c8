// The command-line host, run as a program: simulate, convert, dump, detect;
// summaries that match the files; exit statuses; Ctrl-C; worker processes.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"
#include "tools/simulator/simulator.h"

namespace {

using jpstest::Count;
using jpstest::DecodeKelEpochs;
using jpstest::Epoch;
using jpstest::Exists;
using jpstest::Finish;
using jpstest::Jpsconv;
using jpstest::JsonNumber;
using jpstest::kProgram;
using jpstest::Measurement;
using jpstest::ProgramRun;
using jpstest::Simulate;
using jpstest::Spawn;

int EphemerisBlocks(const std::string& epp) {
  return Count(epp, "GpsEph {") + Count(epp, "GlnEph {");
}

bool EndsWithGpsIon(const std::string& epp) {
  size_t at = epp.rfind("GpsIon { Utc: ");
  if (at == std::string::npos) return false;
  size_t line = epp.find("\r\n", at);
  return line != std::string::npos && epp.substr(line) == "\r\n}\r\n";
}

// What the simulator writes for these minutes and seed (the same as jpsconv simulate).
jpssim::SessionStats Expected(double minutes, uint64_t seed, size_t* bytes = nullptr) {
  jpssim::SimulatorOptions o;
  o.minutes = minutes;
  o.seed = seed;
  jpssim::SessionStats stats;
  size_t size = jpssim::SimulateSessionBytes(o, &stats).size();
  if (bytes != nullptr) *bytes = size;
  return stats;
}

}  // namespace

TEST(JpsconvEndToEnd, SummaryCountsEqualWhatTheFilesHold) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "site.jps", {"--minutes", "5", "--seed", "4"});
  size_t bytes = 0;
  jpssim::SessionStats stats = Expected(5, 4, &bytes);
  EXPECT_EQ(jpstest::ReadFile(jps).size(), bytes);

  ProgramRun convert = Jpsconv({"convert", jps, "--json"}, dir);
  ASSERT_EQ(convert.exit, 0) << convert.err;
  ASSERT_EQ(Count(convert.out, "\n"), 1);
  std::string kel = jpstest::ReadFile(dir + "/site.kel");
  std::string epp = jpstest::ReadFile(dir + "/site.epp");
  std::string sta = jpstest::ReadFile(dir + "/site.STA");
  std::vector<Epoch> epochs = DecodeKelEpochs(kel);

  EXPECT_EQ(JsonNumber(convert.out, "epochs"), static_cast<long>(epochs.size()));
  EXPECT_EQ(JsonNumber(convert.out, "station_marks"), Count(sta, "STA: "));
  EXPECT_EQ(JsonNumber(convert.out, "camera_pulses"), Count(sta, "CAMERA PULSE #"));
  EXPECT_EQ(JsonNumber(convert.out, "exit"), 0);
  EXPECT_NE(convert.out.find("\"status\":\"converted\""), std::string::npos);
  // What the simulator sent: every epoch is complete, every ephemeris healthy.
  EXPECT_EQ(static_cast<int>(epochs.size()), stats.epochs);
  EXPECT_EQ(JsonNumber(convert.out, "ephemerides"),
            stats.gpsEphemerides + stats.glonassEphemerides);
  EXPECT_EQ(epp.compare(0, 36, "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n"), 0);
  EXPECT_TRUE(EndsWithGpsIon(epp));
  EXPECT_EQ(sta.compare(0, 12, "Mark File:\r\n"), 0);
  // Converter messages: on stderr, with their time tag when they have one.
  EXPECT_NE(convert.err.find("] GPS Ephememeris received on PRN "), std::string::npos);
  EXPECT_EQ(convert.err.find('\r'), std::string::npos);  // no progress bar off a terminal

  ProgramRun dump = Jpsconv({"dump", dir + "/site.kel", "--csv"}, dir);
  ASSERT_EQ(dump.exit, 0) << dump.err;
  size_t rows = 0, expectedRows = 0;
  for (const Epoch& e : epochs) expectedRows += std::max<size_t>(1, e.measurements.size());
  for (size_t at = dump.out.find('\n'); at != std::string::npos; at = dump.out.find('\n', at + 1)) {
    if (at + 1 < dump.out.size() && std::isdigit(static_cast<unsigned char>(dump.out[at + 1])))
      ++rows;
  }
  EXPECT_EQ(rows, expectedRows);
  EXPECT_NE(dump.out.find("\n" + std::to_string(epochs.size()) + ","), std::string::npos);
  EXPECT_NE(dump.out.find("# header size     202"), std::string::npos);

  ProgramRun table = Jpsconv({"dump", dir + "/site.kel", "--epochs", "3"}, dir);
  EXPECT_EQ(table.exit, 0);
  EXPECT_EQ(Count(table.out, "\nepoch "), 3);
}

TEST(JpsconvEndToEnd, EphemerisCountEqualsTheBlocksOfTheEppFile) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "eph.jps", {"--minutes", "3", "--seed", "10"});
  ProgramRun convert = Jpsconv({"convert", jps, "--json", "-q"}, dir);
  ASSERT_EQ(convert.exit, 0);
  std::string epp = jpstest::ReadFile(dir + "/eph.epp");
  // Every simulated ephemeris is healthy, so each one counted is a block.
  EXPECT_EQ(JsonNumber(convert.out, "ephemerides"), EphemerisBlocks(epp));
  EXPECT_TRUE(EndsWithGpsIon(epp));
  EXPECT_NE(epp.find("GpsIon { Utc: 18\r\n"), std::string::npos);
}

TEST(JpsconvEndToEnd, FieldWorkReachesTheStationFile) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "field.jps", {"--minutes", "4", "--seed", "9"});
  jpssim::SessionStats stats = Expected(4, 9);
  ProgramRun convert = Jpsconv({"convert", jps, "-q"}, dir);
  ASSERT_EQ(convert.exit, 0);
  std::string sta = jpstest::ReadFile(dir + "/field.STA");
  EXPECT_EQ(Count(sta, "STA: "), stats.sitesSaved);
  EXPECT_NE(sta.find(" * PT1 * 1.532 * Fence_corner * SURVEY_ANT-1 * "), std::string::npos);
  EXPECT_NE(sta.find(" * PT2 * 1.745 * Gate_post * SlantMeas * "), std::string::npos);
  EXPECT_EQ(Count(sta, "ENTERING KINEMATIC MODE"), 1);
  EXPECT_EQ(Count(sta, "ENTERING STATIC MODE"), 1);
  EXPECT_EQ(Count(sta, "CAMERA PULSE #"), stats.cameraPulses);
}

TEST(JpsconvEndToEnd, KelMeasurementsAgreeBetweenEpochs) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "phys.jps", {"--minutes", "5", "--seed", "11"});
  ASSERT_EQ(Jpsconv({"convert", jps, "-q"}, dir).exit, 0);
  std::vector<Epoch> epochs = DecodeKelEpochs(jpstest::ReadFile(dir + "/phys.kel"));
  size_t total = 0;
  for (const Epoch& e : epochs) total += e.measurements.size();
  ASSERT_GT(total, 1000u);

  // The simulator's tolerances (tools/simulator/simulator.h) plus the
  // encodings' resolution; KEL phases and Dopplers have the receiver's sign
  // inverted, which leaves these relations as they are.
  std::map<int, std::pair<double, Measurement>> last;
  int checked = 0;
  for (const Epoch& e : epochs) {
    for (const Measurement& m : e.measurements) {
      auto p = last.find(m.satellite);
      bool continuous = p != last.end() && e.time - p->second.first <= 1.5 && m.lock > 1 &&
                        m.lock >= p->second.second.lock;
      if (continuous) {
        const Measurement& a = p->second.second;
        double dt = e.time - p->second.first;
        double f1 = m.satellite <= 32 ? 1575.42e6 : 1602e6 + (m.satellite - 45) * 562500.0;
        double f2 = m.satellite <= 32 ? 1227.6e6 : 1246e6 + (m.satellite - 45) * 437500.0;
        if (m.l1Phase != 0 && a.l1Phase != 0 && m.doppler != 0 && a.doppler != 0) {
          EXPECT_NEAR(m.l1Phase - a.l1Phase, 0.5 * (m.doppler + a.doppler) * dt, 0.11)
              << "satellite " << m.satellite << " at " << e.time;
        }
        if (m.l1Phase != 0 && a.l1Phase != 0 && m.l1Code != 0 && a.l1Code != 0) {
          EXPECT_NEAR(m.l1Code - a.l1Code, -(m.l1Phase - a.l1Phase) * 299792458.0 / f1, 5.01)
              << "satellite " << m.satellite << " at " << e.time;
          ++checked;
        }
        if (m.l2Phase != 0 && a.l2Phase != 0 && m.l2Code != 0 && a.l2Code != 0) {
          EXPECT_NEAR(m.l2Code - a.l2Code, -(m.l2Phase - a.l2Phase) * 299792458.0 / f2, 7.01)
              << "satellite " << m.satellite << " at " << e.time;
        }
      }
      last[m.satellite] = {e.time, m};
    }
  }
  EXPECT_GT(checked, 1000);
}

TEST(JpsconvExitStatus, MissingInputOrUnwritableOutputGivesTwo) {
  std::string dir = jpstest::TempDir();
  ProgramRun missing = Jpsconv({"convert", dir + "/none.jps"}, dir);
  EXPECT_EQ(missing.exit, 2);
  EXPECT_NE(missing.err.find("not started: cannot open"), std::string::npos);
  EXPECT_FALSE(Exists(dir + "/none.kel"));  // nothing created for a missing input

  std::string jps = Simulate(dir, "in.jps", {"--minutes", "1"});
  ProgramRun unwritable = Jpsconv({"convert", jps, "-o", jps + "/out.kel"}, dir);
  EXPECT_EQ(unwritable.exit, 2);
  EXPECT_NE(unwritable.err.find("ERROR: Could Not Open"), std::string::npos);
  // Quiet, the error output still names the file and the system's reason.
  ProgramRun quiet = Jpsconv({"convert", "-q", jps, "-o", dir + "/newdir/out.kel"}, dir);
  EXPECT_EQ(quiet.exit, 2);
  EXPECT_NE(quiet.err.find(dir + "/newdir/out.kel: No such file or directory"),
            std::string::npos)
      << quiet.err;

  // An output that is the input itself is refused before it is truncated.
  std::string before = jpstest::ReadFile(jps);
  EXPECT_EQ(Jpsconv({"convert", jps, "-o", jps}, dir).exit, 2);
  EXPECT_EQ(jpstest::ReadFile(jps), before);

  EXPECT_EQ(Jpsconv({"convert", jps, "--no-such-option"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"convert", jps, dir + "/in.jps"}, dir).exit, 2);  // same outputs twice
}

TEST(JpsconvExitStatus, ATextFileIsNoJpsFileAndNoEpochIsSaidSo) {
  // What a new user tries first: a file of text. The three files are written
  // (as the plug-in writes them), but the summary and the status say why
  // nothing came out.
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/notes.txt", std::string("root:x:0:0:root:/root:/bin/bash\n", 33));
  ProgramRun text = Jpsconv({"convert", dir + "/notes.txt"}, dir);
  EXPECT_EQ(text.exit, 1);
  EXPECT_NE(text.out.find("notes.kel: not a JPS file"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("no epoch was written"), std::string::npos);
  EXPECT_TRUE(Exists(dir + "/notes.kel") && Exists(dir + "/notes.epp") && Exists(dir + "/notes.STA"));

  // A JPS file of one whole message converts, and says that no epoch came of it.
  jpsbuild::Bytes one = jpsbuild::Message("SS", jpsbuild::Body().U1(1));
  jpstest::WriteFile(dir + "/lone.jps", one);
  ProgramRun lone = Jpsconv({"convert", dir + "/lone.jps"}, dir);
  EXPECT_EQ(lone.exit, 0);
  EXPECT_NE(lone.out.find("lone.kel: converted"), std::string::npos) << lone.out;
  EXPECT_NE(lone.out.find("no epoch was written"), std::string::npos);
}

TEST(JpsconvInterrupt, SigintStopsWithAValidPrefixAndClosedFiles) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "long.jps", {"--minutes", "60", "--seed", "8"});
  ASSERT_EQ(Jpsconv({"convert", jps, "-o", dir + "/full.kel", "-q"}, dir).exit, 0);
  std::string full = jpstest::ReadFile(dir + "/full.kel");
  std::vector<Epoch> fullEpochs = DecodeKelEpochs(full);
  ASSERT_GT(full.size(), 3u * 4096);

  // Run the conversion in short slices (SIGSTOP/SIGCONT) and send SIGINT
  // while it is stopped with part of the epochs written (into the KEL file's
  // temporary name beside it) and more than one buffer of them still to
  // come, so the signal surely lands mid-conversion.
  std::string kelPath = dir + "/cut.kel";
  pid_t pid = Spawn({"convert", jps, "-o", kelPath}, dir);
  auto writtenSoFar = [&]() -> off_t {
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::string name = e.path().filename().string();
      if (name.rfind("cut.kel.", 0) == 0 && e.path().extension() == ".tmp") {
        return static_cast<off_t>(e.file_size());
      }
    }
    return 0;
  };
  bool sent = false;
  for (int slice = 0; slice < 400000 && !sent; ++slice) {
    kill(pid, SIGSTOP);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the conversion ended before it could be interrupted";
    off_t size = writtenSoFar();
    if (size >= 4096 && size + 4096 < static_cast<off_t>(full.size())) {
      kill(pid, SIGINT);
      sent = true;
    }
    kill(pid, SIGCONT);
    usleep(50);
  }
  ASSERT_TRUE(sent);
  ProgramRun r = Finish(pid, dir);
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.out.find(": aborted (User Quit)"), std::string::npos) << r.out;

  std::string cut = jpstest::ReadFile(kelPath);
  std::vector<Epoch> epochs = DecodeKelEpochs(cut);
  EXPECT_GT(epochs.size(), 0u);
  EXPECT_LT(epochs.size(), fullEpochs.size());
  EXPECT_EQ(jpstest::KelBody(cut), jpstest::KelBody(full).substr(0, cut.size() - 202));
  EXPECT_TRUE(EndsWithGpsIon(jpstest::ReadFile(dir + "/cut.epp")));
  EXPECT_EQ(jpstest::ReadFile(dir + "/cut.STA").compare(0, 12, "Mark File:\r\n"), 0);
}

TEST(JpsconvWorkers, TwoAtATimeGiveTheSameFilesAsOneByOne) {
  std::string dir = jpstest::TempDir();
  std::vector<std::string> inputs = {
      Simulate(dir, "a.jps", {"--minutes", "3", "--seed", "5"}),
      Simulate(dir, "b.jps", {"--minutes", "2", "--seed", "6", "--rm"}),
      Simulate(dir, "c.jps", {"--minutes", "3", "--seed", "7"})};
  mkdir((dir + "/one").c_str(), 0755);
  mkdir((dir + "/many").c_str(), 0755);
  for (const std::string& in : inputs) {
    ASSERT_EQ(Jpsconv({"convert", in, "-o", dir + "/one", "-q"}, dir).exit, 0);
  }
  std::vector<std::string> args = {"convert", "-j", "2", "-o", dir + "/many", "--json", "-q"};
  args.insert(args.end(), inputs.begin(), inputs.end());
  ProgramRun many = Jpsconv(args, dir);
  ASSERT_EQ(many.exit, 0) << many.err;
  EXPECT_EQ(Count(many.out, "\"status\":\"converted\""), 3);
  for (const char* name : {"a", "b", "c"}) {
    SCOPED_TRACE(name);
    std::string one = jpstest::ReadFile(dir + "/one/" + name + ".kel");
    std::string two = jpstest::ReadFile(dir + "/many/" + name + ".kel");
    ASSERT_GE(one.size(), 202u);
    // The header differs only in its creation stamp and the path it names.
    EXPECT_EQ(one.substr(0, 8), two.substr(0, 8));
    EXPECT_EQ(one.substr(20, 4), two.substr(20, 4));
    EXPECT_EQ(one.substr(168, 34), two.substr(168, 34));
    EXPECT_EQ(jpstest::KelBody(one), jpstest::KelBody(two));
    EXPECT_EQ(jpstest::ReadFile(dir + "/one/" + name + ".epp"),
              jpstest::ReadFile(dir + "/many/" + name + ".epp"));
    EXPECT_EQ(jpstest::ReadFile(dir + "/one/" + name + ".STA"),
              jpstest::ReadFile(dir + "/many/" + name + ".STA"));
    EXPECT_EQ(
        JsonNumber(many.out.substr(many.out.find(std::string("/") + name + ".jps\"")), "epochs"),
        static_cast<long>(DecodeKelEpochs(one).size()));
  }
}

TEST(JpsconvDetectAndDump, ExitStatusesFollowWhatTheyFind) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "d.jps", {"--minutes", "1"});
  jpstest::WriteFile(dir + "/text.txt", std::string(2000, 'x'));
  EXPECT_EQ(Jpsconv({"detect", jps}, dir).exit, 0);
  ProgramRun notJps = Jpsconv({"detect", jps, dir + "/text.txt"}, dir);
  EXPECT_EQ(notJps.exit, 1);
  EXPECT_NE(notJps.out.find("text.txt: not recognised"), std::string::npos);
  EXPECT_EQ(Jpsconv({"detect", jps, dir + "/none.jps"}, dir).exit, 2);

  ASSERT_EQ(Jpsconv({"convert", jps, "-q"}, dir).exit, 0);
  std::string kel = jpstest::ReadFile(dir + "/d.kel");
  jpstest::WriteFile(dir + "/cut.kel", kel.substr(0, kel.size() - 10));
  ProgramRun cut = Jpsconv({"dump", dir + "/cut.kel"}, dir);
  EXPECT_EQ(cut.exit, 1);
  EXPECT_NE(cut.err.find("the file ends inside"), std::string::npos);
  EXPECT_EQ(Jpsconv({"dump", jps}, dir).exit, 1);  // not a KEL file
  EXPECT_EQ(Jpsconv({"dump", dir + "/none.kel"}, dir).exit, 2);
}

TEST(JpsconvHelp, EveryCommandExplainsItself) {
  std::string dir = jpstest::TempDir();
  for (const char* command : {"convert", "detect", "dump", "qc", "rinex", "simulate"}) {
    ProgramRun r = Jpsconv({command, "--help"}, dir);
    EXPECT_EQ(r.exit, 0) << command;
    EXPECT_EQ(r.out.find(std::string("Usage: jpsconv ") + command), 0u) << command;
  }
  ProgramRun version = Jpsconv({"--version"}, dir);
  EXPECT_EQ(version.exit, 0);
  EXPECT_EQ(version.out.find("jpsconv 1.0"), 0u);
  EXPECT_EQ(Jpsconv({"frobnicate"}, dir).exit, 2);
  ProgramRun help = Jpsconv({"convert", "--help"}, dir);
  for (const char* flag :
       {"--gps-only", "--l1-phase-from-p1", "--start-dynamic", "--keep-damaged-epochs",
        "--require-l2", "--verbose", "--site-awaits-save", "--no-site-awaits-save",
        "--skip-greis-epochs", "--skip-rm-epochs", "-j", "--json", "--qc", "--rinex"}) {
    EXPECT_NE(help.out.find(flag), std::string::npos) << flag;
  }
}

TEST(JpsconvProgress, BarOnATerminalOnly) {
  std::string dir = jpstest::TempDir();
  std::string jps = Simulate(dir, "p.jps", {"--minutes", "30"});
  auto start = std::chrono::steady_clock::now();
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("TERM", "xterm", 1);
    execl(kProgram.c_str(), kProgram.c_str(), "convert", jps.c_str(), nullptr);
    _exit(127);
  }
  std::string seen;
  char buffer[4096];
  ssize_t n;
  while ((n = read(master, buffer, sizeof buffer)) > 0) seen.append(buffer, static_cast<size_t>(n));
  close(master);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(seen.find("\rp.jps ["), std::string::npos) << seen;
  // At most ten drawings a second (the converter calls back once per message),
  // plus the final one.
  EXPECT_LE(Count(seen, "\rp.jps ["), 10 * seconds + 2) << seconds << " s";
  EXPECT_NE(seen.find("MB/s"), std::string::npos);
  EXPECT_NE(seen.find(" left"), std::string::npos);
  EXPECT_NE(seen.find("%"), std::string::npos);
}
