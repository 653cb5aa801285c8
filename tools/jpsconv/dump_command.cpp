// jpsconv dump: the header of a KEL file and every epoch with its
// measurements, as an aligned table or as CSV.
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "support/gps_time.h"
#include "tools/jpsconv/kel_epp_context.h"
#include "tools/jpsconv/kel_reader.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

void PrintDumpHelp() {
  std::printf(
      "Usage: jpsconv dump FILE.kel [--csv] [--epochs N]\n"
      "\n"
      "Prints the header of a KEL raw observation file and every epoch with its\n"
      "measurements: as an aligned table, or with --csv one line per measurement.\n"
      "A value of 0 in the file means \"not available\" and is shown as - (empty\n"
      "in CSV). Satellites: G = GPS PRN; R = GLONASS orbital slot (R05) where the\n"
      "EPP file beside the KEL file tells it, as the RINEX export and qc name them,\n"
      "else frequency channel (R+2). CSV gives the name and the KEL number.\n"
      "  --epochs N   only the first N epochs\n"
      "\n"
      "Exit status: 0 the whole file read; 1 the file is damaged or not a KEL\n"
      "file; 2 it could not be opened.\n");
}

// Seconds of the GPS week as day and time of day.
std::string WeekTime(double seconds) {
  if (!(seconds >= 0) || seconds > 7 * jps::kSecondsPerDay) return "";
  int day = static_cast<int>(seconds / jps::kSecondsPerDay);
  double sod = seconds - day * jps::kSecondsPerDay;
  int h = static_cast<int>(sod / 3600), m = static_cast<int>(sod / 60) % 60;
  char text[48];
  std::snprintf(text, sizeof text, "%s %02d:%02d:%06.3f", kDayNames[day], h, m,
                sod - h * 3600 - m * 60);
  return text;
}

std::string Value(double v, const char* format, const char* absent) {
  if (v == 0.0) return absent;
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

void PrintHeader(const jps::KelHeader& h, bool csv) {
  const char* lead = csv ? "# " : "  ";
  if (!csv) std::printf("KEL header\n");
  std::printf("%sheader size     %d\n", lead, h.headerSize);
  std::printf("%sformat version  %.2f\n", lead, h.formatVersion);
  std::printf("%sreceiver type   %d\n", lead, h.receiverType);
  std::printf("%schannels        %d\n", lead, h.channelCount);
  std::printf("%screated         %04d-%02d-%02d %02d:%02d:%02d\n", lead, h.createYear + 1900,
              h.createMonth + 1, h.createDay, h.createHour, h.createMinute, h.createSecond);
  std::printf("%sepoch interval  %.3f s\n", lead, h.epochInterval);
  std::printf("%sfile name       %s\n", lead, Printable(h.fileName).c_str());
  std::printf("%sbuffer size     %d\n", lead, h.bufferSize);
}

// Names satellites as qc and the RINEX export do: GLONASS by slot where the
// EPP file tells it.
class Namer {
 public:
  Namer(const std::string& kel, const jps::KelHeader& header) { context_.Load(kel, header); }
  std::string Name(const jps::KelEpoch& e, int number) const {
    double tow = e.receiverTime;
    int32_t week = jps::IsGlonassNumber(number) ? context_.WeekOf(tow) : -1;
    return SatelliteName(number, context_.SlotAt(number, week, tow));
  }

 private:
  KelEppContext context_;
};

void PrintTableEpoch(long long n, const jps::KelEpoch& e,
                     const std::vector<jps::KelMeasurement>& ms, const Namer& names) {
  std::printf("\nepoch %lld  %.3f s (%s)  corrected %.9f  clock %.3f m  drift %.4f m/s  %s\n", n,
              e.receiverTime, WeekTime(e.receiverTime).c_str(), e.correctedTime, e.clockOffset,
              e.clockDrift, (e.epochFlags & jps::kKelFlagKinematic) ? "kinematic" : "static");
  if (e.epochFlags & jps::kKelFlagPosition) {
    std::printf("  position %.8f %.8f %.3f m\n", e.latitude, e.longitude, e.height);
  }
  std::printf("  %d satellites\n", e.measurementCount);
  if (ms.empty()) return;
  std::printf("  %-4s %4s %16s %17s %13s %16s %17s\n", "sat", "lock", "L1 code (m)",
              "L1 phase (cyc)", "Doppler (Hz)", "L2 code (m)", "L2 phase (cyc)");
  for (const jps::KelMeasurement& m : ms) {
    std::printf("  %-4s %4d %16s %17s %13s %16s %17s\n", names.Name(e, m.satellite).c_str(),
                m.lockCount, Value(m.l1Code, "%.3f", "-").c_str(),
                Value(m.l1Phase, "%.3f", "-").c_str(), Value(m.doppler, "%.3f", "-").c_str(),
                Value(m.l2Code, "%.3f", "-").c_str(), Value(m.l2Phase, "%.3f", "-").c_str());
  }
}

void PrintCsvEpoch(long long n, const jps::KelEpoch& e, const std::vector<jps::KelMeasurement>& ms,
                   const Namer& names) {
  char head[512];
  std::snprintf(head, sizeof head, "%lld,%.6f,%.9f,%.4f,%.6f,%d,%.10f,%.10f,%.4f,%d", n,
                e.receiverTime, e.correctedTime, e.clockOffset, e.clockDrift, e.epochFlags,
                e.latitude, e.longitude, e.height, e.measurementCount);
  if (ms.empty()) std::printf("%s,,,,,,,,,\n", head);
  for (const jps::KelMeasurement& m : ms) {
    std::printf("%s,%s,%d,%s,%d,%s,%s,%s,%s,%s\n", head,
                jps::IsGlonassNumber(m.satellite) ? "R" : "G", m.satellite,
                names.Name(e, m.satellite).c_str(), m.lockCount,
                Value(m.l1Code, "%.4f", "").c_str(), Value(m.l1Phase, "%.4f", "").c_str(),
                Value(m.doppler, "%.4f", "").c_str(), Value(m.l2Code, "%.4f", "").c_str(),
                Value(m.l2Phase, "%.4f", "").c_str());
  }
}

}  // namespace

int DumpCommand(const Arguments& args) {
  std::string path;
  bool csv = false;
  long long limit = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string value, error;
    if (args[i] == "-h" || args[i] == "--help") {
      PrintDumpHelp();
      return kExitOk;
    } else if (args[i] == "--csv") {
      csv = true;
    } else if (TakeValue(args, &i, "--epochs", &value, &error)) {
      if (!error.empty() || !ParseInteger(value, 0, INT64_MAX, &limit)) {
        Complain("--epochs needs a number");
        return kExitFileError;
      }
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      Complain("unknown option " + args[i] + " (see jpsconv dump --help)");
      return kExitFileError;
    } else if (path.empty()) {
      path = args[i];
    } else {
      Complain("dump reads one file (see jpsconv dump --help)");
      return kExitFileError;
    }
  }
  if (path.empty()) {
    Complain("no KEL file (see jpsconv dump --help)");
    return kExitFileError;
  }
  KelReader reader;
  bool cannotOpen = false;
  std::string error = reader.Open(path, &cannotOpen);
  if (!error.empty()) {
    Complain(Printable(error));
    return cannotOpen ? kExitFileError : kExitRejected;
  }
  PrintHeader(reader.header(), csv);
  Namer names(path, reader.header());
  if (csv) {
    std::printf(
        "epoch,receiver_time,corrected_time,clock_offset_m,clock_drift_m_s,flags,latitude,"
        "longitude,height,satellites,system,satellite,name,lock,l1_code,l1_phase,doppler,"
        "l2_code,l2_phase\n");
  }
  jps::KelEpoch epoch;
  std::vector<jps::KelMeasurement> measurements;
  for (long long n = 1; limit < 0 || n <= limit; ++n) {
    KelReader::Step step = reader.Next(&epoch, &measurements);
    if (step == KelReader::kEnd) break;
    if (step == KelReader::kBad) {
      std::fflush(stdout);
      Complain(Printable(path) + ": " + reader.error());
      return kExitRejected;
    }
    csv ? PrintCsvEpoch(n, epoch, measurements, names)
        : PrintTableEpoch(n, epoch, measurements, names);
  }
  return kExitOk;
}

}  // namespace jpsconv
