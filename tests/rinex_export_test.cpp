// jpsconv rinex on KEL, EPP and STA files written here: the RINEX 3.04 lines
// it writes, pinned by hand-worked expected lines; its options; bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "epoch/kel_writer.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

using jpstest::Exists;
using jpstest::Jpsconv;
using jpstest::JsonNumber;
using jpstest::ProgramRun;

namespace {

using Measurements = std::vector<jps::KelMeasurement>;

jps::KelMeasurement Sat(int number, int lock, double c1, double l1, double d1, double c2,
                        double l2) {
  jps::KelMeasurement m{};
  m.satellite = static_cast<int8_t>(number);
  m.lockCount = static_cast<uint8_t>(lock);
  m.l1Code = c1;
  m.l1Phase = l1;
  m.doppler = d1;
  m.l2Code = c2;
  m.l2Phase = l2;
  return m;
}

jps::KelEpoch At(double tow) {
  jps::KelEpoch e{};
  e.receiverTime = tow;
  e.correctedTime = tow;
  return e;
}

// A KEL file of the epochs, with receiver type 0 ("UNKNOWN").
void WriteKel(const std::string& path, std::vector<std::pair<jps::KelEpoch, Measurements>> epochs) {
  jps::FailureText failure;
  jps::KelWriter* writer =
      jps::CreateKelFile(path.c_str(), 0, 1.0f, 0, jps::kMaxChannels, &failure);
  ASSERT_NE(writer, nullptr) << failure.c_str();
  for (auto& [epoch, measurements] : epochs) {
    epoch.measurementCount = static_cast<int8_t>(measurements.size());
    ASSERT_EQ(jps::WriteKelEpoch(writer, &epoch, measurements.data(), &failure), 0);
  }
  bool ok = false;
  jps::CloseKelFile(writer, &ok);
  ASSERT_TRUE(ok);
}

// A header line as the format lays it out: content in columns 1-60, label in 61-80.
std::string Line(const std::string& content, const std::string& label) {
  std::string line = content;
  line.resize(60, ' ');
  line += label;
  line.resize(80, ' ');
  return line;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

// The header line with this label, or "".
std::string Labelled(const std::vector<std::string>& header, const std::string& label) {
  for (const std::string& line : header) {
    if (line.size() > 60 && line.substr(60).find(label) == 0) return line;
  }
  return "";
}

// The lines up to END OF HEADER and the lines after it.
std::pair<std::vector<std::string>, std::vector<std::string>> Split(const std::string& text) {
  std::vector<std::string> all = Lines(text), header, body;
  bool inHeader = true;
  for (const std::string& line : all) {
    (inHeader ? header : body).push_back(line);
    if (line.size() >= 73 && line.compare(60, 13, "END OF HEADER") == 0) inHeader = false;
  }
  return {header, body};
}

const char* kEppHeader = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n";
const char* kGpsBlock =
    "GpsEph { Prn: 5\r\n"
    "\tEl1: 783 504000 5.58793545e-009 10 511200\r\n"
    "\tEl2: 0.00000000e+000 5.68434189e-013 2.04225071e-005\r\n"
    "\tEl3: 10 -5.85937500e+001 4.68019490e-009 -2.94364193281057e+000\r\n"
    "\tEl4: -3.07708979e-006 3.44982428941876e-003 8.05221498e-006 5.15367751312256e+003\r\n"
    "\tEl5: 511200 -9.31322575e-008 2.95723965541602e+000 -1.00582838e-007\r\n"
    "\tEl6: 9.61582679058285e-001 2.26718750e+002 3.90209849052193e-001 -8.08462275e-009 "
    "-3.02512598e-010\r\n"
    "}\r\n";
// Channel +1: slot 1 from the frame of 22:30 Moscow time on 2014-08-29 (day
// 972 of the four years from 2012), slot 5 (the antipodal satellite) from
// 00:11 Moscow time on 2014-08-30, which is still the 29th in UTC.
const char* kGlonassBlocks =
    "GlnEph { Prn: 46 0\r\n"
    "\tTkb: 81000 81900\r\n"
    "\tLte: 1.818989404e-012 -6.164424121e-006 0\r\n"
    "\tPos: -12498.5405 -3643.5933 21897.9556\r\n"
    "\tVel: -1.33950043e+000 -2.69734669e+000 -1.22006893e+000\r\n"
    "\tAcc: 0.00000000e+000 2.79396772e-009 -1.86264515e-009\r\n"
    "\tFlg: 141 0\r\n"
    "\tAsh: 972 -3.897584974765778e-007 1 1\r\n"
    "}\r\n"
    "GlnEph { Prn: 46 0\r\n"
    "\tTkb: 660 900\r\n"
    "\tLte: 0.000000000e+000 2.500000000e-005 1\r\n"
    "\tPos: 1000.5 -2000.25 25000.125\r\n"
    "\tVel: 1.50000000e+000 -2.50000000e-001 3.12500000e-002\r\n"
    "\tAcc: 9.31322575e-010 0.00000000e+000 -9.31322575e-010\r\n"
    "\tFlg: 0 0\r\n"
    "\tAsh: 973 0.000000000000000e+000 1 5\r\n"
    "}\r\n";
const char* kLeapSeconds = "GpsIon { Utc: 16\r\n}\r\n";

// site.kel with site.epp and site.STA beside it: three epochs of 2014-08-29.
std::string WriteSession(const std::string& dir) {
  jps::KelEpoch first = At(504142.0);  // Friday of week 1807, 20:02:22
  first.epochFlags = jps::kKelFlagPosition;
  first.latitude = 0;
  first.longitude = 90;
  first.height = 100;
  first.clockOffset = -299792.458;  // one millisecond
  WriteKel(dir + "/site.kel",
           {{first,
             {Sat(5, 255, 21734318.35, -114214691.55, -2815.305, 21734322.783, -88998480.652),
              Sat(12, 1, 20000000.125, -105000000.5, 0, 0, -81818181.818),
              Sat(46, 255, 19288208.875, -103000000.25, 816.5, 19288212.5, -80000000.75),
              Sat(71, 255, 22000000.0, 0, 0, 0, 0),    // neither GPS nor GLONASS
              Sat(44, 255, 21000000.0, 0, 0, 0, 0)}},  // channel -1: no ephemeris
            {At(504143.0), {Sat(5, 255, 21734824.75, -114217352.5, -2815.25, 0, 0)}},
            {At(508300.0), {Sat(46, 1, 20000000.5, -105000000.25, -1000.125, 0, 0)}}});
  jpstest::WriteFile(dir + "/site.epp",
                     std::string(kEppHeader) + kGpsBlock + kGlonassBlocks + kLeapSeconds);
  jpstest::WriteFile(dir + "/site.STA",
                     "Mark File:\r\nSTA: * 504100.00 * PT_7 * 1.532 * North_pillar * ROVER_ANT * "
                     "\r\n");
  return dir + "/site.kel";
}

}  // namespace

TEST(RinexExport, ObservationFileLinesAsTheFormatLaysThemOut) {
  std::string dir = jpstest::TempDir();
  std::string kel = WriteSession(dir);
  ProgramRun run = Jpsconv({"rinex", kel, "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  auto [header, body] = Split(jpstest::ReadFile(dir + "/site.obs"));
  for (const std::string& line : header) EXPECT_EQ(line.size(), 80u) << line;
  ASSERT_EQ(header.size(), 20u);
  EXPECT_EQ(header[0],
            Line("     3.04           OBSERVATION DATA    M (MIXED)", "RINEX VERSION / TYPE"));
  // Program in columns 1-20, the run date (UTC) in 41-60.
  EXPECT_EQ(header[1].substr(0, 40), "jpsconv 1.0" + std::string(29, ' '));
  EXPECT_EQ(header[1].substr(56), "UTC PGM / RUN BY / DATE ");
  std::vector<std::string> expected = {
      Line("PT_7", "MARKER NAME"),
      Line("", "OBSERVER / AGENCY"),
      Line("                    UNKNOWN", "REC # / TYPE / VERS"),
      Line("                    ROVER_ANT", "ANT # / TYPE"),
      // Latitude 0, longitude 90, 100 m up: on the y axis, 100 m above the equator's radius.
      Line("        0.0000  6378237.0000        0.0000", "APPROX POSITION XYZ"),
      Line("        1.5320        0.0000        0.0000", "ANTENNA: DELTA H/E/N"),
      Line("G    5 C1C L1C D1C C2W L2W", "SYS / # / OBS TYPES"),
      Line("R    5 C1C L1C D1C C2P L2P", "SYS / # / OBS TYPES"),
      Line("G", "SYS / PHASE SHIFT"),
      Line("R", "SYS / PHASE SHIFT"),
      Line("  2 R01  1 R05  1", "GLONASS SLOT / FRQ #"),
      Line(" C1C          C1P          C2C          C2P", "GLONASS COD/PHS/BIS"),
      Line("     1.000", "INTERVAL"),
      Line("  2014     8    29    20     2   22.0000000     GPS", "TIME OF FIRST OBS"),
      Line("  2014     8    29    21    11   40.0000000     GPS", "TIME OF LAST OBS"),
      Line("     0", "RCV CLOCK OFFS APPL"),
      Line("    16", "LEAP SECONDS"),
      Line("", "END OF HEADER"),
  };
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(header[i + 2], expected[i]) << i;

  // Phases change sign; a 0 in the KEL file is a blank field; the
  // loss-of-lock flag marks each phase where its satellite's arc of
  // continuous phase begins (here each satellite's first); GLONASS channel +1
  // is slot 1 until the frame of slot 5 (21:11:16 GPS time) and slot 5 after.
  std::vector<std::string> lines = {
      "> 2014 08 29 20 02 22.0000000  0  3      -0.001000000000",
      "G05  21734318.350   114214691.5501      -2815.305    21734322.783    88998480.6521",
      "G12  20000000.125   105000000.5001" + std::string(33, ' ') + "  81818181.8181",
      "R01  19288208.875   103000000.2501        816.500    19288212.500    80000000.7501",
      "> 2014 08 29 20 02 23.0000000  0  1",
      "G05  21734824.750   114217352.500       -2815.250",
      "> 2014 08 29 21 11 40.0000000  0  1",
      "R05  20000000.500   105000000.2501      -1000.125",
  };
  EXPECT_EQ(body, lines);

  EXPECT_EQ(JsonNumber(run.out, "epochs"), 3);
  EXPECT_EQ(JsonNumber(run.out, "week"), 1807);
  EXPECT_EQ(JsonNumber(run.out, "gps_satellites"), 2);
  EXPECT_EQ(JsonNumber(run.out, "glonass_satellites"), 2);
  EXPECT_EQ(JsonNumber(run.out, "blank_values"), 2 + 2 + 2);
  EXPECT_EQ(JsonNumber(run.out, "satellites_left_out"), 2);
  EXPECT_NE(run.out.find("\"71: neither a GPS nor a GLONASS satellite number\""),
            std::string::npos);
  EXPECT_NE(run.out.find("\"R-1: no GLONASS ephemeris names the slot of its channel\""),
            std::string::npos);
  EXPECT_FALSE(Exists(dir + "/site.obs.part"));
}

TEST(RinexExport, NavigationRecordsAsTheFormatLaysThemOut) {
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(Jpsconv({"rinex", WriteSession(dir)}, dir).exit, 0);
  auto [header, body] = Split(jpstest::ReadFile(dir + "/site.nav"));
  ASSERT_EQ(header.size(), 4u);
  for (const std::string& line : header) EXPECT_EQ(line.size(), 80u) << line;
  EXPECT_EQ(header[0],
            Line("     3.04           N: GNSS NAV DATA    M: MIXED", "RINEX VERSION / TYPE"));
  EXPECT_EQ(header[2], Line("    16", "LEAP SECONDS"));
  EXPECT_EQ(header[3], Line("", "END OF HEADER"));
  std::vector<std::string> expected = {
      // toc 511200 s of week 1807 (week 783 of the second era): Friday 22:00.
      // af0, af1, af2; then IODE, Crs, delta n, M0 / Cuc, e, Cus, sqrt(A) /
      // toe, Cic, OMEGA0, Cis / i0, Crc, omega, OMEGA DOT / IDOT, L2 codes,
      // week, L2 P flag / accuracy, health, TGD, IODC / transmission, fit.
      "G05 2014 08 29 22 00 00 2.042250710000E-05 5.684341890000E-13 0.000000000000E+00",
      "     1.000000000000E+01-5.859375000000E+01 4.680194900000E-09-2.943641932811E+00",
      "    -3.077089790000E-06 3.449824289419E-03 8.052214980000E-06 5.153677513123E+03",
      "     5.112000000000E+05-9.313225750000E-08 2.957239655416E+00-1.005828380000E-07",
      "     9.615826790583E-01 2.267187500000E+02 3.902098490522E-01-8.084622750000E-09",
      "    -3.025125980000E-10 0.000000000000E+00 1.807000000000E+03 0.000000000000E+00",
      "     0.000000000000E+00 0.000000000000E+00 5.587935450000E-09 1.000000000000E+01",
      "     5.040000000000E+05 0.000000000000E+00",
      // tb 22:45 Moscow time is 19:45 UTC; -tauN, +gammaN, and the frame start,
      // 22:30 Moscow time, in seconds of the UTC week (Friday 19:30); then
      // x, vx, ax (km, km/s, km/s2), health / y ..., channel / z ..., age.
      "R01 2014 08 29 19 45 00-6.164424121000E-06 1.818989404000E-12 5.022000000000E+05",
      "    -1.249854050000E+04-1.339500430000E+00 0.000000000000E+00 0.000000000000E+00",
      "    -3.643593300000E+03-2.697346690000E+00 2.793967720000E-09 1.000000000000E+00",
      "     2.189795560000E+04-1.220068930000E+00-1.862645150000E-09 0.000000000000E+00",
      // 00:15 Moscow time on day 973 is 21:15 UTC on the 29th; the frame of
      // 00:11 is Friday 21:11 UTC, 508260 s into the UTC week.
      "R05 2014 08 29 21 15 00 2.500000000000E-05 0.000000000000E+00 5.082600000000E+05",
      "     1.000500000000E+03 1.500000000000E+00 9.313225750000E-10 0.000000000000E+00",
      "    -2.000250000000E+03-2.500000000000E-01 0.000000000000E+00 1.000000000000E+00",
      "     2.500012500000E+04 3.125000000000E-02-9.313225750000E-10 1.000000000000E+00",
  };
  EXPECT_EQ(body, expected);

  // A GLONASS position in metres is no orbit in kilometres: the record is
  // left out, while the block still names the channel's slot.
  std::string metres = kGlonassBlocks;
  metres.replace(metres.find("1000.5 -2000.25 25000.125"), 25, "1000500 -2000250 25000125");
  jpstest::WriteFile(dir + "/site.epp", std::string(kEppHeader) + kGpsBlock + metres);
  ProgramRun run = Jpsconv({"rinex", dir + "/site.kel", "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(JsonNumber(run.out, "glonass_records"), 1);
  EXPECT_EQ(JsonNumber(run.out, "records_left_out"), 1);
  EXPECT_EQ(Split(jpstest::ReadFile(dir + "/site.obs")).second.back().substr(0, 3), "R05");
}

TEST(RinexExport, WeekRolloverInsideTheFiles) {
  std::string dir = jpstest::TempDir();
  // The last second of week 1807 and the first of 1808 (783 and 784 as
  // broadcast). The first ephemeris went out 2 h before the week's end with
  // toc and toe at its start: its record belongs to week 1808, and its
  // transmission time counts back from there.
  WriteKel(dir + "/roll.kel", {{At(604799.0), {Sat(5, 255, 2e7, 0, 0, 0, 0)}},
                               {At(1.0), {Sat(5, 255, 2e7, 0, 0, 0, 0)}}});
  std::string block =
      "GpsEph { Prn: 5\r\n\tEl1: 783 597600 0 7 0\r\n\tEl2: 0 0 1.5e-005\r\n\tEl3: 7 0 0 0\r\n"
      "\tEl4: 0 0 0 0\r\n\tEl5: 0 0 0 0\r\n\tEl6: 0 0 0 0 0\r\n}\r\n";
  std::string next = block;
  next.replace(next.find("783 597600 0 7 0"), 16, "784 3600 0 7 7200");
  next.replace(next.find("El5: 0 0 0 0"), 12, "El5: 7200 0 0 0");
  jpstest::WriteFile(dir + "/roll.epp", std::string(kEppHeader) + block + next);
  ProgramRun run = Jpsconv({"rinex", dir + "/roll.kel"}, dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  auto [header, body] = Split(jpstest::ReadFile(dir + "/roll.obs"));
  ASSERT_EQ(body.size(), 4u);
  EXPECT_EQ(body[0], "> 2014 08 30 23 59 59.0000000  0  1");
  EXPECT_EQ(body[2], "> 2014 08 31 00 00  1.0000000  0  1");  // F11.7: blanks, not zeros
  auto nav = Split(jpstest::ReadFile(dir + "/roll.nav")).second;
  ASSERT_EQ(nav.size(), 16u);
  EXPECT_EQ(nav[0].substr(0, 23), "G05 2014 08 31 00 00 00");
  EXPECT_EQ(nav[5].substr(42, 19), " 1.808000000000E+03");
  EXPECT_EQ(nav[7], "    -7.200000000000E+03 0.000000000000E+00");
  EXPECT_EQ(nav[8].substr(0, 23), "G05 2014 08 31 02 00 00");
  EXPECT_EQ(nav[13].substr(42, 19), " 1.808000000000E+03");
  EXPECT_EQ(nav[15], "     3.600000000000E+03 0.000000000000E+00");
}

TEST(RinexExport, TimeWindowGridWeekAndFolders) {
  std::string dir = jpstest::TempDir();
  std::vector<std::pair<jps::KelEpoch, Measurements>> epochs;
  for (int s = 0; s <= 10; ++s) {
    epochs.push_back({At(504140.0 + s), {Sat(7, 255, 2e7 + s, 0, 0, 0, 0)}});
  }
  WriteKel(dir + "/win.kel", epochs);
  jpstest::WriteFile(dir + "/win.epp", std::string(kEppHeader) + kGpsBlock);
  std::string out = dir + "/out";
  std::filesystem::create_directories(out);
  ProgramRun run = Jpsconv({"rinex", dir + "/win.kel", "-o", out, "--from", "504142", "--to",
                            "2014-08-29 20:02:28", "--interval", "2", "--json"},
                           dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(JsonNumber(run.out, "epochs"), 4);  // :22, :24, :26, :28
  EXPECT_EQ(JsonNumber(run.out, "epochs_left_out"), 7);
  auto [header, body] = Split(jpstest::ReadFile(out + "/win.obs"));
  EXPECT_EQ(Labelled(header, "INTERVAL"), Line("     2.000", "INTERVAL"));
  EXPECT_EQ(body.front(), "> 2014 08 29 20 02 22.0000000  0  1");
  EXPECT_EQ(body[6], "> 2014 08 29 20 02 28.0000000  0  1");
  EXPECT_FALSE(Exists(dir + "/win.obs"));

  // Without an EPP file the week comes from --week, full or as broadcast;
  // the navigation file then holds its header only.
  std::remove((dir + "/win.epp").c_str());
  for (const char* week : {"1807", "783"}) {
    run = Jpsconv({"rinex", dir + "/win.kel", "--week", week, "--to", "504140.5"}, dir);
    ASSERT_EQ(run.exit, 0) << run.out << run.err;
    body = Split(jpstest::ReadFile(dir + "/win.obs")).second;
    EXPECT_EQ(body, std::vector<std::string>(
                        {"> 2014 08 29 20 02 20.0000000  0  1", "G07  20000000.000"}));
    EXPECT_EQ(Split(jpstest::ReadFile(dir + "/win.nav")).second.size(), 0u);
  }
  // Files named on the command line instead of those beside the KEL file.
  jpstest::WriteFile(dir + "/other.epp", std::string(kEppHeader) + kGpsBlock);
  jpstest::WriteFile(dir + "/other.STA", "Mark File:\r\nSTA: * 1.00 * BASE * 2.000 *  *  * \r\n");
  run = Jpsconv(
      {"rinex", dir + "/win.kel", "--epp", dir + "/other.epp", "--sta", dir + "/other.STA"}, dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  header = Split(jpstest::ReadFile(dir + "/win.obs")).first;
  EXPECT_EQ(header[2], Line("BASE", "MARKER NAME"));
  EXPECT_EQ(Labelled(header, "ANTENNA: DELTA H/E/N"),
            Line("        2.0000        0.0000        0.0000", "ANTENNA: DELTA H/E/N"));
}

// A session joined after itself holds nothing new: from its KEL file the
// second half's epochs go back in time and are left out with one text, and
// its ephemerides are the first half's again, so both files are those of the
// session alone.
TEST(RinexExport, ASessionJoinedAfterItselfGivesTheFilesOfTheSessionAlone) {
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(Jpsconv({"simulate", "-o", dir + "/one.jps", "--minutes", "3", "--seed", "5"}, dir).exit, 0);
  std::string session = jpstest::ReadFile(dir + "/one.jps");
  jpstest::WriteFile(dir + "/two.jps", session + session);
  ProgramRun runs[2];
  for (int k = 0; k < 2; ++k) {
    std::string name = dir + (k == 0 ? "/one" : "/two");
    ProgramRun converted = Jpsconv({"convert", "-q", "--no-progress", name + ".jps"}, dir);
    ASSERT_EQ(converted.exit, 0) << converted.err;
    runs[k] = Jpsconv({"rinex", name + ".kel", "--json"}, dir);
    ASSERT_EQ(runs[k].exit, 0) << runs[k].out << runs[k].err;
  }
  long epochs = JsonNumber(runs[0].out, "epochs");
  EXPECT_GT(epochs, 100);
  EXPECT_EQ(JsonNumber(runs[1].out, "epochs"), epochs);
  EXPECT_EQ(JsonNumber(runs[1].out, "epochs_left_out"), epochs);
  EXPECT_NE(runs[1].out.find("\"time_order\":[\"" + std::to_string(epochs) + " epochs left out whose times"),
            std::string::npos) << runs[1].out;
  long records = JsonNumber(runs[0].out, "gps_records") + JsonNumber(runs[0].out, "glonass_records");
  EXPECT_GT(records, 0);
  EXPECT_EQ(JsonNumber(runs[1].out, "records_left_out") - JsonNumber(runs[0].out, "records_left_out"),
            records);
  for (const char* extension : {".obs", ".nav"}) {
    EXPECT_EQ(Split(jpstest::ReadFile(dir + "/two" + extension)).second,
              Split(jpstest::ReadFile(dir + "/one" + extension)).second) << extension;
  }
}

TEST(RinexExport, BadInputGivesAClearErrorAndNoFiles) {
  std::string dir = jpstest::TempDir();
  std::string kel = WriteSession(dir);
  jpstest::WriteFile(dir + "/site.obs", "an older file\n");

  // An EPP file without a GPS ephemeris, and no --week: no time to give.
  std::string glonassOnly = std::string(kEppHeader) + kGlonassBlocks + kLeapSeconds;
  jpstest::WriteFile(dir + "/site.epp", glonassOnly);
  ProgramRun run = Jpsconv({"rinex", kel}, dir);
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find("holds no GPS ephemeris to take the GPS week from: give the week with "
                         "--week N"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(jpstest::ReadFile(dir + "/site.obs"), "an older file\n");
  EXPECT_FALSE(Exists(dir + "/site.nav"));

  // Not a KEL file; no KEL file; no folder to write into.
  jpstest::WriteFile(dir + "/text.kel", "Mark File:\r\n");
  run = Jpsconv({"rinex", dir + "/text.kel"}, dir);
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find("is not a KEL file"), std::string::npos) << run.err;
  EXPECT_EQ(Jpsconv({"rinex", dir + "/none.kel"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"rinex", kel, "-o", dir + "/no-folder"}, dir).exit, 2);
  EXPECT_FALSE(Exists(dir + "/text.obs"));
  EXPECT_FALSE(Exists(dir + "/none.obs"));

  // A folder in which no file can be created.
  jpstest::WriteFile(dir + "/site.epp", std::string(kEppHeader) + kGpsBlock);
  if (Exists("/proc/self/fd")) {
    run = Jpsconv({"rinex", kel, "-o", "/proc/self/fd"}, dir);
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.err.find("failed: cannot create /proc/self/fd/site.obs.part"), std::string::npos)
        << run.err;
  }

  // A KEL file cut inside its second epoch: the epochs before the cut are
  // written and the export says the file is damaged.
  std::string whole = jpstest::ReadFile(kel);
  jpstest::WriteFile(dir + "/cut.kel", whole.substr(0, 202 + 68 + 5 * 44 + 68 + 10));
  jpstest::WriteFile(dir + "/cut.epp", std::string(kEppHeader) + kGpsBlock);
  run = Jpsconv({"rinex", dir + "/cut.kel", "--json"}, dir);
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.out.find("\"status\":\"rejected\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("is damaged"), std::string::npos) << run.out;
  EXPECT_EQ(JsonNumber(run.out, "epochs"), 1);
  EXPECT_EQ(jpstest::Count(jpstest::ReadFile(dir + "/cut.obs"), "\n> "), 1);

  EXPECT_EQ(Jpsconv({"rinex", kel, "--interval", "0"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"rinex", kel, "--from", "yesterday"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"rinex", kel, dir + "/cut.kel", "--epp", dir + "/cut.epp"}, dir).exit, 2);
}

TEST(RinexExport, SeveralFilesAtATimeAndAfterAConversion) {
  std::string dir = jpstest::TempDir();
  std::string kel = WriteSession(dir);
  std::string second = dir + "/b/site2.kel";
  std::filesystem::create_directories(dir + "/b");
  jpstest::WriteFile(dir + "/b/site2.epp", jpstest::ReadFile(dir + "/site.epp"));
  WriteKel(second, {{At(504150.0), {Sat(5, 255, 2e7, 0, 0, 0, 0)}}});
  ProgramRun run = Jpsconv({"rinex", kel, dir + "/none.kel", second, "-j", "2", "--json"}, dir);
  EXPECT_EQ(run.exit, 2);  // the worst of the three
  EXPECT_EQ(jpstest::Count(run.out, "\n"), 3);
  EXPECT_EQ(jpstest::Count(run.out, "\"status\":\"exported\""), 2);
  EXPECT_TRUE(Exists(dir + "/site.obs") && Exists(dir + "/b/site2.nav"));

  // convert --rinex: the marker and antenna height of the first site saved.
  std::string jps = jpstest::Simulate(dir, "field.jps", {"--minutes", "4"});
  run = Jpsconv({"convert", jps, "--rinex", "--json", "-q"}, dir);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(jpstest::Count(run.out, "\n"), 2);
  EXPECT_NE(run.out.find("\"obs\":\"" + dir + "/field.obs\""), std::string::npos) << run.out;
  std::string sta = jpstest::ReadFile(dir + "/field.STA");
  size_t at = sta.find("STA: * ");
  ASSERT_NE(at, std::string::npos);
  size_t name = sta.find(" * ", at + 7) + 3;
  size_t height = sta.find(" * ", name) + 3;
  std::string site = sta.substr(name, height - 3 - name);
  std::string heightText = sta.substr(height, sta.find(" * ", height) - height);
  auto header = Split(jpstest::ReadFile(dir + "/field.obs")).first;
  EXPECT_EQ(header[2], Line(site, "MARKER NAME"));
  // The STA file gives the height with three decimals, the header with four.
  EXPECT_EQ(Labelled(header, "ANTENNA: DELTA H/E/N").substr(0, 14),
            std::string(14 - heightText.size() - 1, ' ') + heightText + "0");
}

TEST(RinexExport, HelpExplainsTheCommand) {
  std::string dir = jpstest::TempDir();
  ProgramRun help = Jpsconv({"rinex", "--help"}, dir);
  EXPECT_EQ(help.exit, 0);
  EXPECT_EQ(help.out.find("Usage: jpsconv rinex"), 0u);
  for (const char* option :
       {"--epp", "--sta", "--from", "--to", "--interval", "--week", "-j", "--json", "-o"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_NE(Jpsconv({"--help"}, dir).out.find("  rinex "), std::string::npos);
  EXPECT_NE(Jpsconv({"convert", "--help"}, dir).out.find("--rinex"), std::string::npos);
}
