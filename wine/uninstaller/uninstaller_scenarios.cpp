// End-to-end scenarios of the real uninstaller.exe in a Wine prefix of its
// own: a sample installation is staged, stand-in product programs run, the
// uninstaller is started and its message box answered from outside, and
// then every item of the installation is checked.
//
// CTest runs one scenario per fresh prefix:
//   uninstaller_scenarios --gtest_filter=Uninstall/Scenario.Run/<name>
//   uninstaller_scenarios --gtest_filter=Uninstall.TouchesNothingElse
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "uninstall_support.h"

namespace tavrin_e2e {
namespace {

// Long enough for a hung window's class wait (10 s) with room to spare; a
// run that is still going after this has hung.
const DWORD kRunTimeoutMs = 60000;
// A stand-in that closes is given this long to be gone after the run.
const DWORD kComponentExitTimeoutMs = 5000;

enum class Box { kNone, kQuestion, kError };

struct ComponentSpec {
  const char* windowClass;
  const char* mode;  // as stand_in_component.exe takes it
  bool ownedDialog;
  const char* expectedRequests;  // the close requests it logs, in order
  bool closes;
};

struct Expected {
  Box box;
  bool commandRuns;
  bool mainExecutableGone;
  bool cleanedUp;  // product key and shortcuts removed
  bool dataTreeRemoved;
  bool programDirRemoved;
  const char* windowsOpenForCommand;  // product windows the command still saw
};

struct Case {
  const char* name;
  std::function<void(Installation*)> stage;  // differences from the sample installation
  std::vector<ComponentSpec> components;
  int answer;  // pressed in whatever box appears
  Expected expected;
};

void SampleInstallation(Installation*) {}

const Expected kNothingRemoved = {Box::kQuestion, true, false, false, false, false, ""};
const Expected kFullCleanUp = {Box::kQuestion, true, true, true, true, true, ""};

Expected With(Expected expected, const std::function<void(Expected*)>& change) {
  change(&expected);
  return expected;
}

const std::vector<Case> kScenarios = {
    {"yes_removes_everything", SampleInstallation, {}, IDYES, kFullCleanUp},
    {"no_keeps_the_data_tree",
     SampleInstallation,
     {},
     IDNO,
     With(kFullCleanUp, [](Expected* e) { e->dataTreeRemoved = false; })},
    {"command_leaves_main_executable",
     [](Installation* i) { i->uninstallCommand = StandInUninstallCommand("leave"); },
     {},
     IDYES,
     kNothingRemoved},
    {"command_crashes",
     [](Installation* i) {
       i->uninstallCommand = StandInUninstallCommand("crash");
       i->crashDialog = false;
     },
     {},
     IDYES,
     kNothingRemoved},
    // The main executable's absence is the only sign of success, however the
    // command ended.
    {"command_crashes_after_removing",
     [](Installation* i) {
       i->uninstallCommand = StandInUninstallCommand("remove-then-crash", {"README.TXT"});
       i->crashDialog = false;
     },
     {},
     IDYES,
     kFullCleanUp},
    {"command_does_not_start",
     [](Installation* i) { i->uninstallCommand = "C:\\tavrin\\bin\\no_such_uninstaller.exe"; },
     {},
     IDYES,
     With(kNothingRemoved, [](Expected* e) { e->commandRuns = false; })},
    // The product's programs are closed before the registry is read.
    {"no_product_key",
     [](Installation* i) { i->productKey = false; },
     {{"VERNOX_WINDOW", "exit", false, "main\r\n", true}},
     IDOK,
     With(kNothingRemoved,
          [](Expected* e) {
            e->box = Box::kNone;
            e->commandRuns = false;
          })},
    {"uninst_value_missing",
     [](Installation* i) { i->uninstValue = false; },
     {{"PrefsmithClass", "exit", false, "main\r\n", true}},
     IDOK,
     With(kNothingRemoved,
          [](Expected* e) {
            e->box = Box::kError;
            e->commandRuns = false;
          })},
    // The pop-up of the first three classes is asked first; VERNOX_WINDOW's
    // pop-up gets no request of its own. The delayed one is waited for.
    {"components_close",
     SampleInstallation,
     {{"PrefsmithClass", "exit", true, "dialog\r\nmain\r\n", true},
      {"KV_ZIVA_WINDOW_CLASS", "delay", false, "main\r\n", true},
      {"KV_PLOVEN_WINDOW_CLASS", "exit", true, "dialog\r\nmain\r\n", true},
      {"VERNOX_WINDOW", "exit", true, "main\r\n", true}},
     IDYES,
     kFullCleanUp},
    {"component_ignores_close",
     SampleInstallation,
     {{"PrefsmithClass", "ignore", false, "main\r\n", false},
      {"VERNOX_WINDOW", "exit", false, "main\r\n", true}},
     IDYES,
     With(kFullCleanUp, [](Expected* e) { e->windowsOpenForCommand = " PrefsmithClass"; })},
    // The hung window is given up; the classes after it are still closed.
    {"component_hung",
     SampleInstallation,
     {{"KV_PLOVEN_WINDOW_CLASS", "hang", false, "", false},
      {"VERNOX_WINDOW", "exit", false, "main\r\n", true}},
     IDYES,
     With(kFullCleanUp, [](Expected* e) { e->windowsOpenForCommand = " KV_PLOVEN_WINDOW_CLASS"; })},
    {"shortcuts_missing",
     [](Installation* i) {
       i->desktopShortcut = false;
       i->runletShortcut = false;
     },
     {},
     IDYES,
     kFullCleanUp},
    {"program_dir_keeps_other_files",
     [](Installation* i) {
       i->programFiles.push_back("user-plugin.dll");
       i->uninstallCommand = StandInUninstallCommand("remove", {"README.TXT"});
     },
     {},
     IDYES,
     With(kFullCleanUp, [](Expected* e) { e->programDirRemoved = false; })},
    // Without "Directories" the probe is "\VERNOX32.EXE" on the current
    // drive, which is absent: the registry tree and shortcuts go, no folder.
    {"no_directories_key",
     [](Installation* i) { i->directoriesKey = false; },
     {},
     IDYES,
     With(kFullCleanUp,
          [](Expected* e) {
            e->dataTreeRemoved = false;
            e->programDirRemoved = false;
          })},
    // A drive root is refused as data directory; the rest still goes. The
    // Q: markers are checked in every scenario.
    {"data_value_is_a_drive_root",
     [](Installation* i) { i->dataValue = "Q:\\"; },
     {},
     IDYES,
     With(kFullCleanUp, [](Expected* e) { e->dataTreeRemoved = false; })},
};

// The sample with a second program file that the command removes too.
Installation ScenarioInstallation() {
  Installation installation;
  installation.programFiles = {"VERNOX32.EXE", "README.TXT"};
  installation.uninstallCommand = StandInUninstallCommand("remove", {"README.TXT"});
  return installation;
}

Installation InstallationFor(const Case& scenario) {
  Installation installation = ScenarioInstallation();
  scenario.stage(&installation);
  return installation;
}

std::string FirstLineAfter(const std::string& text, const std::string& label) {
  size_t at = text.find(label);
  if (at == std::string::npos) return "<missing " + label + ">";
  at += label.size();
  return text.substr(at, text.find("\r\n", at) - at);
}

class Scenario : public ::testing::TestWithParam<Case> {};

TEST_P(Scenario, Run) {
  const auto& scenario = GetParam();
  const Expected& expected = scenario.expected;
  const Installation installation = InstallationFor(scenario);
  std::string failure;
  ASSERT_TRUE(Install(installation, &failure)) << failure;

  std::vector<Component> components(scenario.components.size());
  for (size_t i = 0; i < components.size(); ++i) {
    const ComponentSpec& shape = scenario.components[i];
    ASSERT_TRUE(
        StartComponent(shape.windowClass, shape.mode, shape.ownedDialog, &components[i], &failure))
        << failure;
  }

  UninstallerRun run = RunUninstaller(scenario.answer, kRunTimeoutMs);
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.finished) << "the uninstaller was still running after " << kRunTimeoutMs << " ms";
  EXPECT_EQ(0u, run.exitCode);

  // What the user was shown.
  if (expected.box == Box::kNone) {
    EXPECT_TRUE(run.boxes.empty()) << "unexpected box: " << run.boxes[0].text;
  } else {
    ASSERT_EQ(1u, run.boxes.size());
    const BoxSeen& box = run.boxes[0];
    EXPECT_FALSE(box.hasOwner);
    if (expected.box == Box::kQuestion) {
      EXPECT_EQ(kQuestionCaption, box.caption);
      EXPECT_EQ(kQuestionText, box.text);
      EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box.buttons);
    } else {
      EXPECT_EQ(kErrorCaption, box.caption);
      EXPECT_EQ(kErrorText, box.text);
      EXPECT_EQ((std::vector<int>{IDOK}), box.buttons);
    }
  }

  // How the uninstall command was started, and what it found still open.
  const std::string record = ReadTextFile(kCommandRecord);
  if (expected.commandRuns) {
    EXPECT_EQ(installation.uninstallCommand, FirstLineAfter(record, "command line: "));
    EXPECT_EQ(kRunDir, FirstLineAfter(record, "current directory: "));
    EXPECT_EQ(expected.windowsOpenForCommand, FirstLineAfter(record, "windows open:"));
  } else {
    EXPECT_FALSE(PathExists(kCommandRecord)) << record;
  }

  // The stand-in programs: who was asked to close, in which order, and who went.
  for (size_t i = 0; i < components.size(); ++i) {
    const ComponentSpec& shape = scenario.components[i];
    EXPECT_EQ(shape.expectedRequests, ReadTextFile(components[i].logPath)) << shape.windowClass;
    // One that stays is not waited for: it is still running, and is ended here.
    EXPECT_EQ(shape.closes,
              EndComponent(&components[i], shape.closes ? kComponentExitTimeoutMs : 0))
        << shape.windowClass;
  }

  // The installation.
  const std::string programDir = kProgramDir;
  EXPECT_EQ(!expected.mainExecutableGone, PathExists(programDir + "\\VERNOX32.EXE"));
  EXPECT_EQ(!expected.programDirRemoved, PathExists(programDir));
  for (const std::string& name : installation.programFiles) {
    if (name == "VERNOX32.EXE") continue;
    bool removedByCommand =
        expected.mainExecutableGone &&
        installation.uninstallCommand.find("\"" + name + "\"") != std::string::npos;
    EXPECT_EQ(!removedByCommand, PathExists(programDir + "\\" + name)) << name;
  }
  for (const std::string& entry : kDataTree) {
    EXPECT_EQ(!expected.dataTreeRemoved, PathExists(std::string(kDataDir) + "\\" + entry)) << entry;
  }
  EXPECT_EQ(!expected.dataTreeRemoved, PathExists(kDataDir));
  for (const std::string& marker : kDriveMarkers) EXPECT_TRUE(PathExists(marker)) << marker;

  EXPECT_EQ(installation.productKey && !expected.cleanedUp,
            KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kSiblingKey, "Version"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kMakerKey));

  EXPECT_EQ(installation.desktopShortcut && !expected.cleanedUp, PathExists(DesktopShortcut()));
  EXPECT_EQ(installation.runletShortcut && !expected.cleanedUp,
            PathExists(StartupShortcut(kRunletShortcut)));
  EXPECT_EQ(installation.marquetaShortcut && !expected.cleanedUp,
            PathExists(StartupShortcut(kMarquetaShortcut)));
  EXPECT_TRUE(PathExists(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Notes.txt"));
  EXPECT_TRUE(PathExists(ShellFolder(CSIDL_STARTUP) + "\\Other Startup.lnk"));
}

INSTANTIATE_TEST_SUITE_P(Uninstall, Scenario, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

// One complete run, with everything else in the prefix watched: every file
// under C:\ and every key and value of HKCU and HKLM before and after. The
// only differences allowed are the removals the run exists for and the
// records the stand-ins write.
TEST(Uninstall, TouchesNothingElse) {
  const Installation installation = ScenarioInstallation();
  std::string failure;
  ASSERT_TRUE(Install(installation, &failure)) << failure;
  std::vector<Component> components(4);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(StartComponent(kProductWindowClasses[i], "exit", false, &components[i], &failure))
        << failure;
  }

  const auto filesBefore = SnapshotFiles("C:");
  const auto registryBefore = SnapshotRegistry();
  UninstallerRun run = RunUninstaller(IDYES, kRunTimeoutMs);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exitCode);
  for (Component& component : components) {
    EXPECT_TRUE(EndComponent(&component, kComponentExitTimeoutMs));
  }
  const auto filesAfter = SnapshotFiles("C:");
  const auto registryAfter = SnapshotRegistry();

  std::set<std::string> expectedFiles;
  const std::string programDir = kProgramDir;
  expectedFiles.insert("- " + programDir);
  for (const std::string& name : installation.programFiles)
    expectedFiles.insert("- " + programDir + "\\" + name);
  const std::string dataDir = kDataDir;
  expectedFiles.insert("- " + dataDir);
  for (const std::string& entry : kDataTree) {
    std::string path = dataDir + "\\" + entry;
    if (path.back() == '\\') path.pop_back();
    expectedFiles.insert("- " + path);
  }
  for (const std::string& shortcut :
       {DesktopShortcut(), StartupShortcut(kRunletShortcut), StartupShortcut(kMarquetaShortcut)})
    expectedFiles.insert("- " + shortcut);
  expectedFiles.insert(std::string("+ ") + kCommandRecord);
  for (const Component& component : components) expectedFiles.insert("+ " + component.logPath);

  auto fileChanges = Difference(filesBefore, filesAfter);
  std::sort(fileChanges.begin(), fileChanges.end());
  EXPECT_EQ(std::vector<std::string>(expectedFiles.begin(), expectedFiles.end()), fileChanges);

  const std::string product = std::string("HKCU\\") + kProductKey;
  std::set<std::string> expectedRegistry = {
      "- key " + product,
      "- value " + product + " : Uninst",
      "- value " + product + " : Version",
      "- key " + product + "\\Directories",
      "- value " + product + "\\Directories : Executable",
      "- value " + product + "\\Directories : Data",
      "- key " + product + "\\Directories\\Recent",
      "- value " + product + "\\Directories\\Recent : Last",
  };
  auto registryChanges = Difference(registryBefore, registryAfter);
  // Wine's display driver re-registers the display adapter whenever a new
  // process sets up its display devices (here: the uninstaller and the
  // command starting), stamping the adapter's DriverDateData with the current
  // time. Only that value of the display adapter's two keys is let through,
  // and only as a change.
  registryChanges.erase(
      std::remove_if(registryChanges.begin(), registryChanges.end(),
                     [](const std::string& change) {
                       const bool adapterKey =
                           change.find(
                               "\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\") !=
                               std::string::npos ||
                           change.find("\\Control\\Video\\{") != std::string::npos;
                       return change.rfind("~ value HKLM\\System\\", 0) == 0 && adapterKey &&
                              change.find(" : DriverDateData (") != std::string::npos;
                     }),
      registryChanges.end());
  std::sort(registryChanges.begin(), registryChanges.end());
  EXPECT_EQ(std::vector<std::string>(expectedRegistry.begin(), expectedRegistry.end()),
            registryChanges);
  EXPECT_LT(500u, filesBefore.size());  // the snapshot really saw the prefix
  EXPECT_LT(1000u, registryBefore.size());
}

}  // namespace
}  // namespace tavrin_e2e

// A filter that names no scenario would otherwise pass without running one.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::fprintf(stderr, "no scenario matches the filter\n");
    return 1;
  }
  return result;
}
