#include "tools/jpsconv/convert_arguments.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plugin/jav_dll.h"
#include "tools/jpsconv/cli_common.h"

namespace jpsconv {
namespace {

// One flag per field of ConversionOptions. The record is packed, so fields
// are reached by their offset.
struct OptionFlag {
  const char* name;
  size_t offset;
  int32_t value;
  const char* help;
};

#define JPS_OPTION(field) offsetof(jps::ConversionOptions, field)
const OptionFlag kOptionFlags[] = {
    {"--gps-only", JPS_OPTION(GpsOnly), 1,
     "GPS satellites only: GLONASS left out of the KEL file, no GlnEph blocks"},
    {"--l1-phase-from-p1", JPS_OPTION(L1PhaseFromP1), 1,
     "take the L1 carrier phase from the P1 phase messages instead of C/A"},
    {"--start-dynamic", JPS_OPTION(StartDynamic), 1,
     "start in dynamic (kinematic) mode; field events switch it later"},
    {"--keep-damaged-epochs", JPS_OPTION(KeepDamagedEpochs), 1,
     "keep an epoch in which a message failed its check"},
    {"--require-l2", JPS_OPTION(RequireL2), 1, "refuse epochs without an L2 carrier phase"},
    {"--verbose", JPS_OPTION(Verbose), 1, "more diagnostic messages from the converter"},
    {"--site-awaits-save", JPS_OPTION(SiteAwaitsSave), 1,
     "hold a typed SITE until it is saved; write an unsaved one at the end (default)"},
    {"--no-site-awaits-save", JPS_OPTION(SiteAwaitsSave), 0,
     "write a SITE station line as soon as it is typed"},
    {"--skip-greis-epochs", JPS_OPTION(SkipGreisEpochs), 1,
     "decode GREIS epochs but do not write them"},
    {"--skip-rm-epochs", JPS_OPTION(SkipRmEpochs), 1, "decode [rM] epochs but do not write them"},
};
#undef JPS_OPTION

const OptionFlag* FindOptionFlag(const std::string& arg) {
  for (const OptionFlag& f : kOptionFlags) {
    if (arg == f.name) return &f;
  }
  return nullptr;
}

void SetOption(jps::ConversionOptions* options, const OptionFlag& flag) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(options);
  std::memcpy(bytes + flag.offset, &flag.value, sizeof flag.value);
}

}  // namespace

std::string ParseConvertArguments(const std::vector<std::string>& args, ConvertArguments* out) {
  SetFactoryDefaults(jps::kOptionsSize, &out->options);
  bool onlyInputs = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value, error;
    if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
      out->inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyInputs = true;
    } else if (arg == "-h" || arg == "--help") {
      out->help = true;
    } else if (arg == "--json") {
      out->json = true;
    } else if (arg == "--qc") {
      out->qc = true;
    } else if (arg == "-q" || arg == "--quiet") {
      out->quiet = true;
    } else if (arg == "--no-progress") {
      out->progress = false;
    } else if (arg == "--rinex") {
      out->rinex = true;
    } else if (TakeRinexVersion(args, &i, &out->rinexVersion, &error)) {
      if (!error.empty()) return error;
    } else if (arg == kWorkerFlag) {
      out->worker = true;
    } else if (const OptionFlag* flag = FindOptionFlag(arg)) {
      SetOption(&out->options, *flag);
      out->optionFlags.push_back(arg);
    } else if (TakeValue(args, &i, "-o", &value, &error) ||
               TakeValue(args, &i, "--output", &value, &error)) {
      if (!error.empty()) return error;
      out->output = value;
    } else if (TakeValue(args, &i, "--log", &value, &error)) {
      if (!error.empty()) return error;
      out->log = value;
    } else if (TakeJobCount(args, &i, &out->jobs, &error)) {
      if (!error.empty()) return error;
    } else {
      return "unknown option " + arg + " (see jpsconv convert --help)";
    }
  }
  if (out->help) return "";
  if (out->inputs.empty()) return "no input file (see jpsconv convert --help)";
  return "";
}

void PrintConvertHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: jpsconv convert IN.jps [IN2.jps ...] [-o OUT.kel | -o FOLDER] [options]\n"
               "\n"
               "Converts JPS receiver files into the KEL raw observation file, with the EPP\n"
               "ephemeris file (.epp) and the STA station-mark file (.STA) beside it.\n"
               "The KEL file is the input's name with .kel unless -o says otherwise; with\n"
               "several inputs -o names an existing folder.\n"
               "\n"
               "Options:\n"
               "  -o, --output PATH       KEL file (one input) or folder (several inputs)\n"
               "  -j, --jobs N            convert up to N files at the same time (default 1)\n"
               "      --json              print the summaries as JSON lines\n"
               "      --qc                after each file converted, its data-quality report\n"
               "                          from the receiver's stream, worked out in the same\n"
               "                          pass (see jpsconv qc --help; with --json one JSON\n"
               "                          line); of the KEL file for a file of rM records\n"
               "      --log FILE          write the converter's messages to FILE, not the screen\n"
               "  -q, --quiet             no converter messages and no progress bar\n"
               "      --no-progress       no progress bar\n"
               "      --rinex             also write RINEX files in the same pass: FILE.obs\n"
               "                          and FILE.nav beside the KEL file, with every system,\n"
               "                          signal and value of the receiver's file (see\n"
               "                          jpsconv rinex --help)\n"
               "      --rinex-version V   3.04 (the default) or 2.11 (FILE.nav: GPS,\n"
               "                          FILE.gnav: GLONASS)\n"
               "  -h, --help              this text\n"
               "\n"
               "Conversion options (the defaults are the converter's own):\n");
  for (const OptionFlag& f : kOptionFlags) std::fprintf(out, "      %-22s  %s\n", f.name, f.help);
  std::fprintf(out,
               "\n"
               "Exit status (with several files, the worst of them; --rinex and --qc\n"
               "count too):\n"
               "  0  every file converted\n"
               "  1  records rejected, the conversion aborted (Ctrl-C), the input is not a\n"
               "     JPS file, or its report or RINEX files found bad data; the files hold\n"
               "     what was converted\n"
               "  2  a file could not be opened, written or put in place (missing input,\n"
               "     unwritable folder, full disk: the reason is on the error output), or\n"
               "     the command line was wrong\n");
}

}  // namespace jpsconv
