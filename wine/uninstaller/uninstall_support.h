// What the end-to-end scenarios and the demo share: staging a sample Tavrin
// installation in the prefix, starting the stand-in programs, running the
// real uninstaller while answering its message box from outside, and
// snapshots of the prefix's files and registry for before/after comparisons.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tavrin_e2e {

extern const char* const kProductKey;  // under HKCU
extern const char* const kMakerKey;    // under HKCU
extern const char* const kSiblingKey;  // another product of the maker, must stay
extern const char* const kProgramDir;  // holds VERNOX32.EXE
extern const char* const kDataDir;     // the data tree
extern const char* const kLogDir;      // where the stand-ins write their records
extern const char* const kRunDir;      // the uninstaller's current directory
extern const char* const kCommandRecord;
extern const char* const kQuestionCaption;
extern const char* const kQuestionText;
extern const char* const kErrorCaption;  // the platform's caption for a NULL one
extern const char* const kErrorText;
extern const char* const kProductWindowClasses[4];

// Files of the data tree, relative to kDataDir (directories end in '\').
extern const std::vector<std::string> kDataTree;
// Marker files on the spare Q: drive, which must survive every run.
extern const std::vector<std::string> kDriveMarkers;

std::string BinDirectory();
std::string ShellFolder(int csidl);
std::string DesktopShortcut();
std::string StartupShortcut(const char* name);  // "Tavrin Runlet.lnk", ...
extern const char* const kRunletShortcut;
extern const char* const kMarquetaShortcut;
extern const char* const kDesktopShortcutName;

bool PathExists(const std::string& path);
void MakeDirectories(const std::string& path);
bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);  // "" when missing

bool KeyExists(HKEY root, const std::string& path);
bool SetStringValue(HKEY root, const std::string& key, const char* name, const std::string& value);
bool SetDwordValue(HKEY root, const std::string& key, const char* name, DWORD value);
bool ValueExists(HKEY root, const std::string& key, const char* name);

// Polls condition every 10 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The sample installation a scenario or the demo starts from.
struct Installation {
  bool productKey = true;
  bool directoriesKey = true;
  bool uninstValue = true;
  std::string uninstallCommand;  // default: StandInUninstallCommand("remove")
  std::string dataValue = kDataDir;
  std::vector<std::string> programFiles = {"VERNOX32.EXE"};
  bool desktopShortcut = true;
  bool runletShortcut = true;
  bool marquetaShortcut = true;
  // Wine's crash handler shows a dialog and keeps a crashed process alive
  // until someone answers it; off, the process ends at once after the crash.
  bool crashDialog = true;
};
// The command line of the stand-in uninstall command for kProgramDir.
std::string StandInUninstallCommand(const std::string& mode,
                                    const std::vector<std::string>& alsoRemoved = {});
// Writes registry, program directory, data tree, shortcuts, the Q: markers
// and the log and run folders; returns false with a reason on failure.
bool Install(const Installation& installation, std::string* failure);

// A running stand-in product program.
struct Component {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
  std::string windowClass;
  std::string logPath;
};
// Starts stand_in_component.exe and waits until it is in the state the mode
// promises: window visible, the dialog its last active pop-up, the window
// counted as hung. Returns false with a reason when that does not happen.
bool StartComponent(const char* windowClass, const char* mode, bool ownedDialog,
                    Component* component, std::string* failure);
// Waits up to timeoutMs for the process to end, then ends it if needed.
// Returns true when it had ended by itself.
bool EndComponent(Component* component, DWORD timeoutMs);

// What was seen of one message box.
struct BoxSeen {
  std::string caption;
  std::string text;
  bool hasOwner = false;
  std::vector<int> buttons;  // ids among IDOK, IDCANCEL, IDYES, IDNO present
};

struct UninstallerRun {
  bool started = false;
  bool finished = false;
  DWORD exitCode = 0;
  std::vector<BoxSeen> boxes;
};
// Runs uninstaller.exe from kRunDir. Every message box it shows is recorded
// and answered with buttonId; beforePress (if any) runs while the box is up.
UninstallerRun RunUninstaller(int buttonId, DWORD timeoutMs,
                              const std::function<void(HWND)>& beforePress = {});

// Every entry below root with its attributes (and size and write time for
// files), keyed by full path.
std::map<std::string, std::string> SnapshotFiles(const std::string& root);
// Every key and value of HKCU and HKLM with type and data.
std::map<std::string, std::string> SnapshotRegistry();
// Lines "- entry", "+ entry", "~ entry" for what differs between a and b.
std::vector<std::string> Difference(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after);

}  // namespace tavrin_e2e
