// Programs that some tests run and that come in the optional groups of tools
// which .ci/run installs each on its own (wine32, wine64, clang, rtklib, rsvg,
// chromium, packaging). A group that could not be installed makes its tests
// skip with one line that names it.
#pragma once

#include <string>

namespace jpstest {

// The environment variable in which .ci/run names the groups it could not
// install, separated by spaces: their programs count as absent even where an
// older installation left some of them behind.
constexpr const char* kMissingGroupsVariable = "JPS_MISSING_GROUPS";

// "" when the program of that group can be run here, else the line to skip
// with: the group is named missing, or the program is not on PATH.
std::string MissingTool(const std::string& program, const std::string& group);

}  // namespace jpstest
