// Depth-first removal of a directory tree and of a registry key tree. Both
// remove what they can and leave the rest; neither changes attributes or
// access rights to force a removal.
#pragma once

#include <windows.h>

const int kRegistryKeyNameSize = 256;  // 255 characters is the longest key name
const int kRegistryIterationLimit = 1000;

void RemoveDirectoryTree(LPCSTR path);
int DeleteRegistryTree(HKEY parentKey, LPCSTR keyPath);
