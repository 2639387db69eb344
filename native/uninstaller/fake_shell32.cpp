// Link-time stand-ins for the SHELL32 folder calls: each special folder
// resolves or not as the test stages it, and every item-identifier list
// handed out must be given back with ILFree.
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>

using fake::HandleKind;
using fake::Platform;

namespace {
const HRESULT kFail = static_cast<HRESULT>(0x80004005u);
}

extern "C" {

HRESULT WINAPI SHGetSpecialFolderLocation(HWND hwnd, int csidl, LPITEMIDLIST* ppidl) {
  auto& platform = Platform();
  platform.shellCalls.push_back({hwnd, csidl});
  platform.Record("SHGetSpecialFolderLocation " + std::to_string(csidl));
  auto folder = platform.shellFolders.find(csidl);
  if (folder == platform.shellFolders.end()) return kFail;
  if (FAILED(folder->second.locationResult)) return folder->second.locationResult;
  LPITEMIDLIST list = new ITEMIDLIST{};
  uintptr_t handle = reinterpret_cast<uintptr_t>(list);
  platform.Adopt(handle, HandleKind::kItemIdList);
  platform.itemIdLists[handle] = csidl;
  *ppidl = list;
  return folder->second.locationResult;
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath) {
  auto& platform = Platform();
  auto list = platform.itemIdLists.find(reinterpret_cast<uintptr_t>(pidl));
  if (list == platform.itemIdLists.end()) {
    ADD_FAILURE() << "SHGetPathFromIDListA on an item list the shell did not hand out";
    return FALSE;
  }
  platform.Record("SHGetPathFromIDListA " + std::to_string(list->second));
  const fake::ShellFolder& folder = platform.shellFolders[list->second];
  if (!folder.pathAvailable) return FALSE;
  if (folder.path.size() >= MAX_PATH) ADD_FAILURE() << "a folder path the shell cannot return";
  std::memcpy(pszPath, folder.path.c_str(), folder.path.size() + 1);
  return TRUE;
}

void WINAPI ILFree(LPITEMIDLIST pidl) {
  if (pidl == nullptr) return;
  auto& platform = Platform();
  uintptr_t handle = reinterpret_cast<uintptr_t>(pidl);
  platform.Record("ILFree");
  if (!platform.Close(handle, HandleKind::kItemIdList, "ILFree")) return;
  platform.itemIdLists.erase(handle);
  delete pidl;
}

}  // extern "C"
