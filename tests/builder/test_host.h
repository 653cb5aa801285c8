// A host for tests: runs conversions through the entry points the way the
// post-processing host does and keeps what its callbacks received.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/kel_records.h"
#include "context/host_records.h"
#include "tools/builder/message_builder.h"

namespace jpstest {

struct HostMessage {
  double time;
  std::string text;
};

struct HostRun {
  int32_t result = 0;
  jps::ConversionRequest request{};
  std::vector<HostMessage> messages;
  std::vector<std::pair<int32_t, int32_t>> progress;
  std::string kel, epp, sta;   // file contents after the run ("" when absent)
  std::string kelPath, eppPath, staPath;

  // True when a message with exactly this text arrived.
  bool HasMessage(const std::string& text) const;
  // Number of messages with exactly this text.
  int CountMessages(const std::string& text) const;
};

struct HostSetup {
  std::function<void(jps::ConversionOptions&)> options;  // changes to the defaults
  bool withOnMessage = true;
  bool withOnProgress = true;
  int64_t abortAtProgressCall = -1;   // Abort() from inside OnProgress at this call
};

// Converts jpsPath into kelPath (EPP and STA beside it).
HostRun RunHost(const std::string& jpsPath, const std::string& kelPath, const HostSetup& setup = {});
// Runs a request as it stands (paths, options); setup.options is not used.
// The files are read back when the output path field is terminated.
HostRun RunRequest(const jps::ConversionRequest& request, const HostSetup& setup = {});
// Writes bytes into <dir>/input.jps and converts it into <dir>/out.kel.
HostRun ConvertBytes(const jpsbuild::Bytes& input, const HostSetup& setup = {});
// The same by a host without a progress callback, in a process whose
// continuity tables are as a freshly loaded plug-in has them, so that
// several conversions in one test do not see each other.
HostRun ConvertFresh(const jpsbuild::Bytes& input, HostSetup setup = {});

// A fresh empty folder for the running test.
std::string TempDir();
// Path of a real receiver recording, or "" when the data folder is absent.
std::string DataFile(const std::string& name);
std::string ReadFile(const std::string& path);
jpsbuild::Bytes ReadBytes(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const jpsbuild::Bytes& bytes);

// One epoch group of a KEL file.
struct KelGroup {
  jps::KelEpoch epoch;
  std::vector<jps::KelMeasurement> m;
};
// The epoch groups of a KEL file, each field read at its offset in the
// record (not with the converter's own decoder). A group cut short fails the
// running test.
std::vector<KelGroup> ReadKelGroups(const std::string& kel);

// The KEL file's epoch groups after the 202-byte header (no creation stamp).
std::string KelBody(const std::string& kel);
// The epoch groups of a KEL body, one string each (epoch record and its
// measurement records). A group cut short ends the list and sets *cut.
std::vector<std::string> KelEpochs(const std::string& body, bool* cut = nullptr);

}  // namespace jpstest
