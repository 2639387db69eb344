// Staging, running and observing for the uninstaller's end-to-end scenarios
// and its demo. Everything here runs inside the test's own Wine prefix.
#include "uninstall_support.h"

#include <shlobj.h>

#include <cstdio>
#include <set>

namespace tavrin_e2e {

const char* const kProductKey = "Software\\Korvane\\Tavrin";
const char* const kMakerKey = "Software\\Korvane";
const char* const kSiblingKey = "Software\\Korvane\\Lumetta";
const char* const kProgramDir = "C:\\Program Files\\Tavrin";
const char* const kDataDir = "C:\\Tavrin Data";
const char* const kLogDir = "C:\\tavrin\\log";
const char* const kRunDir = "C:\\tavrin\\run";
const char* const kCommandRecord = "C:\\tavrin\\log\\uninstall-command.txt";
const char* const kQuestionCaption = "Tavrin Uninstall";
const char* const kQuestionText =
    "Would you like to remove the Tavrin Data directory during Uninstall?";
const char* const kErrorCaption = "Error";
const char* const kErrorText = "Error during uninstall.";
const char* const kProductWindowClasses[4] = {"PrefsmithClass", "KV_ZIVA_WINDOW_CLASS",
                                              "KV_PLOVEN_WINDOW_CLASS", "VERNOX_WINDOW"};
const char* const kRunletShortcut = "Tavrin Runlet.lnk";
const char* const kMarquetaShortcut = "Tavrin Marqueta.lnk";
const char* const kDesktopShortcutName = "Start Tavrin.lnk";

const std::vector<std::string> kDataTree = {
    "settings.ini",
    "profiles\\",
    "profiles\\default\\",
    "profiles\\default\\state.dat",
    "profiles\\default\\cache\\",
    "profiles\\default\\cache\\page-1.bin",
    "profiles\\empty\\",
    ".hidden-notes",
};
const std::vector<std::string> kDriveMarkers = {"Q:\\marker.txt", "Q:\\keep\\marker.txt"};

namespace {

const DWORD kStartTimeoutMs = 20000;

std::string Hex(const BYTE* data, DWORD size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (DWORD i = 0; i < size; ++i) {
    text += digits[data[i] >> 4];
    text += digits[data[i] & 15];
  }
  return text;
}

bool Launch(const std::string& commandLine, const char* currentDirectory,
            PROCESS_INFORMATION* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory, &startup, process) != 0;
}

std::string WindowClassName(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

struct BoxSearch {
  DWORD processId;
  std::set<HWND>* skip;
  HWND found;
};

BOOL CALLBACK FindBoxOfProcess(HWND hwnd, LPARAM lParam) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->processId || !IsWindowVisible(hwnd)) return TRUE;
  if (WindowClassName(hwnd) != "#32770" || search->skip->count(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

BoxSeen DescribeBox(HWND box) {
  BoxSeen seen;
  char text[1024] = {};
  GetWindowTextA(box, text, sizeof(text));
  seen.caption = text;
  text[0] = '\0';
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  seen.text = text;
  seen.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    if (GetDlgItem(box, id) != nullptr) seen.buttons.push_back(id);
  }
  return seen;
}

void PressButton(HWND box, int buttonId) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

void SnapshotDirectory(const std::string& directory, std::map<std::string, std::string>* out) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = directory + "\\" + name;
    char line[128];
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      std::snprintf(line, sizeof(line), "dir attr=%lx",
                    static_cast<unsigned long>(entry.dwFileAttributes));
      (*out)[path] = line;
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) SnapshotDirectory(path, out);
    } else {
      std::snprintf(line, sizeof(line), "file attr=%lx size=%lu:%lu written=%lu:%lu",
                    static_cast<unsigned long>(entry.dwFileAttributes),
                    static_cast<unsigned long>(entry.nFileSizeHigh),
                    static_cast<unsigned long>(entry.nFileSizeLow),
                    static_cast<unsigned long>(entry.ftLastWriteTime.dwHighDateTime),
                    static_cast<unsigned long>(entry.ftLastWriteTime.dwLowDateTime));
      (*out)[path] = line;
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void SnapshotKey(HKEY key, const std::string& path, int depth,
                 std::map<std::string, std::string>* out) {
  (*out)["key " + path] = "";
  DWORD subkeyCount = 0, longestSubkey = 0, valueCount = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, &longestSubkey, nullptr,
                       &valueCount, &longestName, &longestData, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    (*out)["key " + path] = "unreadable";
    return;
  }
  std::vector<char> name(longestName + 2);
  std::vector<BYTE> data(longestData + 2);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG result =
        RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (result == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      --i;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    (*out)["value " + path + " : " + std::string(name.data(), nameSize)] =
        "type=" + std::to_string(type) + " data=" + Hex(data.data(), dataSize);
  }
  if (depth > 64) return;  // guards against a link cycle
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char child[256];
    DWORD childSize = sizeof(child);
    if (RegEnumKeyExA(key, i, child, &childSize, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.emplace_back(child, childSize);
  }
  for (const std::string& child : children) {
    HKEY childKey;
    if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &childKey) != ERROR_SUCCESS) {
      (*out)["key " + path + "\\" + child] = "unopenable";
      continue;
    }
    SnapshotKey(childKey, path + "\\" + child, depth + 1, out);
    RegCloseKey(childKey);
  }
}

}  // namespace

std::string BinDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory = path;
  return directory.substr(0, directory.find_last_of('\\'));
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return "";
  return path;
}

std::string DesktopShortcut() {
  return ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kDesktopShortcutName;
}

std::string StartupShortcut(const char* name) { return ShellFolder(CSIDL_STARTUP) + "\\" + name; }

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDirectories(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

std::string ReadTextFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string text;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) text.append(chunk, read);
  CloseHandle(file);
  return text;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool SetStringValue(HKEY root, const std::string& key, const char* name, const std::string& value) {
  HKEY handle;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG result =
      RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool SetDwordValue(HKEY root, const std::string& key, const char* name, DWORD value) {
  HKEY handle;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof(value));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::string& key, const char* name) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  LONG result = RegQueryValueExA(handle, name, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

std::string StandInUninstallCommand(const std::string& mode,
                                    const std::vector<std::string>& alsoRemoved) {
  std::string command =
      "\"" + BinDirectory() + "\\stand_in_uninstall.exe\" " + mode + " \"" + kProgramDir + "\"";
  for (const std::string& name : alsoRemoved) command += " \"" + name + "\"";
  return command;
}

bool Install(const Installation& installation, std::string* failure) {
  auto fail = [failure](const std::string& why) {
    *failure = why;
    return false;
  };
  const std::string directoriesKey = std::string(kProductKey) + "\\Directories";
  if (!SetStringValue(HKEY_CURRENT_USER, kSiblingKey, "Version", "2.1"))
    return fail("cannot write the sibling key");
  if (installation.productKey) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
      return fail("cannot create the product key");
    RegCloseKey(key);
    if (!SetStringValue(HKEY_CURRENT_USER, kProductKey, "Version", "4.0.2"))
      return fail("cannot write the product version");
    if (installation.uninstValue) {
      std::string command = installation.uninstallCommand.empty()
                                ? StandInUninstallCommand("remove")
                                : installation.uninstallCommand;
      if (!SetStringValue(HKEY_CURRENT_USER, kProductKey, "Uninst", command))
        return fail("cannot write Uninst");
    }
    if (installation.directoriesKey &&
        (!SetStringValue(HKEY_CURRENT_USER, directoriesKey, "Executable", kProgramDir) ||
         !SetStringValue(HKEY_CURRENT_USER, directoriesKey, "Data", installation.dataValue) ||
         !SetStringValue(HKEY_CURRENT_USER, directoriesKey + "\\Recent", "Last", "report.tvn")))
      return fail("cannot write the Directories key");
  }

  if (!installation.crashDialog &&
      !SetDwordValue(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", "ShowCrashDialog", 0))
    return fail("cannot turn the crash dialog off");

  MakeDirectories(kProgramDir);
  for (const std::string& name : installation.programFiles) {
    if (!WriteTextFile(std::string(kProgramDir) + "\\" + name, "program file " + name))
      return fail("cannot write " + name);
  }
  MakeDirectories(kDataDir);
  for (const std::string& entry : kDataTree) {
    std::string path = std::string(kDataDir) + "\\" + entry;
    if (entry.back() == '\\') {
      MakeDirectories(path.substr(0, path.size() - 1));
    } else if (!WriteTextFile(path, "data " + entry)) {
      return fail("cannot write " + path);
    }
  }
  MakeDirectories("Q:\\keep");
  for (const std::string& marker : kDriveMarkers) {
    if (!WriteTextFile(marker, "must stay")) return fail("cannot write " + marker);
  }

  struct {
    bool wanted;
    std::string path;
  } shortcuts[] = {{installation.desktopShortcut, DesktopShortcut()},
                   {installation.runletShortcut, StartupShortcut(kRunletShortcut)},
                   {installation.marquetaShortcut, StartupShortcut(kMarquetaShortcut)}};
  for (const auto& shortcut : shortcuts) {
    if (shortcut.wanted && !WriteTextFile(shortcut.path, "shortcut"))
      return fail("cannot write " + shortcut.path);
  }
  // Something else on the desktop and in Startup, which must stay.
  if (!WriteTextFile(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Notes.txt", "notes") ||
      !WriteTextFile(ShellFolder(CSIDL_STARTUP) + "\\Other Startup.lnk", "other"))
    return fail("cannot write the neighbouring shortcuts");
  MakeDirectories(kLogDir);
  MakeDirectories(kRunDir);
  return true;
}

bool StartComponent(const char* windowClass, const char* mode, bool ownedDialog,
                    Component* component, std::string* failure) {
  component->windowClass = windowClass;
  component->logPath = std::string(kLogDir) + "\\" + windowClass + ".txt";
  std::string commandLine = "\"" + BinDirectory() + "\\stand_in_component.exe\" " + windowClass +
                            " " + mode + (ownedDialog ? " --dialog" : "") + " --log \"" +
                            component->logPath + "\"";
  if (!Launch(commandLine, nullptr, &component->process)) {
    *failure = "cannot start " + commandLine;
    return false;
  }
  bool ready = WaitUntil(
      [&] {
        component->window = FindWindowA(windowClass, nullptr);
        return component->window != nullptr && IsWindowVisible(component->window);
      },
      kStartTimeoutMs);
  if (!ready) {
    *failure = std::string("no visible window of class ") + windowClass;
    return false;
  }
  if (ownedDialog &&
      !WaitUntil([&] { return GetLastActivePopup(component->window) != component->window; },
                 kStartTimeoutMs)) {
    *failure = std::string("the dialog never became the last active pop-up of ") + windowClass;
    return false;
  }
  if (std::string(mode) == "hang" &&
      !WaitUntil([&] { return IsHungAppWindow(component->window) != FALSE; }, kStartTimeoutMs)) {
    *failure = std::string("the window of ") + windowClass + " is never counted as hung";
    return false;
  }
  return true;
}

bool EndComponent(Component* component, DWORD timeoutMs) {
  if (component->process.hProcess == nullptr) return true;
  bool endedByItself = WaitForSingleObject(component->process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (!endedByItself) {
    TerminateProcess(component->process.hProcess, 1);
    WaitForSingleObject(component->process.hProcess, 5000);
  }
  CloseHandle(component->process.hThread);
  CloseHandle(component->process.hProcess);
  component->process = {};
  return endedByItself;
}

UninstallerRun RunUninstaller(int buttonId, DWORD timeoutMs,
                              const std::function<void(HWND)>& beforePress) {
  UninstallerRun run;
  PROCESS_INFORMATION process = {};
  if (!Launch("\"" + BinDirectory() + "\\uninstaller.exe\"", kRunDir, &process)) return run;
  run.started = true;
  std::set<HWND> answered;
  DWORD start = GetTickCount();
  while (GetTickCount() - start <= timeoutMs) {
    if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
      run.finished = true;
      break;
    }
    BoxSearch search = {process.dwProcessId, &answered, nullptr};
    EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) continue;
    answered.insert(search.found);
    run.boxes.push_back(DescribeBox(search.found));
    if (beforePress) beforePress(search.found);
    PressButton(search.found, buttonId);
  }
  if (run.finished) {
    GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::map<std::string, std::string> SnapshotFiles(const std::string& root) {
  std::map<std::string, std::string> entries;
  SnapshotDirectory(root, &entries);
  return entries;
}

std::map<std::string, std::string> SnapshotRegistry() {
  std::map<std::string, std::string> entries;
  SnapshotKey(HKEY_CURRENT_USER, "HKCU", 0, &entries);
  SnapshotKey(HKEY_LOCAL_MACHINE, "HKLM", 0, &entries);
  return entries;
}

std::vector<std::string> Difference(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after) {
  std::vector<std::string> lines;
  for (const auto& [entry, state] : before) {
    auto found = after.find(entry);
    if (found == after.end()) {
      lines.push_back("- " + entry);
    } else if (found->second != state) {
      lines.push_back("~ " + entry + " (" + state + " -> " + found->second + ")");
    }
  }
  for (const auto& [entry, state] : after) {
    if (!before.count(entry)) lines.push_back("+ " + entry);
  }
  return lines;
}

}  // namespace tavrin_e2e
