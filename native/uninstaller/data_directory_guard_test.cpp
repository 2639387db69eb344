// The guard in front of the data directory's tree removal, on its own:
// which values name a real directory below a drive or share root. Each value
// is followed in memory by more path text after its terminator, as a
// registry buffer may be, so a guard that reads past the NUL is caught.
#include "data_directory_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct GuardCase {
  const char* value;
  bool removable;
};

void PrintTo(const GuardCase& c, std::ostream* out) { *out << '"' << c.value << '"'; }

class DataDirectoryGuardUnitTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(DataDirectoryGuardUnitTest, OnlyARealDirectoryBelowARootIsRemovable) {
  std::string buffer = GetParam().value;
  buffer.push_back('\0');
  buffer += "\\Tavrin\\Data\\more";
  EXPECT_EQ(IsRemovableDataDirectory(buffer.c_str()) != FALSE, GetParam().removable);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DataDirectoryGuardUnitTest,
    ::testing::Values(
        GuardCase{"", false}, GuardCase{"C:\\", false}, GuardCase{"C:", false},
        GuardCase{"C:/", false}, GuardCase{"C:Data", false}, GuardCase{"\\", false},
        GuardCase{"/", false}, GuardCase{"\\Data", false}, GuardCase{"\\\\server", false},
        GuardCase{"\\\\server\\", false}, GuardCase{"\\\\server\\share", false},
        GuardCase{"\\\\server\\share\\", false}, GuardCase{"\\\\server\\share\\\\", false},
        GuardCase{"\\\\\\share\\x", false}, GuardCase{"\\\\..\\share\\x", false},
        GuardCase{"\\\\server\\..\\x", false}, GuardCase{"\\\\?\\C:\\Tavrin", false},
        GuardCase{"\\\\.\\C:\\Tavrin", false}, GuardCase{"\\\\?\\UNC\\server\\share\\x", false},
        GuardCase{".", false}, GuardCase{"..", false}, GuardCase{"Data", false},
        GuardCase{"Tavrin\\Data", false}, GuardCase{"C:\\..", false}, GuardCase{"C:\\.", false},
        GuardCase{"C:\\...", false}, GuardCase{"C:\\ ", false}, GuardCase{"C:\\. .", false},
        GuardCase{"C:\\Tavrin\\..", false}, GuardCase{"C:\\Tavrin\\..\\..", false},
        GuardCase{"C:\\Windows\\..\\Tavrin", false}, GuardCase{"C:\\\\", false},
        GuardCase{"1:\\Tavrin", false}, GuardCase{"C:\\Tavrin", true},
        GuardCase{"c:\\Tavrin Data", true}, GuardCase{"C:\\Tavrin\\Data\\", true},
        GuardCase{"C:/Tavrin/Data", true}, GuardCase{"C:\\.config", true},
        GuardCase{"C:\\Tavrin\\...x", true}, GuardCase{"\\\\server\\share\\Tavrin", true},
        GuardCase{"\\\\server\\share\\Tavrin\\Data", true}));

}  // namespace
