// Faults of the machine around a conversion: outputs on a full device, in a
// read-only, missing or impossible folder, paths at and beyond the 255
// characters of the host's record, inputs that are folders or cannot be
// read. Each ends with a clear text through the callbacks and the result -1,
// never with success over a partial file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "plugin/conversion_api.h"
#include "context/continuity.h"
#include "context/host_records.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/sample_streams.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jpstest::HostRun;

namespace fs = std::filesystem;

namespace {

// True when a text containing every one of the parts arrived.
bool HasTextWith(const HostRun& run, const std::vector<std::string>& parts) {
  for (const auto& m : run.messages) {
    bool all = true;
    for (const auto& p : parts) all = all && m.text.find(p) != std::string::npos;
    if (all) return true;
  }
  return false;
}

bool CanCreateIn(const std::string& folder) {
  std::string probe = folder + "/probe";
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (f == nullptr) return false;
  std::fclose(f);
  std::remove(probe.c_str());
  return true;
}

class EnvironmentFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    jps::ResetProcessStateForTesting();
    dir_ = jpstest::TempDir();
    input_ = dir_ + "/input.jps";
    jpstest::WriteFile(input_, jpstest::Joined(jpstest::BuiltSessionMessages(40)));
  }
  std::string dir_;
  std::string input_;
};

}  // namespace

// Files of a good earlier conversion, and what they held.
struct EarlierFiles {
  std::map<std::string, std::string> contents;
  explicit EarlierFiles(const std::string& kel) {
    for (const char* ext : {".kel", ".epp", ".STA"}) {
      std::string path = kel.substr(0, kel.size() - 4) + ext;
      contents[path] = std::string("earlier ") + ext;
      jpstest::WriteFile(path, jpsbuild::Bytes(contents[path].begin(), contents[path].end()));
    }
  }
  // True when each is as it was and nothing else lies beside them.
  bool Untouched(const std::string& folder, size_t othersExpected = 0) const {
    for (const auto& [path, text] : contents) {
      if (jpstest::ReadFile(path) != text) return false;
    }
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(folder)) entries += e.is_regular_file() ? 1 : 0;
    return entries == contents.size() + othersExpected;
  }
};

TEST_F(EnvironmentFaults, AWriteFailureMidwayLeavesTheEarlierFilesAsTheyWere) {
  std::string folder = dir_ + "/out";
  fs::create_directories(folder);
  std::string kel = folder + "/x.kel";
  EarlierFiles earlier(kel);
  jpstest::WriteFile(dir_ + "/long.jps", jpstest::Joined(jpstest::BuiltSessionMessages(400)));
  // A file-size limit well inside the KEL file: its writes fail part-way.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{20000, 20000};
    setrlimit(RLIMIT_FSIZE, &limit);
    HostRun run = jpstest::RunHost(dir_ + "/long.jps", kel);
    bool told = HasTextWith(run, {kel + ": File too large"});
    _exit(run.result == -1 && told ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the conversion did not fail with the reason";
  EXPECT_TRUE(earlier.Untouched(folder));
}

TEST_F(EnvironmentFaults, ReadOnlyFolder) {
  std::string folder = dir_ + "/read-only";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  // Root writes into folders whatever their mode; sysfs takes no new files.
  if (CanCreateIn(folder)) folder = "/sys";
  if (!fs::is_directory(folder) || CanCreateIn(folder)) {
    GTEST_SKIP() << "no folder here refuses new files";
  }
  std::string kel = folder + "/out.kel";
  HostRun run = jpstest::RunHost(input_, kel);
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("ERROR: Could Not Open " + kel + "\n"));
  EXPECT_TRUE(HasTextWith(run, {kel + ": "}));   // and the system's reason
  EXPECT_FALSE(fs::exists(kel));
  fs::permissions(dir_ + "/read-only", fs::perms::owner_all);
}

TEST_F(EnvironmentFaults, MissingFolderOrAFileWhereAFolderShouldBe) {
  for (const std::string& kel : {dir_ + "/missing/out.kel", input_ + "/out.kel"}) {
    HostRun run = jpstest::RunHost(input_, kel);
    EXPECT_EQ(run.result, -1) << kel;
    EXPECT_TRUE(run.HasMessage("ERROR: Could Not Open " + kel + "\n")) << kel;
    EXPECT_EQ(run.request.EpochsWritten, 0);
  }
  // The KEL file can be made, but its EPP file is a folder: the earlier
  // KEL and STA files stay as they were.
  std::string folder = dir_ + "/epp-folder";
  fs::create_directories(folder);
  EarlierFiles earlier(folder + "/out.kel");
  fs::remove(folder + "/out.epp");
  fs::create_directories(folder + "/out.epp");
  HostRun run = jpstest::RunHost(input_, folder + "/out.kel");
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("Could not open EPP file " + folder + "/out.epp\n"));
  EXPECT_TRUE(run.HasMessage(folder + "/out.epp: Is a directory"));
  earlier.contents.erase(folder + "/out.epp");
  EXPECT_TRUE(earlier.Untouched(folder));
}

TEST_F(EnvironmentFaults, PathsOf255CharactersConvertAndLongerOnesAreRefused) {
  // A folder path grown to leave exactly room for the file names.
  auto deepFolder = [&](size_t total) {
    std::string folder = dir_ + "/p";
    while (folder.size() + 40 < total) folder += "/" + std::string(30, 'd');
    folder += "/" + std::string(total - folder.size() - 1, 'e');
    return folder;
  };
  std::string folder = deepFolder(255 - 8);   // + "/out.kel" = 255
  fs::create_directories(folder);
  std::string kel = folder + "/out.kel";
  std::string jps = folder + "/in.jps1";
  ASSERT_EQ(kel.size(), 255u);
  ASSERT_EQ(jps.size(), 255u);
  fs::copy_file(input_, jps);
  HostRun run = jpstest::RunHost(jps, kel);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 40);
  EXPECT_EQ(run.kel.size(), 202u + 40u * (68u + 4u * 44u));
  EXPECT_TRUE(fs::exists(folder + "/out.epp"));
  EXPECT_TRUE(fs::exists(folder + "/out.STA"));

  // A 255-character KEL path without an extension: the EPP and STA paths
  // are four characters longer.
  std::string bare = folder + "/outkel";
  bare += std::string(255 - bare.size(), 'k');
  run = jpstest::RunHost(jps, bare);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(fs::exists(bare + ".epp"));
  EXPECT_TRUE(fs::exists(bare + ".STA"));

  // A field of 256 characters has no terminator: the path goes on beyond
  // the record, so no file of the cut name may be read or made.
  for (bool inputTooLong : {true, false}) {
    std::string longFolder = deepFolder(256 - 8);
    fs::create_directories(longFolder);
    std::string longKel = longFolder + "/out.kel";
    std::string longJps = longFolder + "/in.jps1";
    fs::copy_file(input_, longJps, fs::copy_options::overwrite_existing);
    jps::ConversionRequest request{};
    request.Size = jps::kRequestSize;
    request.OptionsSize = jps::kOptionsSize;
    std::string in = inputTooLong ? longJps : input_;
    std::string out = inputTooLong ? dir_ + "/short.kel" : longKel;
    ASSERT_LE(in.size(), 256u);
    ASSERT_LE(out.size(), 256u);
    std::memcpy(request.InputPath, in.data(), in.size());
    std::memcpy(request.OutputPath, out.data(), out.size());
    HostRun refused = jpstest::RunRequest(request);
    EXPECT_EQ(refused.result, -1);
    EXPECT_TRUE(refused.HasMessage(inputTooLong ? "ERROR: JPS file path longer than 255 characters\n"
                                                : "ERROR: KEL file path longer than 255 characters\n"));
    EXPECT_FALSE(fs::exists(longKel));
    EXPECT_FALSE(fs::exists(dir_ + "/short.kel"));
  }
}

TEST_F(EnvironmentFaults, InputThatIsAFolderOrCannotBeRead) {
  HostRun run = jpstest::RunHost(dir_, dir_ + "/out.kel");
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("Could not open JPS file " + dir_ + " "));

  // A file that the system lists but fails to read: the conversion stops
  // there and says so.
  if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no unreadable file here";
  run = jpstest::RunHost("/proc/self/mem", dir_ + "/mem.kel");
  EXPECT_EQ(run.result, -1);
  EXPECT_TRUE(run.HasMessage("Read Error: Error: Unable to read /proc/self/mem"));
  EXPECT_EQ(run.request.EpochsWritten, 0);

  // Without read permission: refused, unless the tests run as root, who reads
  // whatever the mode: then the file converts like any other.
  std::string locked = dir_ + "/locked.jps";
  fs::copy_file(input_, locked);
  fs::permissions(locked, fs::perms::none);
  std::FILE* f = std::fopen(locked.c_str(), "rb");
  bool readable = f != nullptr;
  if (f != nullptr) std::fclose(f);
  run = jpstest::RunHost(locked, dir_ + "/locked.kel");
  if (readable) {
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.request.EpochsWritten, 40);
  } else {
    EXPECT_EQ(run.result, -1);
    EXPECT_TRUE(run.HasMessage("Could not open JPS file " + locked + " "));
  }
  fs::permissions(locked, fs::perms::owner_all);
}
