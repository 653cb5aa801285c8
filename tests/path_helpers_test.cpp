// File-name surgery on host paths and selection lists.
#include <gtest/gtest.h>

#include <string>

#include "support/path_helpers.h"

using namespace jps;

namespace {

// path after an in-place edit of a 256-byte copy.
template <typename Edit>
std::string Edited(const std::string& path, Edit edit) {
  char buffer[256];
  path.copy(buffer, path.size());
  buffer[path.size()] = '\0';
  edit(buffer, sizeof buffer);
  return buffer;
}

std::string Replaced(const std::string& path, const char* ext) {
  return Edited(path, [ext](char* p, size_t n) { ReplaceExtension(p, n, ext); });
}

std::string Defaulted(const std::string& path, const char* ext) {
  return Edited(path, [ext](char* p, size_t n) { AddDefaultExtension(p, n, ext); });
}

std::string Joined(const char* folder, const char* name) {
  char out[256];
  JoinPath(folder, name, out, sizeof out);
  return out;
}

std::string Extension(const char* path) {
  char out[16];
  GetExtension(path, out, sizeof out);
  return out;
}

std::string Letters(const char* path) {
  char out[8];
  EXPECT_EQ(GetExtensionLetters(path, out, sizeof out), 1);
  return out;
}

}  // namespace

TEST(PathHelpers, DefaultExtension) {
  EXPECT_EQ(Defaulted("  out\\run", ".kel"), "out\\run.kel");
  EXPECT_EQ(Defaulted("  out\\run.dat", ".kel"), "out\\run.dat");
  EXPECT_EQ(Defaulted("D:\\data.old\\site", ".kel"), "D:\\data.old\\site.kel");
  EXPECT_EQ(Defaulted("site.", ".kel"), "site.");
}

TEST(PathHelpers, SplitAndJoin) {
  EXPECT_EQ(Joined("D:", "a.jps"), "D:a.jps");
  EXPECT_EQ(Joined("D:\\x", "a.jps"), "D:\\x\\a.jps");
  EXPECT_EQ(Joined("D:\\x\\", "a.jps"), "D:\\x\\a.jps");
  EXPECT_EQ(Joined("", "a.jps"), "a.jps");

  char folder[64], name[64];
  SplitPath("D:\\x\\a.jps", folder, sizeof folder, name, sizeof name);
  EXPECT_STREQ(folder, "D:\\x\\");
  EXPECT_STREQ(name, "a.jps");
  SplitFolderName("D:\\x\\a.jps", folder, sizeof folder, name, sizeof name);
  EXPECT_STREQ(folder, "D:\\x");
  EXPECT_STREQ(name, "a.jps");
  SplitPath("a.jps", folder, sizeof folder, name, sizeof name);
  EXPECT_STREQ(folder, "");
  EXPECT_STREQ(name, "a.jps");
  char small[4];
  SplitPath("D:\\longfolder\\a.jps", small, sizeof small, name, sizeof name);
  EXPECT_STREQ(small, "D:\\");
  EXPECT_STREQ(name, "a.jps");
}

TEST(PathHelpers, Extensions) {
  EXPECT_EQ(Extension("D:\\x\\a.jps"), ".jps");
  EXPECT_EQ(Extension("  a.jps"), ".jps");
  EXPECT_EQ(Extension("a.1234567"), ".1234567");   // eight characters with the dot
  EXPECT_EQ(Extension("a.12345678"), "");
  EXPECT_EQ(Extension("D:\\x.y\\a"), "");
  EXPECT_EQ(Letters("D:\\x.y\\run.j-p_s2x"), "jps2");
  EXPECT_EQ(Letters("D:\\x.y\\run"), "");
  EXPECT_EQ(Letters("a.b.c"), "bc");
}

TEST(SelectionList, ItemsAndPaths) {
  const char multiple[] = "D:\\data\0a.jps\0b.jps\0";  // with the array's own final NUL
  const char single[] = "D:\\data\\one.jps\0";
  char out[64];
  EXPECT_EQ(CountListItems(multiple), 2);
  EXPECT_EQ(CountListItems(single), 1);
  EXPECT_EQ(CountListItems("\0"), 0);
  EXPECT_EQ(ListItemPath(2, multiple, out, sizeof out), 0);
  EXPECT_STREQ(out, "D:\\data\\b.jps");
  EXPECT_EQ(ListItemPath(1, multiple, out, sizeof out), 0);
  EXPECT_STREQ(out, "D:\\data\\a.jps");
  EXPECT_EQ(ListItemPath(1, single, out, sizeof out), 0);
  EXPECT_STREQ(out, "D:\\data\\one.jps");
  EXPECT_EQ(ListItemPath(3, multiple, out, sizeof out), -1);
  EXPECT_EQ(ListItemPath(0, multiple, out, sizeof out), -1);
  EXPECT_EQ(ListItemPath(-1, single, out, sizeof out), -1);
}

TEST(ReplaceExtension, BackslashAndSlashPaths) {
  EXPECT_EQ(Replaced("  out\\run.epp", ".STA"), "out\\run.STA");
  EXPECT_EQ(Replaced("out\\run", ".STA"), "out\\run.STA");
  EXPECT_EQ(Replaced("site.jps", ""), "site");
  EXPECT_EQ(Replaced("D:\\data\\site.jps", ".epp"), "D:\\data\\site.epp");
  EXPECT_EQ(Replaced("D:\\data.old\\site", ".epp"), "D:\\data.old\\site.epp");
  EXPECT_EQ(Replaced("site.", ".epp"), "site.epp");
  EXPECT_EQ(Replaced("  lead.kel", ".STA"), "lead.STA");
  EXPECT_EQ(Replaced("./out/run", ".epp"), "./out/run.epp");
  EXPECT_EQ(Replaced("a.b/c.kel", ""), "a.b/c");
  char tiny[6] = "ab.cd";
  ReplaceExtension(tiny, sizeof tiny, ".epp");
  EXPECT_STREQ(tiny, "ab.ep");
}
