#include "tests/builder/test_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "tools/builder/host_request.h"

namespace jpstest {
namespace {

HostRun* current = nullptr;
int64_t progressCalls = 0;
int64_t abortAt = -1;

void JAV_CALL OnMessage(double time, const char* text) {
  if (current != nullptr) current->messages.push_back({time, text});
}

void JAV_CALL OnProgress(int32_t position, int32_t length) {
  if (current != nullptr) current->progress.push_back({position, length});
  if (progressCalls++ == abortAt) Abort();
}

std::string WithExtension(const std::string& path, const std::string& ext) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    return path.substr(0, dot) + ext;
  }
  return path + ext;
}

}  // namespace

bool HostRun::HasMessage(const std::string& text) const { return CountMessages(text) > 0; }

int HostRun::CountMessages(const std::string& text) const {
  int n = 0;
  for (const auto& m : messages) n += m.text == text ? 1 : 0;
  return n;
}

HostRun RunHost(const std::string& jpsPath, const std::string& kelPath, const HostSetup& setup) {
  jps::ConversionRequest request = jpsbuild::HostRequest(jpsPath, kelPath);
  if (setup.options) setup.options(request.Options);
  return RunRequest(request, setup);
}

HostRun RunRequest(const jps::ConversionRequest& request, const HostSetup& setup) {
  HostRun run;
  run.request = request;
  jps::HostCallbacks callbacks = jpsbuild::HostCallbacksWith(
      setup.withOnMessage ? OnMessage : nullptr, setup.withOnProgress ? OnProgress : nullptr);

  current = &run;
  progressCalls = 0;
  abortAt = setup.abortAtProgressCall;
  run.result = ConvertFile(&run.request, &callbacks, 0);
  current = nullptr;

  const char* field = request.OutputPath;
  if (std::memchr(field, '\0', jps::kPathSize) == nullptr) return run;
  std::string kelPath = field;
  run.kelPath = kelPath;
  run.eppPath = WithExtension(kelPath, ".epp");
  run.staPath = WithExtension(kelPath, ".STA");
  run.kel = ReadFile(run.kelPath);
  run.epp = ReadFile(run.eppPath);
  run.sta = ReadFile(run.staPath);
  return run;
}

HostRun ConvertBytes(const jpsbuild::Bytes& input, const HostSetup& setup) {
  std::string dir = TempDir();
  WriteFile(dir + "/input.jps", input);
  return RunHost(dir + "/input.jps", dir + "/out.kel", setup);
}

HostRun ConvertFresh(const jpsbuild::Bytes& input, HostSetup setup) {
  jps::ResetProcessStateForTesting();
  setup.withOnProgress = false;
  return ConvertBytes(input, setup);
}

std::string TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                     : std::string("no_test");
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  std::filesystem::path dir = std::filesystem::path(JPS_BINARY_DIR) / "test_tmp" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::string DataFile(const std::string& name) {
  // Beside the source folder, or beside the folder of worktrees it is one of.
  const std::filesystem::path source = JPS_SOURCE_DIR;
  for (const std::filesystem::path& base : {source / "..", source / ".." / ".."}) {
    std::filesystem::path p = base / "shared" / "data" / name;
    if (std::filesystem::exists(p)) return p.string();
  }
  return std::string();
}

std::string ReadFile(const std::string& path) {
  if (!std::filesystem::is_regular_file(path)) return std::string();  // not /dev/full
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

jpsbuild::Bytes ReadBytes(const std::string& path) {
  std::string bytes = ReadFile(path);
  return jpsbuild::Bytes(bytes.begin(), bytes.end());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::string& path, const jpsbuild::Bytes& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

namespace {

template <typename T>
T Field(const std::string& bytes, size_t at) {
  static_assert(sizeof(T) <= 8, "a field of at most eight bytes");
  uint64_t bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) {
    bits |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  }
  T value;
  std::memcpy(&value, &bits, sizeof value);   // the low bytes on a little-endian machine
  return value;
}

}  // namespace

std::vector<KelGroup> ReadKelGroups(const std::string& kel) {
  constexpr size_t kEpochSize = 68, kMeasurementSize = 44;
  std::vector<KelGroup> groups;
  std::string body = KelBody(kel);
  size_t at = 0;
  while (at + kEpochSize <= body.size()) {
    KelGroup g{};
    jps::KelEpoch& e = g.epoch;
    e.recordSize = Field<int16_t>(body, at);
    e.measurementCount = Field<int8_t>(body, at + 2);
    e.epochFlags = Field<uint8_t>(body, at + 3);
    e.latitude = Field<double>(body, at + 8);
    e.longitude = Field<double>(body, at + 16);
    e.height = Field<float>(body, at + 24);
    e.receiverTime = Field<double>(body, at + 28);
    e.correctedTime = Field<double>(body, at + 36);
    e.clockOffset = Field<double>(body, at + 44);
    e.clockDrift = Field<double>(body, at + 52);
    at += kEpochSize;
    for (int i = 0; i < e.measurementCount; ++i) {
      if (at + kMeasurementSize > body.size()) {
        ADD_FAILURE() << "KEL file cut inside epoch " << groups.size() + 1;
        return groups;
      }
      jps::KelMeasurement m{};
      m.recordSize = Field<int16_t>(body, at);
      m.satellite = Field<int8_t>(body, at + 2);
      m.lockCount = Field<uint8_t>(body, at + 3);
      m.l1Code = Field<double>(body, at + 4);
      m.l1Phase = Field<double>(body, at + 12);
      m.doppler = Field<double>(body, at + 20);
      m.l2Code = Field<double>(body, at + 28);
      m.l2Phase = Field<double>(body, at + 36);
      g.m.push_back(m);
      at += kMeasurementSize;
    }
    groups.push_back(g);
  }
  EXPECT_EQ(at, body.size()) << "KEL file cut inside an epoch record";
  return groups;
}

std::string KelBody(const std::string& kel) { return kel.size() > 202 ? kel.substr(202) : ""; }

std::vector<std::string> KelEpochs(const std::string& body, bool* cut) {
  constexpr size_t kEpochRecordSize = 68;
  constexpr size_t kMeasurementRecordSize = 44;
  constexpr size_t kCountOffset = 2;   // measurementCount, a signed byte
  std::vector<std::string> epochs;
  size_t at = 0;
  if (cut != nullptr) *cut = false;
  while (at < body.size()) {
    size_t size = kEpochRecordSize;
    if (at + kEpochRecordSize <= body.size()) {
      int count = static_cast<int8_t>(body[at + kCountOffset]);
      size += static_cast<size_t>(count > 0 ? count : 0) * kMeasurementRecordSize;
    }
    if (at + size > body.size()) {
      if (cut != nullptr) *cut = true;
      break;
    }
    epochs.push_back(body.substr(at, size));
    at += size;
  }
  return epochs;
}

}  // namespace jpstest
