// Refuses data directory values whose tree removal could reach past the
// product's own folder.
#include "data_directory_guard.h"

namespace {

BOOL IsSeparator(CHAR c) { return c == '\\' || c == '/'; }

BOOL IsDriveLetter(CHAR c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the component starting at path[0], up to a separator or the end.
int ComponentLength(LPCSTR path) {
  int n = 0;
  while (path[n] != '\0' && !IsSeparator(path[n])) ++n;
  return n;
}

// A component Windows would trim to nothing, or that climbs or stays put.
BOOL IsOnlyDotsAndSpaces(LPCSTR component, int length) {
  for (int i = 0; i < length; ++i) {
    if (component[i] != '.' && component[i] != ' ') return FALSE;
  }
  return TRUE;
}

// Checks everything after the root: at least one real name, none that the
// platform would resolve upwards or away.
BOOL HasSafeComponentsBelowRoot(LPCSTR rest) {
  BOOL sawName = FALSE;
  while (*rest != '\0') {
    if (IsSeparator(*rest)) {
      ++rest;
      continue;
    }
    int length = ComponentLength(rest);
    if (IsOnlyDotsAndSpaces(rest, length)) return FALSE;
    sawName = TRUE;
    rest += length;
  }
  return sawName;
}

}  // namespace

BOOL IsRemovableDataDirectory(LPCSTR path) {
  if (IsDriveLetter(path[0]) && path[1] == ':') {
    if (!IsSeparator(path[2])) return FALSE;  // "C:" or drive-relative "C:Data"
    return HasSafeComponentsBelowRoot(path + 3);
  }
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    LPCSTR server = path + 2;
    int serverLength = ComponentLength(server);
    if (serverLength == 0 || IsOnlyDotsAndSpaces(server, serverLength)) return FALSE;
    if (serverLength == 1 && server[0] == '?') return FALSE;  // "\\?\" device path
    if (!IsSeparator(server[serverLength])) return FALSE;
    LPCSTR share = server + serverLength + 1;
    int shareLength = ComponentLength(share);
    if (shareLength == 0 || IsOnlyDotsAndSpaces(share, shareLength)) return FALSE;
    if (!IsSeparator(share[shareLength])) return FALSE;  // the share root itself
    return HasSafeComponentsBelowRoot(share + shareLength + 1);
  }
  return FALSE;  // relative, or rooted on the current drive
}
