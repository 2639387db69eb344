// The demo of one uninstall inside a throwaway Wine prefix: installs a sample
// Tavrin (registry, program directory, data tree, shortcuts, the four product
// programs running as stand-ins, a stand-in uninstall command), runs the real
// uninstaller.exe, answers its question, saves a screenshot of the screen
// while the question is up, and prints every item before and after beside
// what should have become of it. Exits non-zero when any outcome differs.
//
//   uninstall_demo.exe [no]      (answers Yes unless told "no")
//
// The screenshot goes to C:\tavrin\out\question-box.bmp, which the Wine
// wrapper copies out as PNG.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "screen_capture.h"
#include "uninstall_support.h"

using namespace tavrin_e2e;

namespace {

const char* const kScreenshotPath = "C:\\tavrin\\out\\question-box.bmp";
const DWORD kRunTimeoutMs = 60000;
const DWORD kPaintTimeoutMs = 5000;

struct Item {
  std::string name;
  std::function<bool()> present;
  bool goneAfterYes;
  bool goneAfterNo;
  const char* presentWord;
  const char* absentWord;
  bool before = false;
  bool after = false;
};

// True once the box's text control shows dark pixels, i.e. its text is
// painted on the screen.
bool TextIsPainted(HWND box) {
  RECT area;
  HWND text = GetDlgItem(box, 0xFFFF);
  if (text == nullptr || !GetWindowRect(text, &area)) return false;
  BITMAPINFOHEADER header;
  std::vector<BYTE> pixels = CaptureScreen(area, &header);
  for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
    if (pixels[i] < 64 && pixels[i + 1] < 64 && pixels[i + 2] < 64) return true;
  }
  return false;
}

std::vector<Item> ItemsOfTheInstallation(const Installation& installation) {
  std::vector<Item> items;
  auto file = [&](const std::string& path, bool goneAfterYes, bool goneAfterNo) {
    items.push_back({path, [path] { return PathExists(path); }, goneAfterYes, goneAfterNo,
                     "present", "absent"});
  };
  auto key = [&](const std::string& path, bool gone) {
    items.push_back({"HKCU\\" + path, [path] { return KeyExists(HKEY_CURRENT_USER, path); }, gone,
                     gone, "present", "absent"});
  };
  const std::string product = kProductKey;
  key(product, true);
  key(product + "\\Directories", true);
  key(kSiblingKey, false);
  key(kMakerKey, false);
  file(kProgramDir, true, true);
  for (const std::string& name : installation.programFiles)
    file(std::string(kProgramDir) + "\\" + name, true, true);
  file(kDataDir, true, false);
  for (const std::string& entry : kDataTree) {
    std::string path = std::string(kDataDir) + "\\" + entry;
    if (path.back() == '\\') path.pop_back();
    file(path, true, false);
  }
  file(DesktopShortcut(), true, true);
  file(StartupShortcut(kRunletShortcut), true, true);
  file(StartupShortcut(kMarquetaShortcut), true, true);
  file(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Notes.txt", false, false);
  file(ShellFolder(CSIDL_STARTUP) + "\\Other Startup.lnk", false, false);
  for (const char* windowClass : kProductWindowClasses) {
    std::string name = std::string("window ") + windowClass;
    items.push_back({name, [windowClass] { return FindWindowA(windowClass, nullptr) != nullptr; },
                     true, true, "open", "closed"});
  }
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  const bool answerYes = !(argc > 1 && std::strcmp(argv[1], "no") == 0);
  std::printf("Sample Tavrin installation in this prefix; the question will be answered %s.\n\n",
              answerYes ? "Yes" : "No");

  Installation installation;
  installation.programFiles = {"VERNOX32.EXE", "VERNOX32.DLL", "README.TXT", "Tavrin.chm"};
  installation.uninstallCommand =
      StandInUninstallCommand("remove", {"VERNOX32.DLL", "README.TXT", "Tavrin.chm"});
  std::string failure;
  if (!Install(installation, &failure)) {
    std::printf("could not install the sample: %s\n", failure.c_str());
    return 2;
  }
  std::vector<Component> components(4);
  for (int i = 0; i < 4; ++i) {
    if (!StartComponent(kProductWindowClasses[i], "exit", i == 0, &components[i], &failure)) {
      std::printf("could not start a stand-in: %s\n", failure.c_str());
      return 2;
    }
  }
  std::printf("HKCU\\%s : Uninst = %s\n\n", kProductKey, installation.uninstallCommand.c_str());

  std::vector<Item> items = ItemsOfTheInstallation(installation);
  for (Item& item : items) item.before = item.present();

  bool screenshotSaved = false;
  UninstallerRun run = RunUninstaller(answerYes ? IDYES : IDNO, kRunTimeoutMs, [&](HWND box) {
    if (WaitUntil([box] { return TextIsPainted(box); }, kPaintTimeoutMs))
      screenshotSaved = SaveScreenshot(kScreenshotPath);
  });
  for (Component& component : components) EndComponent(&component, 5000);
  for (Item& item : items) item.after = item.present();

  bool allAsExpected = run.finished && run.exitCode == 0 && run.boxes.size() == 1;
  for (const BoxSeen& box : run.boxes) {
    std::printf("Box \"%s\": %s  -> answered %s\n", box.caption.c_str(), box.text.c_str(),
                answerYes ? "Yes" : "No");
    allAsExpected = allAsExpected && box.caption == kQuestionCaption && box.text == kQuestionText;
  }
  std::printf("uninstaller.exe %s, exit code %lu\n", run.finished ? "ended" : "DID NOT END",
              static_cast<unsigned long>(run.exitCode));
  std::printf("screenshot of the question: %s\n\n",
              screenshotSaved ? kScreenshotPath : "NOT SAVED");

  int width = 4;
  for (const Item& item : items) width = std::max(width, static_cast<int>(item.name.size()));
  std::printf("%-*s  %-8s %-8s %-8s\n", width, "item", "before", "after", "expected");
  for (const Item& item : items) {
    const bool gone = answerYes ? item.goneAfterYes : item.goneAfterNo;
    const bool expectedPresent = item.before && !gone;
    const bool ok = item.before && item.after == expectedPresent;
    allAsExpected = allAsExpected && ok;
    std::printf("%-*s  %-8s %-8s %-8s %s\n", width, item.name.c_str(),
                item.before ? item.presentWord : item.absentWord,
                item.after ? item.presentWord : item.absentWord,
                expectedPresent ? item.presentWord : item.absentWord, ok ? "ok" : "DIFFERS");
  }
  std::printf("\n%s\n", allAsExpected ? "Every item ended as expected."
                                      : "SOME ITEMS DID NOT END AS EXPECTED.");
  return allAsExpected && screenshotSaved ? 0 : 1;
}
