// The whole uninstall run through WinMain, over a staged Tavrin install: its
// three early ends, the clean-up after a completed uninstall command, and
// what the run does with registry text, paths and shell folders that are
// not what it expects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "platform_test.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using Strings = std::vector<std::string>;
using PathSet = std::set<std::string>;

namespace {

const std::string kProductKey = "Software\\Korvane\\Tavrin";
const std::string kDirectoriesKey = kProductKey + "\\Directories";
const std::string kProgramDir = "C:\\Program Files\\Tavrin";
const std::string kMainExecutable = kProgramDir + "\\VERNOX32.EXE";
const std::string kRemover = kProgramDir + "\\Remove Tavrin.exe";
const std::string kDataDir = "C:\\Tavrin Data";
const std::string kDesktop = "C:\\Users\\tester\\Desktop";
const std::string kStartup = "C:\\Users\\tester\\Start Menu\\Programs\\Startup";
const std::string kCommand = "\"C:\\Program Files\\Tavrin\\Remove Tavrin.exe\" /quiet";

const std::string kDesktopShortcut = kDesktop + "\\Start Tavrin.lnk";
const std::string kRunletShortcut = kStartup + "\\Tavrin Runlet.lnk";
const std::string kMarquetaShortcut = kStartup + "\\Tavrin Marqueta.lnk";

const char* const kQuestion =
    "Would you like to remove the Tavrin Data directory during Uninstall?";

const PathSet kDataTree = {kDataDir, kDataDir + "\\settings.ini", kDataDir + "\\Sessions",
                           kDataDir + "\\Sessions\\one.dat", kDataDir + "\\Sessions\\two.dat"};

PathSet Union(PathSet a, const PathSet& b) {
  a.insert(b.begin(), b.end());
  return a;
}

PathSet Difference(const Strings& from, const Strings& without) {
  PathSet a(from.begin(), from.end()), b(without.begin(), without.end()), out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
  return out;
}

void CollectKeys(const fake::RegistryKey& key, Strings* out) {
  out->push_back(key.fullPath);
  for (const auto& [name, child] : key.subkeys) CollectKeys(*child, out);
}

class UninstallRunTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    StageInstalledProduct();
  }

  fake::Registry& registry() { return platform().registry; }
  fake::FileSystem& files() { return platform().files; }

  void StageInstalledProduct() {
    registry().SetText(kProductKey, "Uninst", kCommand);
    registry().SetText(kDirectoriesKey, "Executable", kProgramDir);
    registry().SetText(kDirectoriesKey, "Data", kDataDir);
    registry().SetText("Software\\Korvane\\Shared Tools", "Path", "C:\\Korvane");
    registry().SetText("Software\\Other Maker\\App", "Path", "C:\\Other");

    files().AddFile(kMainExecutable);
    files().AddFile(kRemover);
    files().AddFile(kDataDir + "\\settings.ini");
    files().AddFile(kDataDir + "\\Sessions\\one.dat");
    files().AddFile(kDataDir + "\\Sessions\\two.dat");
    files().AddFile("C:\\Users\\tester\\Data\\mine.txt");
    files().AddFile("C:\\Windows\\win.ini");
    files().AddFile(kDesktopShortcut);
    files().AddFile(kDesktop + "\\Other.lnk");
    files().AddFile(kRunletShortcut);
    files().AddFile(kMarquetaShortcut);
    files().AddFile(kStartup + "\\Other.lnk");

    platform().shellFolders[CSIDL_DESKTOPDIRECTORY] = {0, true, kDesktop};
    platform().shellFolders[CSIDL_STARTUP] = {0, true, kStartup};
    ChildRemovesProductFiles();
  }

  // The uninstall command takes the program directory's files with it.
  void ChildRemovesProductFiles() {
    platform().processes.childAction = [this] {
      files().Remove(kMainExecutable);
      files().Remove(kRemover);
    };
  }

  void Answer(int answer) { platform().messageBoxAnswers = {answer}; }

  void Run(const char* commandLine = "") {
    filesBefore_ = files().Snapshot();
    keysBefore_ = Keys();
    std::string arguments = commandLine;
    HINSTANCE self = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    EXPECT_EQ(WinMain(self, nullptr, arguments.data(), 1), 0) << "the exit code is always 0";
  }

  Strings Keys() {
    Strings keys;
    CollectKeys(*registry().root, &keys);
    return keys;
  }

  PathSet RemovedPaths() {
    EXPECT_THAT(Difference(files().Snapshot(), filesBefore_), IsEmpty()) << "nothing is created";
    return Difference(filesBefore_, files().Snapshot());
  }
  PathSet RemovedKeys() { return Difference(keysBefore_, Keys()); }

  // What a clean-up removes apart from the data directory: the product's
  // files (by its own command), the program directory, the three shortcuts.
  PathSet CleanUpWithoutData() const {
    return {kMainExecutable,  kRemover,        kProgramDir,
            kDesktopShortcut, kRunletShortcut, kMarquetaShortcut};
  }
  const PathSet kProductKeys = {"HKCU\\" + kProductKey, "HKCU\\" + kDirectoriesKey};

  void ExpectNothingRemovedByTheRun() {
    for (const char* call : {"DeleteFileA", "RemoveDirectoryA", "RegDeleteKeyA", "FindFirstFileA",
                             "SHGetSpecialFolderLocation"}) {
      EXPECT_THAT(platform().Calls(call), IsEmpty()) << call;
    }
    EXPECT_THAT(RemovedKeys(), IsEmpty());
  }

  Strings filesBefore_;
  Strings keysBefore_;
};

// --------------------------------------------------------------- clean-up

struct AnswerCase {
  const char* name;
  int answer;
  bool dataRemoved;
};

void PrintTo(const AnswerCase& c, std::ostream* out) { *out << c.name; }

class AnswerTest : public UninstallRunTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerTest, CompletedUninstallRemovesWhatIsLeftAndTheDataTreeOnlyAfterYes) {
  Answer(GetParam().answer);

  Run();

  PathSet expected = CleanUpWithoutData();
  if (GetParam().dataRemoved) expected = Union(expected, kDataTree);
  EXPECT_EQ(RemovedPaths(), expected);
  EXPECT_EQ(RemovedKeys(), kProductKeys);
  // The maker's key and its other products stay.
  EXPECT_TRUE(registry().Exists("Software\\Korvane\\Shared Tools"));
  EXPECT_THAT(platform().Calls("RegOpenKeyExA HKCU\\Software\\Korvane\\Shared"), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerTest,
                         ::testing::Values(AnswerCase{"yes", IDYES, true},
                                           AnswerCase{"no", IDNO, false},
                                           AnswerCase{"ok", IDOK, false},
                                           AnswerCase{"cancel", 2, false},
                                           AnswerCase{"box_failed", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallRunTest, RemovalsFollowTheirOrderDataThenRegistryThenShortcutsThenProgramDir) {
  Answer(IDYES);

  Run();

  Strings order;
  for (const std::string& removal : platform().Removals()) {
    if (removal.find("\\Sessions") != std::string::npos ||
        removal.find("settings.ini") != std::string::npos) {
      continue;  // inside the data tree; its own order is the tree removal's
    }
    order.push_back(removal);
  }
  EXPECT_THAT(order, ElementsAreArray(Strings{
                         "RemoveDirectoryA " + kDataDir,
                         "RegDeleteKeyA HKCU\\" + kDirectoriesKey,
                         "RegDeleteKeyA HKCU\\" + kProductKey,
                         "DeleteFileA " + kDesktopShortcut,
                         "DeleteFileA " + kRunletShortcut,
                         "DeleteFileA " + kMarquetaShortcut,
                         "RemoveDirectoryA " + kProgramDir,
                     }));
}

TEST_F(UninstallRunTest, OnlyTheQuestionIsShownWithItsTextCaptionAndStyleAndNoOwner) {
  Answer(IDNO);

  Run();

  ASSERT_THAT(platform().messageBoxes, SizeIs(1));
  const fake::MessageBoxShown& box = platform().messageBoxes[0];
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.text, kQuestion);
  EXPECT_EQ(box.caption, std::optional<std::string>("Tavrin Uninstall"));
  EXPECT_EQ(box.style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_LT(platform().IndexOf("MessageBoxA"), platform().IndexOf("CreateProcessA"))
      << "the question comes before the uninstall command starts";
}

TEST_F(UninstallRunTest, UninstallCommandStartsPlainlyAndIsWaitedForToItsEnd) {
  Answer(IDNO);

  Run();

  ASSERT_THAT(platform().processes.starts, SizeIs(1));
  const fake::ProcessStart& start = platform().processes.starts[0];
  EXPECT_TRUE(start.applicationNameNull);
  EXPECT_EQ(start.commandLine, kCommand);
  EXPECT_TRUE(start.processAttributesNull);
  EXPECT_TRUE(start.threadAttributesNull);
  EXPECT_EQ(start.inheritHandles, FALSE);
  EXPECT_EQ(start.creationFlags, 0u);
  EXPECT_TRUE(start.environmentNull) << "the child gets the uninstaller's environment";
  EXPECT_TRUE(start.currentDirectoryNull) << "and its current directory";
  EXPECT_EQ(start.startupInfoSize, 68u);
  EXPECT_TRUE(start.startupInfoOtherwiseZero);
  EXPECT_THAT(platform().processes.waitTimeouts, ElementsAre(INFINITE));
  EXPECT_THAT(platform().Calls("CloseHandle"),
              ElementsAre("CloseHandle thread", "CloseHandle process"));
}

TEST_F(UninstallRunTest, ProductKeyIsHeldOpenWhileTheCommandRunsAndClosedBeforeTheCheck) {
  Answer(IDNO);
  bool productKeyOpenDuringCommand = false;
  auto removeFiles = platform().processes.childAction;
  platform().processes.childAction = [&] {
    productKeyOpenDuringCommand = platform().IsKeyOpen(kProductKey);
    removeFiles();
  };

  Run();

  EXPECT_TRUE(productKeyOpenDuringCommand);
  int closed = platform().IndexOfEntry("RegCloseKey HKCU\\" + kProductKey);
  EXPECT_GT(closed, platform().IndexOf("CloseHandle process"));
  EXPECT_LT(closed, platform().IndexOf("GetFileAttributesA"));
}

TEST_F(UninstallRunTest, BothKeysAreOpenedWithFullAccessAndTheMakersKeyNever) {
  Answer(IDNO);

  Run();

  ASSERT_GE(platform().registryOpens.size(), 3u);
  EXPECT_EQ(platform().registryOpens[0].path, "HKCU\\" + kDirectoriesKey);
  EXPECT_EQ(platform().registryOpens[1].path, "HKCU\\" + kProductKey + "\\");
  // The tree removal is handed the path without the trailing backslash.
  EXPECT_EQ(platform().registryOpens[2].path, "HKCU\\" + kProductKey);
  for (const fake::RegistryOpen& open : platform().registryOpens) {
    EXPECT_EQ(open.access, KEY_ALL_ACCESS) << open.path;
    EXPECT_EQ(open.options, 0u) << open.path;
    EXPECT_NE(open.path, "HKCU\\Software\\Korvane") << "the maker's key is never opened";
    EXPECT_NE(open.path, "HKCU\\Software\\Korvane\\");
  }
}

TEST_F(UninstallRunTest, MakersKeyStaysEvenWhenTheRunLeavesItEmpty) {
  registry().Find("Software\\Korvane")->subkeys.erase("Shared Tools");
  Answer(IDYES);

  Run();

  ASSERT_TRUE(registry().Exists("Software\\Korvane"));
  EXPECT_THAT(registry().Find("Software\\Korvane")->subkeys, IsEmpty());
  EXPECT_THAT(platform().Calls("RegDeleteKeyA HKCU\\Software\\Korvane "), IsEmpty());
}

TEST_F(UninstallRunTest, ProgramDirectoryThatStillHoldsFilesStaysWithThem) {
  files().AddFile(kProgramDir + "\\my notes.txt");
  Answer(IDNO);

  Run();

  EXPECT_TRUE(files().Exists(kProgramDir + "\\my notes.txt"));
  EXPECT_THAT(platform().Calls("RemoveDirectoryA " + kProgramDir),
              ElementsAre("RemoveDirectoryA " + kProgramDir + " failed"));
  EXPECT_THAT(platform().Calls("DeleteFileA " + kProgramDir), IsEmpty())
      << "nothing inside the program directory is deleted by the run";
  EXPECT_EQ(RemovedKeys(), kProductKeys);
}

TEST_F(UninstallRunTest, ArgumentsChangeNothing) {
  Answer(IDYES);
  Run();
  const Strings withoutArguments = platform().log;

  fake::Reset();
  StageInstalledProduct();
  Answer(IDYES);
  Run("/data C:\\ /keep --silent \"x y\"");

  EXPECT_EQ(platform().log, withoutArguments);
}

TEST_F(UninstallRunTest, ProductProgramsAreAskedToCloseBeforeAnythingIsRead) {
  platform().windows.AddWindow("vernox", "VERNOX_WINDOW");
  Answer(IDNO);

  Run();

  EXPECT_LT(platform().IndexOf("WM_CLOSE vernox"), platform().IndexOf("RegOpenKeyExA"));
  EXPECT_EQ(platform().IndexOf("FindWindowA"), 0);
}

// --------------------------------------------------------------- early ends

// A change to the staged registry, named for the test's output.
struct RegistryCase {
  const char* name;
  std::function<void(fake::Registry&)> stage;
};

void PrintTo(const RegistryCase& c, std::ostream* out) { *out << c.name; }

class MissingProductKeyTest : public UninstallRunTest,
                              public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(MissingProductKeyTest, ProgramsAreStillClosedThenTheRunEndsSilently) {
  platform().windows.AddWindow("prefsmith", "PrefsmithClass");
  GetParam().stage(registry());

  Run();

  EXPECT_THAT(platform().Calls("WM_CLOSE"), ElementsAre("WM_CLOSE prefsmith"));
  EXPECT_THAT(platform().messageBoxes, IsEmpty());
  EXPECT_THAT(platform().processes.starts, IsEmpty());
  EXPECT_THAT(platform().Calls("GetFileAttributesA"), IsEmpty());
  ExpectNothingRemovedByTheRun();
  EXPECT_THAT(RemovedPaths(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    NoProductKey, MissingProductKeyTest,
    ::testing::Values(RegistryCase{"missing",
                                   [](fake::Registry& r) {
                                     r.Find("Software\\Korvane")->subkeys.erase("Tavrin");
                                   }},
                      RegistryCase{
                          "refuses_full_access",
                          [](fake::Registry& r) { r.Find(kProductKey)->refusesAllAccess = true; }}),
    [](const auto& info) { return std::string(info.param.name); });

// What "Uninst" holds decides between running the command and the error box.
struct UninstCase {
  const char* name;
  std::function<void(fake::Registry&)> stage;
  std::optional<std::string> command;  // none: the error box
};

void PrintTo(const UninstCase& c, std::ostream* out) { *out << c.name; }

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::string CommandOfLength(size_t length) {
  return "C:\\remove.exe " + std::string(length - 14, 'q');
}

class UninstValueTest : public UninstallRunTest,
                        public ::testing::WithParamInterface<UninstCase> {};

TEST_P(UninstValueTest, CommandThatFitsWholeIsRunAnyOtherGivesTheErrorBoxAlone) {
  const UninstCase& c = GetParam();
  registry().Find(kProductKey)->values.erase("Uninst");
  c.stage(registry());
  Answer(IDNO);

  Run();

  if (c.command) {
    ASSERT_THAT(platform().processes.starts, SizeIs(1));
    EXPECT_EQ(platform().processes.starts[0].commandLine, *c.command);
    EXPECT_THAT(platform().messageBoxes, SizeIs(1));
    return;
  }
  ASSERT_THAT(platform().messageBoxes, SizeIs(1));
  const fake::MessageBoxShown& box = platform().messageBoxes[0];
  EXPECT_EQ(box.text, "Error during uninstall.");
  EXPECT_EQ(box.caption, std::nullopt) << "the platform's default caption";
  EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_THAT(platform().processes.starts, IsEmpty());
  EXPECT_LT(platform().IndexOf("MessageBoxA"),
            platform().IndexOfEntry("RegCloseKey HKCU\\" + kProductKey))
      << "the key is closed once the box is dismissed";
  ExpectNothingRemovedByTheRun();
  EXPECT_THAT(RemovedPaths(), IsEmpty());
  platform().messageBoxAnswers.clear();  // the question never came
}

INSTANTIATE_TEST_SUITE_P(
    UninstValues, UninstValueTest,
    ::testing::Values(
        UninstCase{"missing", [](fake::Registry&) {}, std::nullopt},
        UninstCase{
            "512_bytes_with_nul",
            [](fake::Registry& r) { r.SetText(kProductKey, "Uninst", CommandOfLength(511)); },
            CommandOfLength(511)},
        UninstCase{
            "513_bytes_with_nul",
            [](fake::Registry& r) { r.SetText(kProductKey, "Uninst", CommandOfLength(512)); },
            std::nullopt},
        UninstCase{"511_bytes_without_nul",
                   [](fake::Registry& r) {
                     r.SetValue(kProductKey, "Uninst", REG_SZ, Bytes(CommandOfLength(511)));
                   },
                   CommandOfLength(511)},
        UninstCase{"512_bytes_without_nul",
                   [](fake::Registry& r) {
                     r.SetValue(kProductKey, "Uninst", REG_SZ, Bytes(CommandOfLength(512)));
                   },
                   std::nullopt},
        UninstCase{"expandable_text",
                   [](fake::Registry& r) {
                     r.SetValue(kProductKey, "Uninst", REG_EXPAND_SZ, fake::TextBytes(kCommand));
                   },
                   kCommand},
        UninstCase{"binary_text_without_nul",
                   [](fake::Registry& r) {
                     r.SetValue(kProductKey, "Uninst", REG_BINARY, Bytes(kCommand));
                   },
                   kCommand},
        UninstCase{"name_differs_in_case",
                   [](fake::Registry& r) { r.SetText(kProductKey, "UNINST", kCommand); }, kCommand},
        UninstCase{"default_value_only",
                   [](fake::Registry& r) { r.SetText(kProductKey, "", kCommand); }, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The main executable still answers at the probe path: nothing is removed.
struct RemainsCase {
  const char* name;
  std::function<void(UninstallRunTest&, fake::FakePlatform&)> stage;
};

void PrintTo(const RemainsCase& c, std::ostream* out) { *out << c.name; }

class NotCompletedTest : public UninstallRunTest,
                         public ::testing::WithParamInterface<RemainsCase> {};

TEST_P(NotCompletedTest, NothingIsRemovedNotEvenTheDataTreeAfterYes) {
  GetParam().stage(*this, platform());
  Answer(IDYES);

  Run();

  ExpectNothingRemovedByTheRun();
  EXPECT_THAT(platform().messageBoxes, SizeIs(1));
  for (const std::string& path : kDataTree) EXPECT_TRUE(files().Exists(path)) << path;
  EXPECT_TRUE(files().Exists(kDesktopShortcut));
}

INSTANTIATE_TEST_SUITE_P(
    ExecutableRemains, NotCompletedTest,
    ::testing::Values(RemainsCase{"command_left_it",
                                  [](UninstallRunTest&, fake::FakePlatform& p) {
                                    p.processes.childAction = nullptr;
                                  }},
                      RemainsCase{"read_only_copy_left",
                                  [](UninstallRunTest&, fake::FakePlatform& p) {
                                    p.processes.childAction = nullptr;
                                    p.files.Find(kMainExecutable)->attributes =
                                        FILE_ATTRIBUTE_READONLY;
                                  }},
                      RemainsCase{"directory_of_that_name",
                                  [](UninstallRunTest&, fake::FakePlatform& p) {
                                    p.processes.childAction = [&p] {
                                      p.files.Remove(kMainExecutable);
                                      p.files.AddDirectory(kMainExecutable);
                                    };
                                  }},
                      RemainsCase{"probe_path_would_not_fit",
                                  [](UninstallRunTest&, fake::FakePlatform& p) {
                                    // 259 characters: the value fits, "\VERNOX32.EXE" does not.
                                    std::string longDir = "C:\\" + std::string(200, 'p') + "\\" +
                                                          std::string(55, 'q');
                                    p.files.AddDirectory(longDir);
                                    p.registry.SetText(kDirectoriesKey, "Executable", longDir);
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallRunTest, CommandThatFailsToStartIsNotWaitedForAndLeavesTheProductInPlace) {
  platform().processes.failToStart = true;
  Answer(IDYES);

  Run();

  EXPECT_THAT(platform().processes.starts, SizeIs(1));
  EXPECT_THAT(platform().processes.waitTimeouts, IsEmpty());
  EXPECT_THAT(platform().Calls("CloseHandle"), IsEmpty());
  EXPECT_THAT(platform().Calls("GetFileAttributesA"),
              ElementsAre("GetFileAttributesA " + kMainExecutable));
  ExpectNothingRemovedByTheRun();
}

TEST_F(UninstallRunTest, CommandThatFailsToStartStillLeadsToTheCompletionCheck) {
  // The product files are gone already: the check finds nothing and the
  // clean-up runs.
  files().Remove(kMainExecutable);
  files().Remove(kRemover);
  platform().processes.failToStart = true;
  Answer(IDNO);

  Run();

  EXPECT_EQ(RemovedPaths(),
            (PathSet{kProgramDir, kDesktopShortcut, kRunletShortcut, kMarquetaShortcut}));
  EXPECT_EQ(RemovedKeys(), kProductKeys);
}

// ------------------------------------------------------ directory values

// With no program directory the probe is "\VERNOX32.EXE" in the root of the
// current drive, and neither directory is touched.
class NoProgramDirectoryTest : public UninstallRunTest,
                               public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(NoProgramDirectoryTest, ProbeLooksInTheDriveRootAndNoDirectoryIsTouched) {
  GetParam().stage(registry());
  Answer(IDYES);

  Run();

  EXPECT_THAT(platform().Calls("GetFileAttributesA"),
              ElementsAre("GetFileAttributesA \\VERNOX32.EXE"));
  // Only the data tree (where "Data" was read) may see a directory removal.
  for (const std::string& call : platform().Calls("RemoveDirectoryA")) {
    EXPECT_EQ(call.rfind("RemoveDirectoryA " + kDataDir, 0), 0u) << call;
  }
  EXPECT_TRUE(files().Exists(kProgramDir));
  EXPECT_THAT(platform().Calls("RegDeleteKeyA HKCU\\" + kProductKey + " "), SizeIs(1))
      << "the registry tree is removed";
  EXPECT_FALSE(files().Exists(kDesktopShortcut));
  EXPECT_FALSE(files().Exists(kMarquetaShortcut));
}

std::string ValueOfLength(size_t bytes) { return "C:\\" + std::string(bytes - 3, 'v'); }

INSTANTIATE_TEST_SUITE_P(
    EmptyProgramDirectory, NoProgramDirectoryTest,
    ::testing::Values(
        RegistryCase{"no_directories_key",
                     [](fake::Registry& r) { r.Find(kProductKey)->subkeys.erase("Directories"); }},
        RegistryCase{"directories_key_refuses_full_access",
                     [](fake::Registry& r) { r.Find(kDirectoriesKey)->refusesAllAccess = true; }},
        RegistryCase{
            "executable_missing",
            [](fake::Registry& r) { r.Find(kDirectoriesKey)->values.erase("Executable"); }},
        RegistryCase{"executable_261_bytes_with_nul",
                     [](fake::Registry& r) {
                       r.SetText(kDirectoriesKey, "Executable", ValueOfLength(260));
                     }},
        RegistryCase{"executable_260_bytes_without_nul",
                     [](fake::Registry& r) {
                       r.SetValue(kDirectoriesKey, "Executable", REG_SZ, Bytes(ValueOfLength(260)));
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallRunTest, WithoutDirectoriesAMainExecutableInTheDriveRootStopsTheClean) {
  registry().Find(kProductKey)->subkeys.erase("Directories");
  files().AddFile("C:\\VERNOX32.EXE");
  Answer(IDYES);

  Run();

  ExpectNothingRemovedByTheRun();
}

struct DataValueCase {
  const char* name;
  std::function<void(fake::Registry&)> stage;
  bool dataRemoved;
};

void PrintTo(const DataValueCase& c, std::ostream* out) { *out << c.name; }

class DataValueTest : public UninstallRunTest,
                      public ::testing::WithParamInterface<DataValueCase> {};

TEST_P(DataValueTest, DataTreeGoesOnlyForAWholeValueAndTheRestOfTheCleanUpRunsRegardless) {
  GetParam().stage(registry());
  Answer(IDYES);

  Run();

  PathSet expected = CleanUpWithoutData();
  if (GetParam().dataRemoved) expected = Union(expected, kDataTree);
  EXPECT_EQ(RemovedPaths(), expected);
  EXPECT_EQ(RemovedKeys(), kProductKeys);
  if (!GetParam().dataRemoved) {
    EXPECT_THAT(platform().Calls("FindFirstFileA"), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    DataValues, DataValueTest,
    ::testing::Values(
        DataValueCase{"missing",
                      [](fake::Registry& r) { r.Find(kDirectoriesKey)->values.erase("Data"); },
                      false},
        DataValueCase{"empty", [](fake::Registry& r) { r.SetText(kDirectoriesKey, "Data", ""); },
                      false},
        DataValueCase{"no_bytes",
                      [](fake::Registry& r) { r.SetValue(kDirectoriesKey, "Data", REG_SZ, {}); },
                      false},
        DataValueCase{
            "261_bytes_with_nul",
            [](fake::Registry& r) { r.SetText(kDirectoriesKey, "Data", ValueOfLength(260)); },
            false},
        DataValueCase{"260_bytes_without_nul",
                      [](fake::Registry& r) {
                        r.SetValue(kDirectoriesKey, "Data", REG_SZ, Bytes(ValueOfLength(260)));
                      },
                      false},
        DataValueCase{
            "text_without_nul",
            [](fake::Registry& r) { r.SetValue(kDirectoriesKey, "Data", REG_SZ, Bytes(kDataDir)); },
            true},
        DataValueCase{"expandable_text",
                      [](fake::Registry& r) {
                        r.SetValue(kDirectoriesKey, "Data", REG_EXPAND_SZ,
                                   fake::TextBytes(kDataDir));
                      },
                      true},
        DataValueCase{"binary_text",
                      [](fake::Registry& r) {
                        r.SetValue(kDirectoriesKey, "Data", REG_BINARY, fake::TextBytes(kDataDir));
                      },
                      true}),
    [](const auto& info) { return std::string(info.param.name); });

// A "Data" value that is not a real directory below a root is refused, so
// that the tree removal cannot empty a drive, a share or the current
// directory. Each value points at something with content in the model.
struct DataDirectoryCase {
  const char* value;
  std::optional<std::string> removedTree;  // none: refused
};

void PrintTo(const DataDirectoryCase& c, std::ostream* out) {
  *out << "Data = \"" << c.value << "\"";
}

class DataDirectoryGuardTest : public UninstallRunTest,
                               public ::testing::WithParamInterface<DataDirectoryCase> {
 protected:
  void SetUp() override {
    UninstallRunTest::SetUp();
    files().AddFile("\\\\server\\share\\team.doc");
    files().AddFile("\\\\server\\share\\Tavrin\\cache.bin");
  }
};

TEST_P(DataDirectoryGuardTest, UnsafeValueIsRefusedWhileTheRestOfTheCleanUpRuns) {
  const DataDirectoryCase& c = GetParam();
  registry().SetText(kDirectoriesKey, "Data", c.value);
  Answer(IDYES);

  Run();

  PathSet expected = CleanUpWithoutData();
  if (c.removedTree == kDataDir) expected = Union(expected, kDataTree);
  if (c.removedTree == "\\\\server\\share\\Tavrin") {
    expected =
        Union(expected, {"\\\\server\\share\\Tavrin", "\\\\server\\share\\Tavrin\\cache.bin"});
  }
  EXPECT_EQ(RemovedPaths(), expected);
  EXPECT_EQ(RemovedKeys(), kProductKeys);
  if (!c.removedTree) {
    EXPECT_THAT(platform().Calls("FindFirstFileA"), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    DataDirectories, DataDirectoryGuardTest,
    ::testing::Values(
        DataDirectoryCase{"C:\\", std::nullopt}, DataDirectoryCase{"C:", std::nullopt},
        DataDirectoryCase{"c:/", std::nullopt}, DataDirectoryCase{"C:Data", std::nullopt},
        DataDirectoryCase{"\\", std::nullopt}, DataDirectoryCase{"\\Tavrin Data", std::nullopt},
        DataDirectoryCase{"\\\\server\\share", std::nullopt},
        DataDirectoryCase{"\\\\server\\share\\", std::nullopt},
        DataDirectoryCase{"\\\\server", std::nullopt}, DataDirectoryCase{".", std::nullopt},
        DataDirectoryCase{"..", std::nullopt}, DataDirectoryCase{"Data", std::nullopt},
        DataDirectoryCase{"C:\\..", std::nullopt},
        DataDirectoryCase{"C:\\Tavrin Data\\..", std::nullopt},
        DataDirectoryCase{"C:\\Tavrin Data\\.", std::nullopt},
        DataDirectoryCase{"C:\\Windows\\..\\Tavrin Data", std::nullopt},
        DataDirectoryCase{"C:\\...", std::nullopt}, DataDirectoryCase{"C:\\ ", std::nullopt},
        DataDirectoryCase{"\\\\?\\C:\\Tavrin Data", std::nullopt},
        DataDirectoryCase{"\\\\.\\C:\\Tavrin Data", std::nullopt},
        DataDirectoryCase{"C:\\Tavrin Data", kDataDir},
        DataDirectoryCase{"C:\\Tavrin Data\\", kDataDir},
        DataDirectoryCase{"c:/Tavrin Data", kDataDir},
        DataDirectoryCase{"\\\\server\\share\\Tavrin", std::string("\\\\server\\share\\Tavrin")}));

// ------------------------------------------------------------ shell folders

struct ShellFolderCase {
  const char* name;
  std::function<void(std::map<int, fake::ShellFolder>&)> stage;
  PathSet shortcutsRemoved;
};

void PrintTo(const ShellFolderCase& c, std::ostream* out) { *out << c.name; }

class ShellFolderTest : public UninstallRunTest,
                        public ::testing::WithParamInterface<ShellFolderCase> {};

TEST_P(ShellFolderTest, FolderThatIsNotAvailableKeepsItsShortcutsAndTheRunGoesOn) {
  GetParam().stage(platform().shellFolders);
  Answer(IDNO);

  Run();

  PathSet expected = {kMainExecutable, kRemover, kProgramDir};
  expected = Union(expected, GetParam().shortcutsRemoved);
  EXPECT_EQ(RemovedPaths(), expected);
  EXPECT_EQ(RemovedKeys(), kProductKeys);
  ASSERT_THAT(platform().shellCalls, SizeIs(2));
  EXPECT_EQ(platform().shellCalls[0].csidl, CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(platform().shellCalls[1].csidl, CSIDL_STARTUP);
  for (const fake::ShellCall& call : platform().shellCalls) {
    EXPECT_EQ(call.owner, platform().desktopWindow);
  }
}

const HRESULT kFailed = static_cast<HRESULT>(0x80004005u);

INSTANTIATE_TEST_SUITE_P(
    Folders, ShellFolderTest,
    ::testing::Values(
        ShellFolderCase{
            "both_available", [](auto&) {}, {kDesktopShortcut, kRunletShortcut, kMarquetaShortcut}},
        ShellFolderCase{"desktop_location_fails",
                        [](auto& f) { f[CSIDL_DESKTOPDIRECTORY].locationResult = kFailed; },
                        {kRunletShortcut, kMarquetaShortcut}},
        ShellFolderCase{"desktop_path_fails",
                        [](auto& f) { f[CSIDL_DESKTOPDIRECTORY].pathAvailable = false; },
                        {kRunletShortcut, kMarquetaShortcut}},
        ShellFolderCase{"startup_location_fails",
                        [](auto& f) { f[CSIDL_STARTUP].locationResult = kFailed; },
                        {kDesktopShortcut}},
        ShellFolderCase{"startup_path_fails",
                        [](auto& f) { f[CSIDL_STARTUP].pathAvailable = false; },
                        {kDesktopShortcut}},
        ShellFolderCase{"location_succeeds_with_a_positive_result",
                        [](auto& f) { f[CSIDL_STARTUP].locationResult = 1; },
                        {kDesktopShortcut, kRunletShortcut, kMarquetaShortcut}},
        ShellFolderCase{"neither_available",
                        [](auto& f) {
                          f[CSIDL_DESKTOPDIRECTORY].locationResult = kFailed;
                          f[CSIDL_STARTUP].pathAvailable = false;
                        },
                        {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallRunTest, MissingShortcutsArePassedOverWithoutAMessage) {
  files().Remove(kDesktopShortcut);
  files().Remove(kMarquetaShortcut);
  Answer(IDYES);

  Run();

  EXPECT_EQ(RemovedPaths(),
            Union(kDataTree, {kMainExecutable, kRemover, kProgramDir, kRunletShortcut}));
  EXPECT_EQ(RemovedKeys(), kProductKeys);
  EXPECT_THAT(platform().messageBoxes, SizeIs(1));
}

TEST_F(UninstallRunTest, ShortcutPathThatWouldNotFitIsSkippedAndTheOthersGo) {
  // Startup folder of 240 characters: "\Tavrin Runlet.lnk" makes 258 and fits,
  // "\Tavrin Marqueta.lnk" makes 260 and does not. The desktop folder of 243
  // characters with "\Start Tavrin.lnk" makes 260.
  const std::string startup = "C:\\" + std::string(200, 's') + "\\" + std::string(36, 't');
  const std::string desktop = "C:\\" + std::string(200, 'd') + "\\" + std::string(39, 'e');
  ASSERT_EQ(startup.size(), 240u);
  ASSERT_EQ(desktop.size(), 243u);
  files().AddFile(startup + "\\Tavrin Runlet.lnk");
  files().AddFile(startup + "\\Tavrin Marqueta.lnk");
  files().AddFile(desktop + "\\Start Tavrin.lnk");
  platform().shellFolders[CSIDL_STARTUP].path = startup;
  platform().shellFolders[CSIDL_DESKTOPDIRECTORY].path = desktop;
  Answer(IDNO);

  Run();

  EXPECT_FALSE(files().Exists(startup + "\\Tavrin Runlet.lnk"));
  EXPECT_TRUE(files().Exists(startup + "\\Tavrin Marqueta.lnk"));
  EXPECT_TRUE(files().Exists(desktop + "\\Start Tavrin.lnk"));
  EXPECT_THAT(platform().Calls("DeleteFileA"),
              ElementsAre("DeleteFileA " + startup + "\\Tavrin Runlet.lnk ok"));
  EXPECT_FALSE(files().Exists(kProgramDir)) << "the run goes on after a skipped shortcut";
}

}  // namespace
