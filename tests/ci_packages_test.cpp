// The installation part of .ci/run (.ci/packages.sh), run by bash against
// stand-ins for apt-get, apt-cache, dpkg and dpkg-query that log what they are
// asked and fail for the packages the test names; and the skip lines of the
// tests whose optional group is missing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

using jpstest::ProgramRun;

// apt-get knows no package named "...-unavailable"; it fails for one named in
// FAIL, except when it runs against the main suites' own lists. apt-cache
// knows wine32's i386 libraries: libfoo is installed (amd64) at 1.1 where the
// lists offer 1.0, libbar at the version offered, libbaz is not Multi-Arch:
// same.
const char* const kStandIns[][2] = {
    {"apt-get",
     "echo \"apt-get $*\" >>\"$LOG\"\n"
     "for a in \"$@\"; do case \"$a\" in *-unavailable*)\n"
     "  echo \"E: Unable to locate package ${a%%:*}\"; exit 100 ;; esac; done\n"
     "case \" $* \" in *' update '*) exit 0 ;; *Dir::State::Lists=*) exit 0 ;; esac\n"
     "for a in \"$@\"; do case \" $FAIL \" in *\" $a \"*)\n"
     "  echo \"E: Unable to locate package $a\"; exit 100 ;; esac; done\n"},
    {"apt-cache",
     "case \"$*\" in\n"
     "*depends*) printf 'wine32:i386\\n  Depends: libfoo:i386\\nlibfoo:i386\\nlibbar:i386\\n"
     "libbaz:i386\\n<virtual:i386>\\n' ;;\n"
     "*policy*) printf 'libfoo:i386:\\n  Installed: (none)\\n  Candidate: 1.0\\n"
     "libbar:i386:\\n  Installed: (none)\\n  Candidate: 2.0\\n' ;;\n"
     "esac\n"},
    {"dpkg-query", "printf 'libfoo 1.1 same\\nlibbar 2.0 same\\nlibbaz 3.0 foreign\\n'\n"},
    {"dpkg", "echo i386\n"},
};

const std::string kPackagesScript = JPS_SOURCE_DIR "/.ci/packages.sh";

struct CiRun {
  ProgramRun run;
  std::string apt;  // every apt-get call, one a line
};

// Sources .ci/packages.sh as .ci/run does (set -euo pipefail) with every
// group's tools absent and no waiting, then runs the commands.
CiRun RunCi(const std::string& fail, const std::string& commands,
            const std::string& environment = "") {
  std::string dir = jpstest::TempDir();
  std::string bin = dir + "/bin";
  mkdir(bin.c_str(), 0755);
  for (const auto& standIn : kStandIns) {
    std::string path = bin + "/" + standIn[0];
    jpstest::WriteFile(path, std::string("#!/bin/sh\n") + standIn[1]);
    chmod(path.c_str(), 0755);
  }
  // What the run around this test set for itself does not reach the script.
  std::string script =
      std::string("set -euo pipefail\nunset JPS_CI_BREAK_GROUP JPS_CI_INSTALL_ONLY ") +
      jpstest::kMissingGroupsVariable + "\nexport PATH='" + bin + "':\"$PATH\" LOG='" + dir +
      "/apt.log' FAIL='" + fail + "'\n" + environment + "\nsource '" + kPackagesScript + "'\n" +
      "trap 'rm -f \"$apt_log\"' EXIT\n"
      "group_present() { return 1; }\nsleep() { :; }\n" +
      commands;
  CiRun ci{jpstest::Run({"bash", "-c", script}, dir), ""};
  ci.apt = jpstest::ReadFile(dir + "/apt.log");
  return ci;
}

const char* const kAllGroups =
    "install_optional_groups\nprint_group_summary\necho \"missing=[$JPS_MISSING_GROUPS]\"\n";

TEST(CiPackages, AGroupThatCannotBeInstalledIsTriedTwiceThenNamedWithAptsReason) {
  CiRun ci = RunCi("rtklib", kAllGroups);
  ASSERT_EQ(ci.run.exit, 0) << ci.run.err;
  EXPECT_EQ(jpstest::Count(ci.apt, "install -y -qq rtklib"), 2) << ci.apt;
  EXPECT_EQ(jpstest::Count(ci.apt, "install -y -qq librsvg2-bin"), 1);
  EXPECT_NE(ci.run.out.find("rtklib: MISSING, its tests skip (rnx2rtkp solving from the RINEX "
                            "files): E: Unable to locate package rtklib\n"),
            std::string::npos)
      << ci.run.out;
  EXPECT_NE(ci.run.out.find("   rsvg: installed\n"), std::string::npos);
  EXPECT_NE(ci.run.out.find("missing=[rtklib]"), std::string::npos);
}

TEST(CiPackages, Wine32ComesFromTheMainSuitesWithTheLibrariesItNeedsTakenBack) {
  CiRun ci = RunCi("wine32:i386", kAllGroups);
  ASSERT_EQ(ci.run.exit, 0) << ci.run.err;
  EXPECT_NE(ci.run.out.find("wine32: installed (from the main suites alone)"), std::string::npos)
      << ci.run.out;
  EXPECT_NE(ci.run.out.find("missing=[]"), std::string::npos);
  // Its own lists and sources, read before the install; only libfoo differs.
  size_t update = ci.apt.find("Dir::State::Lists=");
  ASSERT_NE(update, std::string::npos) << ci.apt;
  EXPECT_NE(ci.apt.find(" update -qq", update), std::string::npos);
  size_t install = ci.apt.find("--allow-downgrades --no-install-recommends wine wine32:i386");
  ASSERT_NE(install, std::string::npos) << ci.apt;
  std::string line = ci.apt.substr(install, ci.apt.find('\n', install) - install);
  EXPECT_NE(line.find(" libfoo:amd64=1.0 libfoo:i386=1.0"), std::string::npos) << line;
  EXPECT_EQ(line.find("libbar"), std::string::npos) << line;
  EXPECT_EQ(line.find("libbaz"), std::string::npos) << line;
}

TEST(CiPackages, ABrokenGroupIsAskedForUnderNamesNoArchiveHasAndTheBaseFailsTheRun) {
  CiRun broken = RunCi("", kAllGroups, "export JPS_CI_BREAK_GROUP='wine32 chromium'");
  ASSERT_EQ(broken.run.exit, 0) << broken.run.err;
  EXPECT_NE(broken.apt.find("install -y -qq wine-unavailable wine32-unavailable:i386 "),
            std::string::npos)
      << broken.apt;
  EXPECT_NE(broken.run.out.find("missing=[wine32 chromium]"), std::string::npos) << broken.run.out;
  EXPECT_NE(broken.run.out.find("chromium: MISSING, its tests skip (the qc picture drawn into a "
                                "PNG without rsvg): E: Unable to locate package "
                                "chromium-unavailable\n"),
            std::string::npos)
      << broken.run.out;

  CiRun base = RunCi("libgtest-dev", "base_needs() { echo libgtest-dev; }\ninstall_base\necho on");
  EXPECT_EQ(base.run.exit, 1);
  EXPECT_EQ(jpstest::Count(base.apt, "install -y -qq libgtest-dev"), 2);
  EXPECT_EQ(base.run.out.find("\non"), std::string::npos);
  EXPECT_NE(base.run.err.find("cannot install what every test needs: E: Unable to locate package "
                              "libgtest-dev"),
            std::string::npos)
      << base.run.err;
}

TEST(OptionalTools, AMissingGroupOrProgramGivesOneLineNamingTheGroup) {
  setenv(jpstest::kMissingGroupsVariable, "wine32 rtklib", 1);
  EXPECT_EQ(jpstest::MissingTool("sh", "rtklib"),
            "sh: optional group rtklib missing (.ci/run could not install it)");
  EXPECT_EQ(jpstest::MissingTool("sh", "rtk"), "");  // whole names only
  EXPECT_EQ(jpstest::MissingTool("no-such-program-here", "rsvg"),
            "no-such-program-here: not installed (optional group rsvg)");
  unsetenv(jpstest::kMissingGroupsVariable);
  EXPECT_EQ(jpstest::MissingTool("sh", "rtklib"), "");
}

}  // namespace
