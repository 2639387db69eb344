// Stand-in for the product's uninstall command, the program the "Uninst"
// value names. It first records how it was started (command line, current
// directory, which product windows were still open), then removes the
// product's main executable, leaves it, or crashes.
//
//   stand_in_uninstall.exe remove|leave|crash|remove-then-crash PROGRAM_DIR [FILE...]
//
// "remove" deletes PROGRAM_DIR\VERNOX32.EXE and each further FILE named
// (relative to PROGRAM_DIR); "remove-then-crash" does that and then crashes.
#include <windows.h>

#include <string>

#include "uninstall_support.h"

namespace {

using tavrin_e2e::kProductWindowClasses;

void WriteRecord() {
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  std::string record = std::string("command line: ") + GetCommandLineA() + "\r\n";
  record += std::string("current directory: ") + directory + "\r\n";
  record += "windows open:";
  for (const char* windowClass : kProductWindowClasses) {
    if (FindWindowA(windowClass, nullptr) != nullptr) record += std::string(" ") + windowClass;
  }
  record += "\r\n";
  tavrin_e2e::WriteTextFile(tavrin_e2e::kCommandRecord, record);
}

void RemoveProductFiles(const std::string& programDirectory) {
  DeleteFileA((programDirectory + "\\VERNOX32.EXE").c_str());
  for (int i = 3; i < __argc; ++i) DeleteFileA((programDirectory + "\\" + __argv[i]).c_str());
}

[[noreturn]] void Crash() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  __builtin_trap();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  WriteRecord();
  if (__argc < 3) return 2;
  const std::string mode = __argv[1];
  const std::string programDirectory = __argv[2];
  if (mode == "crash") Crash();
  if (mode == "remove" || mode == "remove-then-crash") RemoveProductFiles(programDirectory);
  if (mode == "remove-then-crash") Crash();
  // The uninstaller never reads the exit code; a non-zero one shows that.
  return mode == "leave" ? 1 : 7;
}
