// The data directory comes from the registry and is removed recursively, so a
// value that names a drive, a share, or a path relative to the current
// directory or drive must never reach the tree removal.
#pragma once

#include <windows.h>

// TRUE only for a fully qualified path with at least one real directory name
// below its root: "C:\Tavrin\Data" or "\\server\share\Tavrin". FALSE for
// "", "C:\", "C:", "C:Data", "\\server\share", "\", "\Data", ".", "Data", device
// paths ("\\?\", "\\.\"), and any path with a "." or ".." component or a
// component made only of dots and spaces (Windows trims those away).
BOOL IsRemovableDataDirectory(LPCSTR path);
