// Checks the promises the Wine harness makes to every end-to-end test: no
// way out to the Linux root, shell folders that are real folders of the
// prefix, and a virtual desktop of the expected size.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WineHarness, NoDriveMapsTheLinuxRoot) {
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Z:\\"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Z:\\etc\\passwd"));
}

TEST(WineHarness, ProgramRunsFromItsBinFolder) {
  char directory[MAX_PATH] = {};
  ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, directory));
  EXPECT_STREQ("C:\\tavrin\\bin", directory);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\tavrin\\bin\\harness_check.exe"));
}

TEST(WineHarness, SpareDriveIsAnEmptyScratchFolder) {
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("Q:\\") & FILE_ATTRIBUTE_DIRECTORY);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA("Q:\\*", &entry);
  int names = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..") ++names;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  EXPECT_EQ(0, names);
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("C:\\tavrin\\out"));
}

TEST(WineHarness, ShellFoldersArePlainFoldersInThePrefix) {
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_STARTUP}) {
    char path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) << csidl;
    EXPECT_EQ(0, std::string(path).rfind("C:\\users\\", 0)) << path;
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(path)) << path;
  }
}

TEST(WineHarness, VirtualDesktopHasTheConfiguredSize) {
  RECT desktop = {};
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
  EXPECT_EQ(1280, desktop.right - desktop.left);
  EXPECT_EQ(1024, desktop.bottom - desktop.top);
}

}  // namespace
