#include "tests/builder/program_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/little_endian.h"
#include "tests/builder/test_host.h"

extern char** environ;

namespace jpstest {

const char* const kJpsconvProgram = JPS_BINARY_DIR "/tools/jpsconv";

pid_t SpawnJpsconv(const std::vector<std::string>& args, const std::string& dir) {
  std::vector<std::string> argv = {kJpsconvProgram};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(&a[0]);
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir + "/stdout.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (dir + "/stderr.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, kJpsconvProgram, &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(rc, 0);
  return pid;
}

ProgramRun FinishJpsconv(pid_t pid, const std::string& dir) {
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
  return FinishJpsconv(SpawnJpsconv(args, dir), dir);
}

std::vector<KelFileEpoch> ReadKelFile(const std::string& kel) {
  std::vector<KelFileEpoch> epochs;
  EXPECT_GE(kel.size(), 202u);
  if (kel.size() < 202) return epochs;
  auto at = [&](size_t i) { return reinterpret_cast<const uint8_t*>(kel.data() + i); };
  EXPECT_EQ(jps::LoadI16(at(0)), 202);
  size_t offset = 202;
  while (offset < kel.size()) {
    if (offset + 68 > kel.size()) {
      ADD_FAILURE() << "cut epoch record at " << offset;
      break;
    }
    EXPECT_EQ(jps::LoadI16(at(offset)), 68);
    int count = static_cast<int8_t>(kel[offset + 2]);
    KelFileEpoch e;
    e.time = jps::LoadF64(at(offset + 28));
    e.flags = static_cast<uint8_t>(kel[offset + 3]);
    size_t end = offset + 68 + 44 * static_cast<size_t>(count);
    if (count < 0 || count > 24 || end > kel.size()) {
      ADD_FAILURE() << "bad measurement count or cut measurements at " << offset;
      break;
    }
    for (int i = 0; i < count; ++i) {
      const uint8_t* m = at(offset + 68 + 44 * static_cast<size_t>(i));
      EXPECT_EQ(jps::LoadI16(m), 44);
      e.measurements.push_back({static_cast<int8_t>(m[2]), m[3], jps::LoadF64(m + 4),
                                jps::LoadF64(m + 12), jps::LoadF64(m + 20), jps::LoadF64(m + 28),
                                jps::LoadF64(m + 36)});
    }
    e.bytes = kel.substr(offset, end - offset);
    epochs.push_back(e);
    offset = end;
  }
  return epochs;
}

}  // namespace jpstest
