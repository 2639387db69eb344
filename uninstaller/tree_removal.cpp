// Recursive removal of the data directory and the product's registry key.
#include "tree_removal.h"

namespace {

// "%s\*.*" and "%s\%s" are composed into MAX_PATH buffers; wsprintfA has no
// bound of its own, so the lengths are checked first and whatever would not
// fit (terminator included) is skipped.
BOOL FitsWithSuffix(LPCSTR path, int suffixLength) {
  return lstrlenA(path) + suffixLength + 1 <= MAX_PATH;
}

BOOL IsDotEntry(LPCSTR name) {
  return (name[0] == '.' && name[1] == '\0') ||
         (name[0] == '.' && name[1] == '.' && name[2] == '\0');
}

}  // namespace

void RemoveDirectoryTree(LPCSTR path) {
  CHAR entryPath[MAX_PATH];
  WIN32_FIND_DATAA findData;

  if (FitsWithSuffix(path, 4)) {
    wsprintfA(entryPath, "%s\\*.*", path);
    HANDLE find = FindFirstFileA(entryPath, &findData);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (IsDotEntry(findData.cFileName)) continue;
        if (!FitsWithSuffix(path, 1 + lstrlenA(findData.cFileName))) continue;
        wsprintfA(entryPath, "%s\\%s", path, findData.cFileName);
        // Only a plain directory is descended into: any further attribute bit
        // sends the entry to DeleteFileA, which leaves a directory in place.
        if (findData.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryTree(entryPath);
        } else {
          DeleteFileA(entryPath);
        }
      } while (FindNextFileA(find, &findData) == TRUE);
      FindClose(find);
    }
  }
  RemoveDirectoryA(path);
}

int DeleteRegistryTree(HKEY parentKey, LPCSTR keyPath) {
  HKEY key;
  if (RegOpenKeyExA(parentKey, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;

  int result = 1;
  CHAR subkeyName[kRegistryKeyNameSize];
  int iterations = 0;
  // Always index 0: a deleted subkey drops out and the next takes its place.
  while (RegEnumKeyA(key, 0, subkeyName, kRegistryKeyNameSize) == ERROR_SUCCESS) {
    if (DeleteRegistryTree(key, subkeyName) != 1) result = 0;
    ++iterations;
    if (iterations >= kRegistryIterationLimit) {
      result = 0;
      break;
    }
  }
  RegCloseKey(key);
  if (RegDeleteKeyA(parentKey, keyPath) != ERROR_SUCCESS) result = 0;
  return result;
}
