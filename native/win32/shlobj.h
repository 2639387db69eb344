// Native stand-in for the shell-folder calls the uninstaller makes.
#pragma once

#include <windows.h>

#define CSIDL_STARTUP 0x0007
#define CSIDL_DESKTOPDIRECTORY 0x0010

typedef struct _SHITEMID {
  WORD cb;
  BYTE abID[1];
} SHITEMID;

typedef struct _ITEMIDLIST {
  SHITEMID mkid;
} ITEMIDLIST, *LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;

#ifdef __cplusplus
extern "C" {
#endif

HRESULT WINAPI SHGetSpecialFolderLocation(HWND hwnd, int csidl, LPITEMIDLIST* ppidl);
BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath);
void WINAPI ILFree(LPITEMIDLIST pidl);

#ifdef __cplusplus
}
#endif

#define SHGetPathFromIDList SHGetPathFromIDListA
