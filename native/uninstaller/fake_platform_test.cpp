// The model's own contract: the Windows rules the uninstaller's tests lean
// on, and the misuse it must report rather than let pass.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform_test.h"

namespace {

using ModelTest = PlatformTest;

TEST_F(ModelTest, KeyHandleClosedTwiceIsReported) {
  platform().registry.CreateKey("Software\\Korvane");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Korvane", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_NONFATAL_FAILURE(RegCloseKey(key), "not open");
}

TEST_F(ModelTest, ProcessHandlesAreNotInterchangeableWithUnknownOnes) {
  EXPECT_NONFATAL_FAILURE(CloseHandle(reinterpret_cast<HANDLE>(0x1234)), "CloseHandle");
  EXPECT_NONFATAL_FAILURE(WaitForSingleObject(reinterpret_cast<HANDLE>(0x1234), INFINITE),
                          "not an open process");
}

TEST_F(ModelTest, SendMessageToAHungWindowIsReportedAsNeverReturning) {
  fake::FakeWindow& window =
      platform().windows.AddWindow("stuck", "PrefsmithClass", fake::CloseBehaviour::kHung);
  EXPECT_NONFATAL_FAILURE(SendMessageA(window.hwnd, WM_CLOSE, 0, 0), "never returns");
  DWORD_PTR result = 0;
  EXPECT_EQ(SendMessageTimeoutA(window.hwnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 30000, &result), 0);
  EXPECT_EQ(platform().windows.nowMs, 0u) << "a hung window is given up at once";
}

TEST_F(ModelTest, RegistryDeletesOnlyKeysWithoutSubkeys) {
  platform().registry.CreateKey("Software\\Korvane\\Tavrin");
  EXPECT_NE(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Korvane"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\KORVANE\\tavrin"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Korvane"), ERROR_SUCCESS);
  EXPECT_FALSE(platform().registry.Exists("Software\\Korvane"));
}

TEST_F(ModelTest, FilesAndDirectoriesGoOnlyTheWayWindowsLetsThem) {
  auto& files = platform().files;
  files.AddFile("C:\\Dir\\file.txt");
  EXPECT_FALSE(DeleteFileA("C:\\Dir"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\Dir"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\Dir\\file.txt"));
  EXPECT_TRUE(DeleteFileA("c:\\dir\\FILE.TXT"));
  EXPECT_TRUE(RemoveDirectoryA("C:\\Dir"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\"));
}

TEST_F(ModelTest, RootedAndRelativePathsResolveAgainstTheCurrentDriveAndDirectory) {
  auto& files = platform().files;
  files.currentDirectory = "C:\\Work";
  files.AddFile("C:\\VERNOX32.EXE");
  files.AddFile("C:\\Work\\Data\\x");
  EXPECT_NE(GetFileAttributesA("\\VERNOX32.EXE"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA("Data"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("C:Data\\x"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("C:\\Work\\Data\\..\\.."), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ModelTest, QueryIntoASmallBufferLeavesNoUsableText) {
  platform().registry.SetText("Software\\Korvane", "Name", "Tavrin");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Korvane", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  char buffer[4] = {'a', 'b', 'c', '\0'};
  DWORD size = sizeof buffer;
  EXPECT_EQ(
      RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(std::memchr(buffer, '\0', sizeof buffer), nullptr);
  RegCloseKey(key);
}

}  // namespace
