// A scriptable, recording model of the Win32 services the uninstaller relies
// on: the current user's registry, a file system, top-level windows with a
// virtual clock, child processes, message boxes and shell folders. The
// link-time stand-ins in fake_kernel32.cpp, fake_advapi32.cpp,
// fake_user32.cpp and fake_shell32.cpp implement the Win32 functions on top
// of it. Tests stage a world, run production code, then read back what was
// done. Misuse that Win32 would punish (a handle closed twice, a send that
// would block forever, a path longer than MAX_PATH) fails the running test.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fake {

// Registry and file names compare as Windows compares them: ASCII letters
// without regard to case.
std::string Lower(const std::string& text);
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const { return Lower(a) < Lower(b); }
};

std::vector<BYTE> TextBytes(const std::string& text);  // the text and its NUL

// ---------------------------------------------------------------- registry

struct RegistryValue {
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
};

struct RegistryKey {
  std::string name;
  std::string fullPath;  // "HKCU\..." for the log
  std::map<std::string, RegistryValue, CaseInsensitiveLess> values;
  // Sorted without regard to case, as the registry enumerates subkeys.
  std::map<std::string, std::shared_ptr<RegistryKey>, CaseInsensitiveLess> subkeys;
  bool refusesAllAccess = false;  // opening with KEY_ALL_ACCESS is denied
  bool refusesDeletion = false;   // RegDeleteKeyA fails on it
  bool deleted = false;
};

class Registry {
 public:
  Registry();
  // Creates every missing key along path (relative to HKEY_CURRENT_USER).
  RegistryKey& CreateKey(const std::string& path);
  void SetValue(const std::string& keyPath, const std::string& name, DWORD type,
                std::vector<BYTE> data);
  void SetText(const std::string& keyPath, const std::string& name, const std::string& text);
  RegistryKey* Find(const std::string& path) { return Walk(root, path).get(); }  // null: missing
  // The key path names below from; empty parts (a trailing backslash) are
  // ignored. Null when any part is missing.
  static std::shared_ptr<RegistryKey> Walk(std::shared_ptr<RegistryKey> from,
                                           const std::string& path);
  bool Exists(const std::string& path) { return Find(path) != nullptr; }

  std::shared_ptr<RegistryKey> root;
};

// ------------------------------------------------------------- file system

struct FileNode {
  std::string name;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  bool refusesDeletion = false;  // in use: DeleteFileA/RemoveDirectoryA fail
  bool refusesListing = false;   // FindFirstFileA fails with access denied
  // FindNextFileA reports an error once this many entries have been yielded.
  std::optional<int> listingFailsAfter;
  // The order in which the listing yields entries, "." and ".." included;
  // when empty: ".", "..", then the children as they were created. A drive
  // or share root yields no dot entries.
  std::vector<std::string> listingOrder;
  std::vector<std::unique_ptr<FileNode>> children;
  FileNode* parent = nullptr;

  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  FileNode* Child(const std::string& childName);
};

class FileSystem {
 public:
  FileSystem();
  // Paths as Windows takes them: "C:\a\b", "\\server\share\a", "\a" (on the
  // current drive), "a\b" (below the current directory); "/" also separates;
  // "." and ".." are resolved. Missing directories along the way are created
  // with attribute 0x10.
  FileNode& AddDirectory(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY);
  FileNode& AddFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
  // Resolves path to a node; null when any part is missing. canonical gets
  // the path as the model spells it.
  FileNode* Find(const std::string& path, std::string* canonical = nullptr);
  // Takes a node and everything below it away, as another program would.
  void Remove(const std::string& path);
  // Takes a node that is not a root out of its parent.
  void Detach(FileNode* node);
  bool Exists(const std::string& path) { return Find(path) != nullptr; }
  // Every path below and including root, for "nothing else was touched".
  std::vector<std::string> Snapshot(const std::string& root = "");

  bool IsRoot(const FileNode* node) const;

  std::string currentDrive = "C:";
  std::string currentDirectory = "C:\\Users\\tester";

 private:
  FileNode& RootFor(const std::string& rootName);
  // Like AddDirectory, but keeps the attributes of a directory that exists.
  FileNode& EnsureDirectory(const std::string& path);
  bool Split(const std::string& path, std::string* rootName, std::vector<std::string>* parts);
  std::map<std::string, std::unique_ptr<FileNode>, CaseInsensitiveLess> roots_;
};

// ---------------------------------------------------------- window manager

enum class CloseBehaviour {
  kClosesAtOnce,      // the window is gone as soon as WM_CLOSE is handled
  kClosesAfterDelay,  // gone closeDelayMs of virtual time after handling it
  kIgnoresClose,      // handles the message and stays
  kHung,              // its thread stopped reading messages long ago
  kStuckRecently,     // stopped reading messages less than 5 s ago
};

struct FakeWindow {
  HWND hwnd = nullptr;
  std::string label;  // how the log names the window
  std::string className;
  std::string title = "Tavrin";
  HWND owner = nullptr;
  CloseBehaviour onClose = CloseBehaviour::kClosesAtOnce;
  uint64_t closeDelayMs = 0;
  uint64_t handlingMs = 0;  // time its procedure takes to return
  std::optional<uint64_t> goneAt;
  HWND lastActivePopup = nullptr;  // null: the window itself
  bool lastActivePopupIsNull = false;
};

struct SentMessage {
  HWND hwnd;
  std::string label;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool withTimeout;
  UINT flags;
  UINT timeoutMs;
};

class WindowManager {
 public:
  FakeWindow& AddWindow(const std::string& label, const std::string& className,
                        CloseBehaviour onClose = CloseBehaviour::kClosesAtOnce);
  // An owned pop-up (a dialog) that is its owner's last active pop-up.
  FakeWindow& AddPopup(const std::string& label, FakeWindow& owner,
                       CloseBehaviour onClose = CloseBehaviour::kClosesAtOnce);
  FakeWindow* Find(HWND hwnd);
  FakeWindow* FindByLabel(const std::string& label);
  bool IsAlive(const FakeWindow& window) const;
  // Handling WM_CLOSE at time handledAt.
  void HandleClose(FakeWindow& window, uint64_t handledAt);

  std::vector<std::unique_ptr<FakeWindow>> windows;  // z-order, topmost first
  std::vector<SentMessage> sent;
  uint64_t nowMs = 0;  // the virtual clock behind Sleep
  std::vector<DWORD> sleeps;
};

// --------------------------------------------------------------- processes

struct ProcessStart {
  bool applicationNameNull;
  std::string commandLine;
  bool processAttributesNull;
  bool threadAttributesNull;
  BOOL inheritHandles;
  DWORD creationFlags;
  bool environmentNull;
  bool currentDirectoryNull;
  DWORD startupInfoSize;
  bool startupInfoOtherwiseZero;
};

struct Processes {
  // What the child does by the time it ends; run when the uninstaller waits.
  std::function<void()> childAction;
  bool failToStart = false;
  std::vector<ProcessStart> starts;
  std::vector<DWORD> waitTimeouts;
  std::map<uintptr_t, bool> ended;  // process handle -> whether its child has ended
};

// ------------------------------------------------- message boxes and shell

struct MessageBoxShown {
  HWND owner;
  std::string text;
  std::optional<std::string> caption;  // empty when the caption was null
  UINT style;
};

struct ShellFolder {
  HRESULT locationResult = 0;  // a negative value: the location fails
  bool pathAvailable = true;
  std::string path;
};

struct RegistryOpen {
  std::string path;  // the parent's path, a backslash, the subkey as given
  DWORD options;
  REGSAM access;
};

struct ShellCall {
  HWND owner;
  int csidl;
};

// ------------------------------------------------------------------ handles

enum class HandleKind { kRegistryKey, kFind, kProcess, kThread, kItemIdList };

struct FindState {
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
  std::optional<int> failsAfter;
};

class FakePlatform {
 public:
  Registry registry;
  FileSystem files;
  WindowManager windows;
  Processes processes;
  std::vector<int> messageBoxAnswers;  // taken in order
  std::vector<MessageBoxShown> messageBoxes;
  std::map<int, ShellFolder> shellFolders;
  std::vector<ShellCall> shellCalls;
  std::map<uintptr_t, int> itemIdLists;  // live lists -> their folder
  std::vector<RegistryOpen> registryOpens;
  const HWND desktopWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010));

  // Every call the stand-ins saw, in order: "RegOpenKeyExA HKCU\...",
  // "DeleteFileA C:\... ok", "WM_CLOSE <label>", "Sleep 1000", ...
  std::vector<std::string> log;
  std::vector<std::string> Calls(const std::string& prefix) const;
  // The index of the first log entry starting with prefix, or -1.
  int IndexOf(const std::string& prefix) const;
  int IndexOfEntry(const std::string& entry) const;  // exact match, or -1
  // Files, directories and registry keys that really went, in order.
  std::vector<std::string> Removals() const;

  // Handle bookkeeping shared by the stand-ins.
  uintptr_t Open(HandleKind kind);
  void Adopt(uintptr_t handle, HandleKind kind) { handles_[handle] = kind; }
  std::optional<HandleKind> KindOf(uintptr_t handle) const;
  bool Close(uintptr_t handle, HandleKind kind, const char* api);
  bool IsOpen(uintptr_t handle, HandleKind kind) const;
  int OpenCount(HandleKind kind) const;
  std::map<uintptr_t, std::shared_ptr<RegistryKey>> openKeys;
  std::map<uintptr_t, FindState> openFinds;
  bool IsKeyOpen(const std::string& path);

  void Record(const std::string& entry) { log.push_back(entry); }

 private:
  std::map<uintptr_t, HandleKind> handles_;
  uintptr_t nextHandle_ = 0x1000;
};

// The one model all stand-ins share; Reset gives a fresh, empty world.
FakePlatform& Platform();
void Reset();

}  // namespace fake
