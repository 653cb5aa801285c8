// The folders are layers: no source includes from a layer above its own, so
// that one layer can be changed without reading those above it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

// From the bottom up; folders of one rank do not include each other either.
const std::map<std::string, int> kRank = {
    {"support", 0}, {"context", 1}, {"greis", 2}, {"epoch", 3},
    {"ephemeris", 3}, {"plugin", 4}, {"tools", 5}, {"tests", 6}};

}  // namespace

TEST(Layers, NoSourceIncludesFromALayerAboveItsOwn) {
  namespace fs = std::filesystem;
  const fs::path root = JPS_SOURCE_DIR;
  const std::regex include("^\\s*#\\s*include\\s+\"([a-z]+)/[^\"]+\"");
  std::vector<std::string> wrong;
  int files = 0;
  for (const auto& [folder, rank] : kRank) {
    if (folder == "tests") continue;   // the tests may use every layer
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        auto target = kRank.find(m[1].str());
        if (target == kRank.end() || target->first == folder) continue;
        if (target->second >= rank) {
          wrong.push_back(fs::relative(entry.path(), root).string() + ": " + line);
        }
      }
    }
  }
  EXPECT_GT(files, 100);
  for (const std::string& w : wrong) ADD_FAILURE() << w;
}
