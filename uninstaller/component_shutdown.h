// Asks Tavrin's running programs to close and gives each a bounded time to
// go away. The programs are known only by the class of their top-level window.
#pragma once

#include <windows.h>

// How long one WM_CLOSE request may hold the run. A window whose thread has
// not read its queue for 5 s is given up at once (SMTO_ABORTIFHUNG); one that
// is still busy, for example asking its own user whether to save, is waited
// for up to this long.
const UINT kCloseRequestTimeoutMs = 30000;
const DWORD kComponentPollIntervalMs = 1000;
const int kComponentPollLimit = 10;

int CloseRunningComponents(void);
