// Link-time stand-ins for the ADVAPI32 registry calls, over the model's
// HKEY_CURRENT_USER tree. Keys are handles the model hands out and takes
// back; a handle closed twice, or one it never gave, fails the test.
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using fake::HandleKind;
using fake::Platform;
using fake::RegistryKey;

namespace {

const LSTATUS kErrorInvalidHandle = 6;
const LSTATUS kErrorKeyDeleted = 1018;

uintptr_t Value(HKEY key) { return reinterpret_cast<uintptr_t>(key); }

std::shared_ptr<RegistryKey> KeyFromHandle(HKEY key, const char* api) {
  auto& platform = Platform();
  if (key == HKEY_CURRENT_USER) return platform.registry.root;
  auto found = platform.openKeys.find(Value(key));
  if (found == platform.openKeys.end()) {
    ADD_FAILURE() << api << " on a key handle that is not open";
    return nullptr;
  }
  return found->second;
}

std::shared_ptr<RegistryKey> Walk(std::shared_ptr<RegistryKey> key, LPCSTR path) {
  return fake::Registry::Walk(std::move(key), path != nullptr ? path : "");
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult) {
  auto& platform = Platform();
  auto base = KeyFromHandle(hKey, "RegOpenKeyExA");
  if (!base) return kErrorInvalidHandle;
  std::string path = base->fullPath + "\\" + (lpSubKey != nullptr ? lpSubKey : "");
  platform.registryOpens.push_back({path, ulOptions, samDesired});
  platform.Record("RegOpenKeyExA " + path);
  if (base->deleted) return kErrorKeyDeleted;
  auto key = Walk(base, lpSubKey);
  if (!key) return ERROR_FILE_NOT_FOUND;
  if (key->refusesAllAccess && (samDesired & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
  uintptr_t handle = platform.Open(HandleKind::kRegistryKey);
  platform.openKeys[handle] = key;
  *phkResult = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
  auto& platform = Platform();
  auto key = KeyFromHandle(hKey, "RegQueryValueExA");
  if (!key) return kErrorInvalidHandle;
  std::string name = lpValueName != nullptr ? lpValueName : "";
  platform.Record("RegQueryValueExA " + key->fullPath + " " + name);
  if (lpReserved != nullptr) ADD_FAILURE() << "RegQueryValueExA's reserved argument must be null";
  if (lpData != nullptr && lpcbData == nullptr) {
    ADD_FAILURE() << "RegQueryValueExA with a buffer but no size";
    return ERROR_ACCESS_DENIED;
  }
  if (key->deleted) return kErrorKeyDeleted;
  auto found = key->values.find(name);
  if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;  // buffer untouched
  const fake::RegistryValue& value = found->second;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpType != nullptr) *lpType = value.type;
  if (lpData == nullptr) {
    if (lpcbData != nullptr) *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    // The buffer's contents are undefined after ERROR_MORE_DATA: scribble
    // over all of it, without a NUL, so nobody relies on them.
    std::memset(lpData, 'Z', *lpcbData);
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (size > 0) std::memcpy(lpData, value.data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  auto& platform = Platform();
  auto key = KeyFromHandle(hKey, "RegEnumKeyA");
  if (!key) return kErrorInvalidHandle;
  platform.Record("RegEnumKeyA " + key->fullPath + " " + std::to_string(dwIndex));
  if (key->deleted) return kErrorKeyDeleted;
  if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = key->subkeys.begin();
  std::advance(it, dwIndex);
  const std::string& name = it->second->name;
  if (name.size() + 1 > cchName) return ERROR_MORE_DATA;
  std::memcpy(lpName, name.c_str(), name.size() + 1);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  auto& platform = Platform();
  auto base = KeyFromHandle(hKey, "RegDeleteKeyA");
  if (!base) return kErrorInvalidHandle;
  if (lpSubKey == nullptr || lpSubKey[0] == '\0') {
    ADD_FAILURE() << "RegDeleteKeyA needs the name of the key to delete";
    return ERROR_ACCESS_DENIED;
  }
  auto key = Walk(base, lpSubKey);
  if (!key || base->deleted) {
    platform.Record("RegDeleteKeyA " + base->fullPath + "\\" + lpSubKey + " failed");
    return ERROR_FILE_NOT_FOUND;
  }
  // As on Windows, only a key without subkeys can be deleted.
  bool deletable = key->subkeys.empty() && !key->refusesDeletion && key != platform.registry.root;
  platform.Record("RegDeleteKeyA " + key->fullPath + (deletable ? " ok" : " failed"));
  if (!deletable) return ERROR_ACCESS_DENIED;
  std::string path = lpSubKey;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  size_t lastSeparator = path.find_last_of('\\');
  auto parent =
      lastSeparator == std::string::npos ? base : Walk(base, path.substr(0, lastSeparator).c_str());
  parent->subkeys.erase(key->name);
  key->deleted = true;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  auto& platform = Platform();
  if (hKey == HKEY_CURRENT_USER) {
    ADD_FAILURE() << "RegCloseKey on HKEY_CURRENT_USER, which nobody opened";
    return ERROR_SUCCESS;
  }
  auto found = platform.openKeys.find(Value(hKey));
  platform.Record("RegCloseKey " + (found != platform.openKeys.end() ? found->second->fullPath
                                                                     : std::string("unknown")));
  if (!platform.Close(Value(hKey), HandleKind::kRegistryKey, "RegCloseKey")) {
    return kErrorInvalidHandle;
  }
  platform.openKeys.erase(found);
  return ERROR_SUCCESS;
}

}  // extern "C"
