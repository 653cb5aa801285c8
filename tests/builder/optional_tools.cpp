#include "tests/builder/optional_tools.h"

#include <cstdlib>
#include <sstream>

#include "tests/builder/program_run.h"

namespace jpstest {
namespace {

bool GroupNamedMissing(const std::string& group) {
  const char* names = std::getenv(kMissingGroupsVariable);
  std::istringstream words(names != nullptr ? names : "");
  std::string word;
  while (words >> word) {
    if (word == group) return true;
  }
  return false;
}

}  // namespace

std::string MissingTool(const std::string& program, const std::string& group) {
  if (GroupNamedMissing(group)) {
    return program + ": optional group " + group + " missing (.ci/run could not install it)";
  }
  if (!OnPath(program)) return program + ": not installed (optional group " + group + ")";
  return "";
}

}  // namespace jpstest
