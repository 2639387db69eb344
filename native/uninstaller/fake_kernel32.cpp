// Link-time stand-ins for the KERNEL32 calls of the uninstaller: child
// processes, file attributes, deletion, directory listings, Sleep on the
// virtual clock, and the lstr* string helpers. Writes into caller buffers
// copy exactly the bytes Win32 would, so AddressSanitizer sees an overrun.
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>

using fake::FileNode;
using fake::HandleKind;
using fake::Platform;

namespace {

const DWORD kWaitTimeout = 0x102;

uintptr_t Value(HANDLE handle) { return reinterpret_cast<uintptr_t>(handle); }
HANDLE AsHandle(uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

// ANSI file APIs take at most MAX_PATH - 1 characters.
bool CheckPath(const char* api, LPCSTR path) {
  if (path == nullptr) {
    ADD_FAILURE() << api << " called with a null path";
    return false;
  }
  if (std::strlen(path) >= MAX_PATH) {
    ADD_FAILURE() << api << " called with a path of " << std::strlen(path)
                  << " characters, beyond MAX_PATH";
    return false;
  }
  return true;
}

WIN32_FIND_DATAA EntryFor(const std::string& name, DWORD attributes) {
  WIN32_FIND_DATAA entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwFileAttributes = attributes;
  if (name.size() >= MAX_PATH) ADD_FAILURE() << "staged a name longer than a find record holds";
  std::strncpy(entry.cFileName, name.c_str(), MAX_PATH - 1);
  return entry;
}

}  // namespace

extern "C" {

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                           LPSECURITY_ATTRIBUTES lpProcessAttributes,
                           LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                           DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
                           LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  auto& platform = Platform();
  fake::ProcessStart start{};
  start.applicationNameNull = lpApplicationName == nullptr;
  start.commandLine = lpCommandLine != nullptr ? lpCommandLine : "";
  start.processAttributesNull = lpProcessAttributes == nullptr;
  start.threadAttributesNull = lpThreadAttributes == nullptr;
  start.inheritHandles = bInheritHandles;
  start.creationFlags = dwCreationFlags;
  start.environmentNull = lpEnvironment == nullptr;
  start.currentDirectoryNull = lpCurrentDirectory == nullptr;
  if (lpStartupInfo == nullptr || lpProcessInformation == nullptr) {
    ADD_FAILURE() << "CreateProcessA needs a STARTUPINFOA and a PROCESS_INFORMATION";
    return FALSE;
  }
  const STARTUPINFOA& si = *lpStartupInfo;
  start.startupInfoSize = si.cb;
  start.startupInfoOtherwiseZero =
      si.lpReserved == nullptr && si.lpDesktop == nullptr && si.lpTitle == nullptr && si.dwX == 0 &&
      si.dwY == 0 && si.dwXSize == 0 && si.dwYSize == 0 && si.dwXCountChars == 0 &&
      si.dwYCountChars == 0 && si.dwFillAttribute == 0 && si.dwFlags == 0 && si.wShowWindow == 0 &&
      si.cbReserved2 == 0 && si.lpReserved2 == nullptr && si.hStdInput == nullptr &&
      si.hStdOutput == nullptr && si.hStdError == nullptr;
  platform.processes.starts.push_back(start);
  platform.Record("CreateProcessA " + start.commandLine);
  if (platform.processes.failToStart) return FALSE;

  uintptr_t process = platform.Open(HandleKind::kProcess);
  uintptr_t thread = platform.Open(HandleKind::kThread);
  platform.processes.ended[process] = false;
  PROCESS_INFORMATION info{AsHandle(process), AsHandle(thread), 4000, 4004};
  std::memcpy(lpProcessInformation, &info, sizeof info);
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto& platform = Platform();
  platform.processes.waitTimeouts.push_back(dwMilliseconds);
  auto running = platform.processes.ended.find(Value(hHandle));
  if (running == platform.processes.ended.end() ||
      !platform.IsOpen(Value(hHandle), HandleKind::kProcess)) {
    platform.Record("WaitForSingleObject not a process");
    ADD_FAILURE() << "WaitForSingleObject on something that is not an open process handle";
    return WAIT_FAILED;
  }
  platform.Record("WaitForSingleObject process");
  // The child takes as long as it likes: a bounded wait does not see it end.
  if (dwMilliseconds != INFINITE && !running->second) return kWaitTimeout;
  if (!running->second) {
    running->second = true;
    if (platform.processes.childAction) platform.processes.childAction();
  }
  return WAIT_OBJECT_0;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  auto& platform = Platform();
  auto kind = platform.KindOf(Value(hObject));
  if (kind == HandleKind::kThread || kind == HandleKind::kProcess) {
    platform.Record(kind == HandleKind::kThread ? "CloseHandle thread" : "CloseHandle process");
    return platform.Close(Value(hObject), *kind, "CloseHandle");
  }
  platform.Record("CloseHandle unknown");
  ADD_FAILURE() << "CloseHandle on a handle that is not an open process or thread handle";
  return FALSE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  if (!CheckPath("GetFileAttributesA", lpFileName)) return INVALID_FILE_ATTRIBUTES;
  auto& platform = Platform();
  platform.Record(std::string("GetFileAttributesA ") + lpFileName);
  FileNode* node = platform.files.Find(lpFileName);
  return node != nullptr ? node->attributes : INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (!CheckPath("DeleteFileA", lpFileName)) return FALSE;
  auto& platform = Platform();
  FileNode* node = platform.files.Find(lpFileName);
  bool deletable = node != nullptr && !platform.files.IsRoot(node) && !node->IsDirectory() &&
                   (node->attributes & FILE_ATTRIBUTE_READONLY) == 0 && !node->refusesDeletion;
  platform.Record(std::string("DeleteFileA ") + lpFileName + (deletable ? " ok" : " failed"));
  if (!deletable) return FALSE;
  platform.files.Detach(node);
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  if (!CheckPath("RemoveDirectoryA", lpPathName)) return FALSE;
  auto& platform = Platform();
  FileNode* node = platform.files.Find(lpPathName);
  bool removable = node != nullptr && !platform.files.IsRoot(node) && node->IsDirectory() &&
                   node->children.empty() && (node->attributes & FILE_ATTRIBUTE_READONLY) == 0 &&
                   !node->refusesDeletion;
  platform.Record(std::string("RemoveDirectoryA ") + lpPathName + (removable ? " ok" : " failed"));
  if (!removable) return FALSE;
  platform.files.Detach(node);
  return TRUE;
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (!CheckPath("FindFirstFileA", lpFileName)) return INVALID_HANDLE_VALUE;
  auto& platform = Platform();
  platform.Record(std::string("FindFirstFileA ") + lpFileName);
  std::string pattern = lpFileName;
  const std::string wildcard = "\\*.*";
  if (pattern.size() < wildcard.size() ||
      pattern.compare(pattern.size() - wildcard.size(), wildcard.size(), wildcard) != 0) {
    ADD_FAILURE() << "the model lists directories only through \"<dir>\\*.*\", got " << pattern;
    return INVALID_HANDLE_VALUE;
  }
  std::string directory = pattern.substr(0, pattern.size() - wildcard.size());
  if (directory.empty()) directory = "\\";
  FileNode* node = platform.files.Find(directory);
  if (node == nullptr || !node->IsDirectory() || node->refusesListing) return INVALID_HANDLE_VALUE;

  fake::FindState state;
  state.failsAfter = node->listingFailsAfter;
  bool isRoot = platform.files.IsRoot(node);
  if (node->listingOrder.empty()) {
    if (!isRoot) {
      state.entries.push_back(EntryFor(".", FILE_ATTRIBUTE_DIRECTORY));
      state.entries.push_back(EntryFor("..", FILE_ATTRIBUTE_DIRECTORY));
    }
    for (const auto& child : node->children) {
      state.entries.push_back(EntryFor(child->name, child->attributes));
    }
  } else {
    for (const std::string& name : node->listingOrder) {
      if (name == "." || name == "..") {
        state.entries.push_back(EntryFor(name, FILE_ATTRIBUTE_DIRECTORY));
      } else if (FileNode* child = node->Child(name)) {
        state.entries.push_back(EntryFor(child->name, child->attributes));
      } else {
        ADD_FAILURE() << "listing order names " << name << ", which is not in " << directory;
      }
    }
  }
  if (state.entries.empty()) return INVALID_HANDLE_VALUE;  // a root with nothing in it
  std::memcpy(lpFindFileData, &state.entries[0], sizeof(WIN32_FIND_DATAA));
  state.next = 1;
  uintptr_t handle = platform.Open(HandleKind::kFind);
  platform.openFinds[handle] = std::move(state);
  return AsHandle(handle);
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  auto& platform = Platform();
  auto found = platform.openFinds.find(Value(hFindFile));
  if (found == platform.openFinds.end()) {
    ADD_FAILURE() << "FindNextFileA on a search that is not open";
    return FALSE;
  }
  fake::FindState& state = found->second;
  if (state.failsAfter && static_cast<int>(state.next) >= *state.failsAfter) return FALSE;
  if (state.next >= state.entries.size()) return FALSE;
  std::memcpy(lpFindFileData, &state.entries[state.next], sizeof(WIN32_FIND_DATAA));
  ++state.next;
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  auto& platform = Platform();
  platform.Record("FindClose");
  if (!platform.Close(Value(hFindFile), HandleKind::kFind, "FindClose")) return FALSE;
  platform.openFinds.erase(Value(hFindFile));
  return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  auto& windows = Platform().windows;
  windows.nowMs += dwMilliseconds;
  windows.sleeps.push_back(dwMilliseconds);
  Platform().Record("Sleep " + std::to_string(dwMilliseconds));
}

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
  std::memcpy(lpString1, lpString2, std::strlen(lpString2) + 1);
  return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
  std::memcpy(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
  return lpString1;
}

int WINAPI lstrlenA(LPCSTR lpString) {
  return lpString == nullptr ? 0 : static_cast<int>(std::strlen(lpString));
}

}  // extern "C"
