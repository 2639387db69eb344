// Depth-first removal of a directory tree and of a registry key tree: what
// goes, in which order, and what a single stubborn entry keeps in place.
#include "tree_removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform_test.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Strings = std::vector<std::string>;

namespace {

const std::string kRoot = "C:\\Tavrin Data";

class DirectoryTreeTest : public PlatformTest {
 protected:
  fake::FileSystem& files() { return platform().files; }
  Strings Snapshot() { return files().Snapshot(kRoot); }
};

TEST_F(DirectoryTreeTest, EmptyDirectoryIsListedThenRemoved) {
  files().AddDirectory(kRoot);

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_FALSE(files().Exists(kRoot));
  EXPECT_THAT(platform().log, ElementsAre("FindFirstFileA C:\\Tavrin Data\\*.*", "FindClose",
                                          "RemoveDirectoryA C:\\Tavrin Data ok"));
}

TEST_F(DirectoryTreeTest, RemovesDeepestFirstAndEachDirectoryAfterItsContents) {
  files().AddFile(kRoot + "\\a.txt");
  files().AddFile(kRoot + "\\sub\\deeper\\c.txt");
  files().AddFile(kRoot + "\\sub\\b.txt");
  files().AddFile(kRoot + "\\z.txt");

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(platform().Removals(), ElementsAreArray(Strings{
                                         "DeleteFileA C:\\Tavrin Data\\a.txt",
                                         "DeleteFileA C:\\Tavrin Data\\sub\\deeper\\c.txt",
                                         "RemoveDirectoryA C:\\Tavrin Data\\sub\\deeper",
                                         "DeleteFileA C:\\Tavrin Data\\sub\\b.txt",
                                         "RemoveDirectoryA C:\\Tavrin Data\\sub",
                                         "DeleteFileA C:\\Tavrin Data\\z.txt",
                                         "RemoveDirectoryA C:\\Tavrin Data",
                                     }));
  EXPECT_FALSE(files().Exists(kRoot));
}

TEST_F(DirectoryTreeTest, ReadOnlyFileDeepInsideKeepsItselfAndEveryAncestor) {
  files().AddFile(kRoot + "\\top.txt");
  files().AddFile(kRoot + "\\outer\\free.txt");
  files().AddFile(kRoot + "\\outer\\inner\\locked.txt",
                  FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  files().AddFile(kRoot + "\\outer\\inner\\other.txt");
  files().AddFile(kRoot + "\\beside\\gone.txt");

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(Snapshot(), ElementsAre(kRoot, kRoot + "\\outer", kRoot + "\\outer\\inner",
                                      kRoot + "\\outer\\inner\\locked.txt"));
  // Nothing forces the removal: the attributes are left as they were.
  EXPECT_EQ(files().Find(kRoot + "\\outer\\inner\\locked.txt")->attributes,
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(DirectoryTreeTest, FileInUseStaysAndSoDoesItsDirectory) {
  files().AddFile(kRoot + "\\open.log").refusesDeletion = true;
  files().AddFile(kRoot + "\\closed.log");

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(Snapshot(), ElementsAre(kRoot, kRoot + "\\open.log"));
}

// Only an attribute word of exactly 0x10 makes an entry a directory to
// descend into; with any other bit beside it, it goes to DeleteFileA.
struct AttributeCase {
  DWORD attributes;
  bool descended;
};

void PrintTo(const AttributeCase& c, std::ostream* out) { *out << "attributes " << c.attributes; }

class DirectoryAttributeTest : public DirectoryTreeTest,
                               public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(DirectoryAttributeTest, OnlyAPlainDirectoryIsDescendedInto) {
  const AttributeCase& c = GetParam();
  files().AddDirectory(kRoot + "\\sub", c.attributes);
  files().AddFile(kRoot + "\\sub\\inside.txt");
  files().AddFile(kRoot + "\\plain.txt");

  RemoveDirectoryTree(kRoot.c_str());

  if (c.descended) {
    EXPECT_FALSE(files().Exists(kRoot));
  } else {
    EXPECT_THAT(platform().Calls("FindFirstFileA"),
                ElementsAre("FindFirstFileA " + kRoot + "\\*.*"));
    EXPECT_THAT(platform().Calls("DeleteFileA " + kRoot + "\\sub"),
                ElementsAre("DeleteFileA " + kRoot + "\\sub failed"));
    EXPECT_THAT(Snapshot(), ElementsAre(kRoot, kRoot + "\\sub", kRoot + "\\sub\\inside.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(AttributeWords, DirectoryAttributeTest,
                         ::testing::Values(AttributeCase{0x10, true}, AttributeCase{0x30, false},
                                           AttributeCase{0x11, false}, AttributeCase{0x12, false},
                                           AttributeCase{0x14, false}, AttributeCase{0x410, false}),
                         [](const auto& info) {
                           char name[32];
                           std::snprintf(name, sizeof name, "attributes_0x%x",
                                         static_cast<unsigned>(info.param.attributes));
                           return std::string(name);
                         });

TEST_F(DirectoryTreeTest, HiddenSystemAndNormalFilesAreDeletedLikeAnyOther) {
  files().AddFile(kRoot + "\\hidden.dat", FILE_ATTRIBUTE_HIDDEN);
  files().AddFile(kRoot + "\\system.dat", FILE_ATTRIBUTE_SYSTEM);
  files().AddFile(kRoot + "\\both.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  files().AddFile(kRoot + "\\normal.dat", FILE_ATTRIBUTE_NORMAL);

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_FALSE(files().Exists(kRoot));
}

TEST_F(DirectoryTreeTest, OnlyTheExactDotEntriesAreSkippedWhereverTheListingPutsThem) {
  files().AddFile(kRoot + "\\...");
  files().AddFile(kRoot + "\\.x");
  files().AddFile(kRoot + "\\..hidden");
  files().AddFile(kRoot + "\\.dots\\inside.txt");
  files().Find(kRoot)->listingOrder = {"...", ".x", ".", ".dots", "..", "..hidden"};

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(platform().Removals(), ElementsAreArray(Strings{
                                         "DeleteFileA C:\\Tavrin Data\\...",
                                         "DeleteFileA C:\\Tavrin Data\\.x",
                                         "DeleteFileA C:\\Tavrin Data\\.dots\\inside.txt",
                                         "RemoveDirectoryA C:\\Tavrin Data\\.dots",
                                         "DeleteFileA C:\\Tavrin Data\\..hidden",
                                         "RemoveDirectoryA C:\\Tavrin Data",
                                     }));
}

TEST_F(DirectoryTreeTest, PathThatIsMissingOrAFileOnlyGetsAFailingRemoveDirectory) {
  files().AddFile(kRoot + "\\file.txt");
  for (const std::string& path : {kRoot + "\\missing", kRoot + "\\file.txt"}) {
    SCOPED_TRACE(path);
    platform().log.clear();

    RemoveDirectoryTree(path.c_str());

    EXPECT_THAT(platform().log, ElementsAre("FindFirstFileA " + path + "\\*.*",
                                            "RemoveDirectoryA " + path + " failed"));
  }
  EXPECT_TRUE(files().Exists(kRoot + "\\file.txt"));
}

TEST_F(DirectoryTreeTest, UnlistableDirectoryIsOnlyTriedForRemoval) {
  files().AddFile(kRoot + "\\secret.txt");
  files().Find(kRoot)->refusesListing = true;

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(platform().Calls("DeleteFileA"), IsEmpty());
  EXPECT_THAT(platform().Calls("RemoveDirectoryA"),
              ElementsAre("RemoveDirectoryA " + kRoot + " failed"));
}

TEST_F(DirectoryTreeTest, ListingThatEndsOnAnErrorLeavesTheRestAndStillTriesTheDirectory) {
  files().AddFile(kRoot + "\\first.txt");
  files().AddFile(kRoot + "\\second.txt");
  files().AddFile(kRoot + "\\third.txt");
  files().Find(kRoot)->listingFailsAfter = 3;  // ".", "..", "first.txt"

  RemoveDirectoryTree(kRoot.c_str());

  EXPECT_THAT(Snapshot(), ElementsAre(kRoot, kRoot + "\\second.txt", kRoot + "\\third.txt"));
  EXPECT_THAT(platform().Calls("RemoveDirectoryA"),
              ElementsAre("RemoveDirectoryA " + kRoot + " failed"));
}

// A directory whose path has `length` characters: "C:\" and names of at
// most 200 characters below it.
std::string DirectoryOfLength(size_t length) {
  std::string path = "C:\\" + std::string(200, 'd');
  path += "\\" + std::string(length - path.size() - 1, 'e');
  return path;
}

TEST_F(DirectoryTreeTest, EntryWhosePathWouldNotFitIsSkippedAndTheRestGoes) {
  // 250 + "\" + name: 259 characters still fit with the terminator, 260 not.
  const std::string directory = DirectoryOfLength(250);
  const std::string fits(8, 'f');
  const std::string tooLong(9, 'g');
  files().AddFile(directory + "\\" + tooLong);
  files().AddFile(directory + "\\" + fits);

  RemoveDirectoryTree(directory.c_str());

  EXPECT_THAT(files().Snapshot(directory), ElementsAre(directory, directory + "\\" + tooLong));
  EXPECT_THAT(platform().Removals(), ElementsAre("DeleteFileA " + directory + "\\" + fits));
}

TEST_F(DirectoryTreeTest, LevelWhosePatternWouldNotFitIsNotListed) {
  // "\*.*" needs four more characters: a 255-character path is listed, a
  // 256-character one is not, and only its own removal is tried.
  const std::string listed = DirectoryOfLength(255);
  const std::string notListed = DirectoryOfLength(256);
  files().AddFile(listed + "\\x");
  files().AddFile(notListed + "\\y");

  RemoveDirectoryTree(listed.c_str());
  RemoveDirectoryTree(notListed.c_str());

  EXPECT_FALSE(files().Exists(listed));
  EXPECT_TRUE(files().Exists(notListed + "\\y"));
  EXPECT_THAT(platform().Calls("FindFirstFileA"),
              ElementsAre("FindFirstFileA " + listed + "\\*.*"));
  EXPECT_THAT(platform().Calls("RemoveDirectoryA " + notListed),
              ElementsAre("RemoveDirectoryA " + notListed + " failed"));
}

// ------------------------------------------------------------------ registry

const std::string kKey = "Software\\Korvane\\Tavrin";

class RegistryTreeTest : public PlatformTest {
 protected:
  fake::Registry& registry() { return platform().registry; }
  int DeleteProductKey() { return DeleteRegistryTree(HKEY_CURRENT_USER, kKey.c_str()); }
};

TEST_F(RegistryTreeTest, MissingKeyCountsAsRemovedAndNothingHappens) {
  registry().CreateKey("Software\\Korvane");

  EXPECT_EQ(DeleteProductKey(), 1);

  EXPECT_THAT(platform().Calls("RegDeleteKeyA"), IsEmpty());
  EXPECT_THAT(platform().Calls("RegEnumKeyA"), IsEmpty());
  EXPECT_TRUE(registry().Exists("Software\\Korvane"));
}

TEST_F(RegistryTreeTest, KeyThatRefusesFullAccessCountsAsRemovedAndStays) {
  registry().CreateKey(kKey + "\\Directories");
  registry().Find(kKey)->refusesAllAccess = true;

  EXPECT_EQ(DeleteProductKey(), 1);

  EXPECT_TRUE(registry().Exists(kKey + "\\Directories"));
  EXPECT_THAT(platform().Calls("RegDeleteKeyA"), IsEmpty());
}

TEST_F(RegistryTreeTest, KeyWithValuesAndNoSubkeysIsDeleted) {
  registry().SetText(kKey, "Uninst", "C:\\remove.exe");

  EXPECT_EQ(DeleteProductKey(), 1);

  EXPECT_FALSE(registry().Exists(kKey));
  EXPECT_TRUE(registry().Exists("Software\\Korvane"));
}

TEST_F(RegistryTreeTest, NestedKeysAreDeletedFromTheBottomUp) {
  registry().CreateKey(kKey + "\\Alpha\\One\\Deep");
  registry().CreateKey(kKey + "\\Alpha\\Two");
  registry().CreateKey(kKey + "\\Beta");
  registry().CreateKey("Software\\Korvane\\Other");

  EXPECT_EQ(DeleteProductKey(), 1);

  const std::string k = "RegDeleteKeyA HKCU\\" + kKey;
  EXPECT_THAT(platform().Removals(),
              ElementsAreArray(Strings{k + "\\Alpha\\One\\Deep", k + "\\Alpha\\One",
                                       k + "\\Alpha\\Two", k + "\\Alpha", k + "\\Beta", k}));
  EXPECT_TRUE(registry().Exists("Software\\Korvane\\Other"));
  // Every level asks for index 0: the next subkey moves up as one goes.
  for (const std::string& call : platform().Calls("RegEnumKeyA")) {
    EXPECT_EQ(call.back(), '0') << call;
  }
}

struct SubkeyCountCase {
  int subkeys;
  int result;
  size_t subkeysLeft;
};

void PrintTo(const SubkeyCountCase& c, std::ostream* out) { *out << c.subkeys << " subkeys"; }

class SubkeyLimitTest : public RegistryTreeTest,
                        public ::testing::WithParamInterface<SubkeyCountCase> {};

TEST_P(SubkeyLimitTest, LoopEndsAfterAThousandRoundsWhateverTheyAchieved) {
  const SubkeyCountCase& c = GetParam();
  for (int i = 0; i < c.subkeys; ++i)
    registry().CreateKey(kKey + "\\k" + std::to_string(10000 + i));

  EXPECT_EQ(DeleteProductKey(), c.result);

  // The key's own deletion is tried in every case.
  EXPECT_THAT(platform().Calls("RegDeleteKeyA HKCU\\" + kKey + " "), testing::SizeIs(1));
  fake::RegistryKey* key = registry().Find(kKey);
  EXPECT_EQ(key == nullptr ? 0u : key->subkeys.size(), c.subkeysLeft);
  EXPECT_EQ(key == nullptr, c.subkeysLeft == 0);
}

INSTANTIATE_TEST_SUITE_P(AroundTheLimit, SubkeyLimitTest,
                         ::testing::Values(SubkeyCountCase{999, 1, 0}, SubkeyCountCase{1000, 0, 0},
                                           SubkeyCountCase{1001, 0, 1}),
                         [](const auto& info) {
                           return std::to_string(info.param.subkeys) + "_subkeys";
                         });

TEST_F(RegistryTreeTest, SubkeyThatCannotBeOpenedIsRetriedUntilTheLimit) {
  registry().CreateKey(kKey + "\\Aaa Locked").refusesAllAccess = true;
  registry().CreateKey(kKey + "\\Zzz Behind");

  EXPECT_EQ(DeleteProductKey(), 0);

  EXPECT_THAT(platform().Calls("RegOpenKeyExA HKCU\\" + kKey + "\\Aaa Locked"),
              testing::SizeIs(1000));
  // Its own level still tries the deletion, which fails on the subkeys left.
  EXPECT_THAT(platform().Calls("RegDeleteKeyA HKCU\\" + kKey + " "),
              ElementsAre("RegDeleteKeyA HKCU\\" + kKey + " failed"));
  EXPECT_TRUE(registry().Exists(kKey + "\\Aaa Locked"));
  EXPECT_TRUE(registry().Exists(kKey + "\\Zzz Behind"));
}

TEST_F(RegistryTreeTest, SubkeyThatCannotBeDeletedFailsItsParent) {
  registry().CreateKey(kKey + "\\Stuck").refusesDeletion = true;

  EXPECT_EQ(DeleteProductKey(), 0);

  EXPECT_THAT(platform().Calls("RegDeleteKeyA HKCU\\" + kKey + "\\Stuck"), testing::SizeIs(1000));
  EXPECT_TRUE(registry().Exists(kKey + "\\Stuck"));
}

TEST_F(RegistryTreeTest, ZeroFromADescendantTravelsUpEvenWhenEverythingWent) {
  // The deepest key ends its loop at the limit (result 0) yet is emptied and
  // deleted, so every ancestor's loop ends early: only the result says so.
  for (int i = 0; i < 1000; ++i) {
    registry().CreateKey(kKey + "\\Sessions\\Recent\\s" + std::to_string(i));
  }

  EXPECT_EQ(DeleteProductKey(), 0);

  EXPECT_FALSE(registry().Exists(kKey));
}

TEST_F(RegistryTreeTest, KeyWhoseOwnDeletionFailsReportsFailureAfterItsSubkeysWent) {
  registry().CreateKey(kKey + "\\Directories");
  registry().Find(kKey)->refusesDeletion = true;

  EXPECT_EQ(DeleteProductKey(), 0);

  EXPECT_FALSE(registry().Exists(kKey + "\\Directories"));
  EXPECT_TRUE(registry().Exists(kKey));
}

}  // namespace
