// The uninstaller's whole run: close the product's programs, read where the
// product lives, ask about the data directory, run the stored uninstall
// command, and clean up only once the main executable is really gone.
// Windowless, one thread, exit code 0 on every path.
#include <windows.h>
#include <shlobj.h>

#include "component_shutdown.h"
#include "data_directory_guard.h"
#include "tree_removal.h"

namespace {

const int kKeyPathSize = 256;
const int kCommandSize = 512;

LPCSTR const kDirectoriesKeyPath = "Software\\Korvane\\Tavrin\\Directories";
LPCSTR const kProductKeyReadPath = "Software\\Korvane\\Tavrin\\";
LPCSTR const kProductKeyDeletePath = "Software\\Korvane\\Tavrin";
LPCSTR const kMainExecutableName = "\\VERNOX32.EXE";
LPCSTR const kDesktopShortcutName = "\\Start Tavrin.lnk";
LPCSTR const kStartupShortcutNames[] = {"\\Tavrin Runlet.lnk", "\\Tavrin Marqueta.lnk"};

LPCSTR const kBoxCaption = "Tavrin Uninstall";
LPCSTR const kErrorText = "Error during uninstall.";
LPCSTR const kDataQuestion = "Would you like to remove the Tavrin Data directory during Uninstall?";

const DWORD kStartupInfoSize = 68;  // sizeof(STARTUPINFOA) on 32-bit Windows

// Reads a text value into buffer. The registry type is not examined, and
// data stored without its terminating NUL is terminated here when there is
// room. A value that cannot be held whole with its NUL counts as missing:
// the buffer is left empty and FALSE is returned.
BOOL ReadRegistryText(HKEY key, LPCSTR valueName, LPSTR buffer, DWORD bufferSize) {
  DWORD type = 0;
  DWORD size = bufferSize;
  if (RegQueryValueExA(key, valueName, NULL, &type, (LPBYTE)buffer, &size) != ERROR_SUCCESS ||
      size > bufferSize) {
    buffer[0] = '\0';
    return FALSE;
  }
  for (DWORD i = 0; i < size; ++i) {
    if (buffer[i] == '\0') return TRUE;
  }
  if (size < bufferSize) {
    buffer[size] = '\0';
    return TRUE;
  }
  buffer[0] = '\0';
  return FALSE;
}

// Writes directory + name into a MAX_PATH buffer; FALSE, with nothing
// written, when the result would not fit with its terminator.
BOOL ComposePath(LPSTR out, LPCSTR directory, LPCSTR name) {
  if (lstrlenA(directory) + lstrlenA(name) + 1 > MAX_PATH) return FALSE;
  lstrcpyA(out, directory);
  lstrcatA(out, name);
  return TRUE;
}

// The folder's path, or FALSE when the shell cannot give it.
BOOL GetShellFolderPath(int csidl, LPSTR path) {
  LPITEMIDLIST idList = NULL;
  if (!SUCCEEDED(SHGetSpecialFolderLocation(GetDesktopWindow(), csidl, &idList))) return FALSE;
  BOOL written = SHGetPathFromIDList(idList, path);
  ILFree(idList);
  return written;
}

void DeleteShortcut(LPCSTR folder, LPCSTR name) {
  CHAR shortcutPath[MAX_PATH];
  if (ComposePath(shortcutPath, folder, name)) DeleteFileA(shortcutPath);
}

// Starts the uninstall command and waits for it to end. A command that does
// not start leaves the main executable in place, which the completion test
// then sees.
void RunUninstallCommand(LPSTR commandLine) {
  STARTUPINFOA startupInfo = {};
  PROCESS_INFORMATION processInfo = {};
  startupInfo.cb = kStartupInfoSize;
  if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startupInfo,
                      &processInfo)) {
    return;
  }
  WaitForSingleObject(processInfo.hProcess, INFINITE);
  CloseHandle(processInfo.hThread);
  CloseHandle(processInfo.hProcess);
}

// The uninstall counts as completed only when nothing is left at the
// program directory + "\VERNOX32.EXE". A probe path that does not fit
// counts as the executable still being there, so nothing is removed.
BOOL MainExecutableRemains(LPCSTR programDirectory) {
  CHAR probePath[MAX_PATH];
  if (!ComposePath(probePath, programDirectory, kMainExecutableName)) return TRUE;
  return GetFileAttributesA(probePath) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CHAR keyPath[kKeyPathSize];
  CHAR programDirectory[MAX_PATH];
  CHAR dataDirectory[MAX_PATH];
  CHAR uninstallCommand[kCommandSize];
  HKEY key;

  CloseRunningComponents();

  programDirectory[0] = '\0';
  dataDirectory[0] = '\0';
  lstrcpyA(keyPath, kDirectoriesKeyPath);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    ReadRegistryText(key, "Executable", programDirectory, MAX_PATH);
    ReadRegistryText(key, "Data", dataDirectory, MAX_PATH);
    RegCloseKey(key);
  }

  lstrcpyA(keyPath, kProductKeyReadPath);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return 0;
  }
  if (!ReadRegistryText(key, "Uninst", uninstallCommand, kCommandSize)) {
    MessageBoxA(NULL, kErrorText, NULL, MB_ICONERROR);
    RegCloseKey(key);
    return 0;
  }

  int answer = MessageBoxA(NULL, kDataQuestion, kBoxCaption, MB_YESNO | MB_ICONQUESTION);

  // The product key stays open for as long as the uninstall command runs.
  RunUninstallCommand(uninstallCommand);
  RegCloseKey(key);

  if (MainExecutableRemains(programDirectory)) return 0;

  // An empty value is refused by the guard like any other relative path.
  if (answer == IDYES && IsRemovableDataDirectory(dataDirectory)) {
    RemoveDirectoryTree(dataDirectory);
  }

  lstrcpyA(keyPath, kProductKeyDeletePath);
  DeleteRegistryTree(HKEY_CURRENT_USER, keyPath);

  CHAR folderPath[MAX_PATH];
  if (GetShellFolderPath(CSIDL_DESKTOPDIRECTORY, folderPath)) {
    DeleteShortcut(folderPath, kDesktopShortcutName);
  }
  if (GetShellFolderPath(CSIDL_STARTUP, folderPath)) {
    for (LPCSTR name : kStartupShortcutNames) DeleteShortcut(folderPath, name);
  }

  // Only an empty program directory goes; nothing inside it is deleted here.
  if (programDirectory[0] != '\0') RemoveDirectoryA(programDirectory);
  return 0;
}
