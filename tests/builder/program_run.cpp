#include "tests/builder/program_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>

#include "support/little_endian.h"
#include "tests/builder/test_host.h"

extern char** environ;

namespace jpstest {

const std::string kProgram = JPS_BINARY_DIR "/tools/jpsconv";

pid_t SpawnProgram(const std::vector<std::string>& argv, const std::string& dir,
                   const std::string& cwd) {
  std::vector<std::string> args = argv;
  std::vector<char*> raw;
  for (std::string& a : args) raw.push_back(&a[0]);
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir + "/stdout.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (dir + "/stderr.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(rc, 0) << "cannot start " << args[0];
  return pid;
}

ProgramRun Run(const std::vector<std::string>& argv, const std::string& dir,
               const std::string& cwd) {
  return Finish(SpawnProgram(argv, dir, cwd), dir);
}

bool OnPath(const std::string& name) {
  return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& dir) {
  std::vector<std::string> argv = {kProgram};
  argv.insert(argv.end(), args.begin(), args.end());
  return SpawnProgram(argv, dir);
}

ProgramRun Finish(pid_t pid, const std::string& dir) {
  ProgramRun r;
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal";
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(dir + "/stdout.txt");
  r.err = ReadFile(dir + "/stderr.txt");
  return r;
}

ProgramRun Jpsconv(const std::vector<std::string>& args, const std::string& dir) {
  return Finish(Spawn(args, dir), dir);
}

std::string Simulate(const std::string& dir, const std::string& name,
                     const std::vector<std::string>& extra) {
  std::string path = dir + "/" + name;
  std::vector<std::string> args = {"simulate", "-o", path};
  args.insert(args.end(), extra.begin(), extra.end());
  ProgramRun r = Jpsconv(args, dir);
  EXPECT_EQ(r.exit, 0) << r.err;
  return path;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

long JsonNumber(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::strtol(json.c_str() + at + key.size() + 3, nullptr, 10);
}

std::vector<Epoch> DecodeKelEpochs(const std::string& kel) {
  std::vector<Epoch> epochs;
  EXPECT_GE(kel.size(), 202u);
  if (kel.size() < 202) return epochs;
  EXPECT_EQ(jps::LoadI16(reinterpret_cast<const uint8_t*>(kel.data())), 202);
  size_t offset = 202;
  for (const KelGroup& g : ReadKelGroups(kel)) {
    EXPECT_EQ(+g.epoch.recordSize, 68);
    int count = g.epoch.measurementCount;
    if (count < 0 || count > 24) {
      ADD_FAILURE() << "bad measurement count at " << offset;
      break;
    }
    Epoch e;
    e.flags = g.epoch.epochFlags;
    e.latitude = g.epoch.latitude;
    e.longitude = g.epoch.longitude;
    e.time = g.epoch.receiverTime;
    for (const jps::KelMeasurement& m : g.m) {
      EXPECT_EQ(+m.recordSize, 44);
      e.measurements.push_back(
          {m.satellite, m.lockCount, m.l1Code, m.l1Phase, m.doppler, m.l2Code, m.l2Phase});
    }
    size_t size = 68 + 44 * static_cast<size_t>(count);
    e.bytes = kel.substr(offset, size);
    epochs.push_back(e);
    offset += size;
  }
  return epochs;
}

}  // namespace jpstest
