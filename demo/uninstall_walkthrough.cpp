// A walk through one uninstall of a sample Tavrin installation: the real
// uninstaller sources run against the recording Win32 model, and every item
// of the installation is shown before and after the run next to what should
// have become of it. Exits non-zero when any outcome differs.
//
//   uninstall_walkthrough [yes|no]
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace {

const std::string kProductKey = "Software\\Korvane\\Tavrin";
const std::string kProgramDir = "C:\\Program Files\\Tavrin";
const std::string kDataDir = "C:\\Users\\demo\\AppData\\Roaming\\Tavrin Data";
const std::string kDesktop = "C:\\Users\\demo\\Desktop";
const std::string kStartup =
    "C:\\Users\\demo\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
const std::string kRemover = kProgramDir + "\\Remove Tavrin.exe";

enum class Kind { kFile, kKey };

struct Item {
  Kind kind;
  std::string path;
  bool goneAfterYes;
  bool goneAfterNo;
  std::string why;
};

const std::vector<Item> kItems = {
    {Kind::kFile, kProgramDir + "\\VERNOX32.EXE", true, true, "removed by the uninstall command"},
    {Kind::kFile, kProgramDir + "\\Runlet.exe", true, true, "removed by the uninstall command"},
    {Kind::kFile, kRemover, true, true, "removed by the uninstall command"},
    {Kind::kFile, kProgramDir, true, true, "empty after the command"},
    {Kind::kFile, kDataDir + "\\settings.ini", true, false, "data tree, on Yes"},
    {Kind::kFile, kDataDir + "\\Sessions\\monday.dat", true, false, "data tree, on Yes"},
    {Kind::kFile, kDataDir + "\\Sessions", true, false, "data tree, on Yes"},
    {Kind::kFile, kDataDir, true, false, "data tree, on Yes"},
    {Kind::kFile, kDesktop + "\\Start Tavrin.lnk", true, true, "desktop shortcut"},
    {Kind::kFile, kDesktop + "\\Notes.lnk", false, false, "not the product's"},
    {Kind::kFile, kStartup + "\\Tavrin Runlet.lnk", true, true, "Startup shortcut"},
    {Kind::kFile, kStartup + "\\Tavrin Marqueta.lnk", true, true, "Startup shortcut"},
    {Kind::kKey, kProductKey + "\\Directories", true, true, "product registry tree"},
    {Kind::kKey, kProductKey, true, true, "product registry tree"},
    {Kind::kKey, "Software\\Korvane", false, false, "the maker's key stays"},
    {Kind::kKey, "Software\\Korvane\\Shared Tools", false, false, "not the product's"},
};

bool Present(const Item& item) {
  auto& platform = fake::Platform();
  return item.kind == Kind::kFile ? platform.files.Exists(item.path)
                                  : platform.registry.Exists(item.path);
}

void StageSampleInstallation() {
  auto& platform = fake::Platform();
  platform.registry.SetText(kProductKey, "Uninst", "\"" + kRemover + "\" /S");
  platform.registry.SetText(kProductKey + "\\Directories", "Executable", kProgramDir);
  platform.registry.SetText(kProductKey + "\\Directories", "Data", kDataDir);
  platform.registry.SetText("Software\\Korvane\\Shared Tools", "Path", "C:\\Korvane");
  for (const Item& item : kItems) {
    if (item.kind == Kind::kKey) {
      platform.registry.CreateKey(item.path);
    } else if (item.path.find('.', item.path.rfind('\\')) != std::string::npos) {
      platform.files.AddFile(item.path);
    } else {
      platform.files.AddDirectory(item.path);
    }
  }
  platform.shellFolders[CSIDL_DESKTOPDIRECTORY] = {0, true, kDesktop};
  platform.shellFolders[CSIDL_STARTUP] = {0, true, kStartup};

  // The product's programs: one with an open dialog, one slow to close.
  auto& prefs = platform.windows.AddWindow("Prefsmith", "PrefsmithClass");
  platform.windows.AddPopup("Prefsmith dialog", prefs);
  platform.windows.AddWindow("Ziva", "KV_ZIVA_WINDOW_CLASS");
  platform.windows.AddWindow("Ploven", "KV_PLOVEN_WINDOW_CLASS");
  auto& main = platform.windows.AddWindow("Vernox", "VERNOX_WINDOW",
                                          fake::CloseBehaviour::kClosesAfterDelay);
  main.closeDelayMs = 2500;

  // The uninstall command removes the program files and leaves the folder.
  platform.processes.childAction = [] {
    auto& files = fake::Platform().files;
    for (const char* name : {"\\VERNOX32.EXE", "\\Runlet.exe", "\\Remove Tavrin.exe"}) {
      files.Remove(kProgramDir + name);
    }
  };
}

}  // namespace

int main(int argc, char** argv) {
  const bool yes = argc < 2 || std::strcmp(argv[1], "no") != 0;
  fake::Reset();
  StageSampleInstallation();
  auto& platform = fake::Platform();
  platform.messageBoxAnswers = {yes ? IDYES : IDNO};

  std::vector<bool> before;
  for (const Item& item : kItems) before.push_back(Present(item));

  char commandLine[] = "";
  WinMain(nullptr, nullptr, commandLine, 0);

  std::printf("Uninstall of a sample Tavrin, answering %s\n\n", yes ? "Yes" : "No");
  for (const auto& box : platform.messageBoxes) {
    std::printf("Message box \"%s\": %s\n", box.caption ? box.caption->c_str() : "(default)",
                box.text.c_str());
  }
  std::printf("Close requests:");
  for (const auto& sent : platform.windows.sent) std::printf(" %s;", sent.label.c_str());
  std::printf("\nWaited %zu x 1 s for programs to go away (virtual clock)\n\n",
              platform.windows.sleeps.size());

  int mismatches = 0;
  std::printf("%-8s %-8s %-8s %-4s %s\n", "before", "after", "expected", "", "item");
  for (size_t i = 0; i < kItems.size(); ++i) {
    const Item& item = kItems[i];
    const bool expectedGone = yes ? item.goneAfterYes : item.goneAfterNo;
    const bool after = Present(item);
    const bool ok = before[i] && after == !expectedGone;
    mismatches += ok ? 0 : 1;
    std::printf("%-8s %-8s %-8s %-4s %s%s  (%s)\n", before[i] ? "present" : "absent",
                after ? "present" : "gone", expectedGone ? "gone" : "present", ok ? "ok" : "DIFF",
                item.kind == Kind::kKey ? "HKCU\\" : "", item.path.c_str(), item.why.c_str());
  }
  std::printf("\n%s\n", mismatches == 0 ? "Every item ended as expected."
                                        : "Some items did not end as expected.");
  return mismatches == 0 ? 0 : 1;
}
