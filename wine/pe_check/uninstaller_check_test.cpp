// Checks the built uninstaller.exe from its PE headers, without running it:
// a 32-bit i386 program of the GUI subsystem, importing Windows system DLLs
// only (no compiler run-time DLL a bare Windows lacks), with an application
// manifest asking for asInvoker (so installer detection does not elevate a
// program with "uninst" in its name) and a version resource naming the
// product. Tampered copies of the file show that the checker rejects what it
// should; hand-built version blocks and manifests pin down the parsers.
//
//   uninstaller_check_test PATH\TO\uninstaller.exe [gtest flags]
#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pe_image.h"
#include "test_support.h"

namespace {

using pecheck::PeImage;
using namespace pecheck_test;

const uint32_t kResourceManifest = 24;

class UninstallerImageTest : public FileUnderTestImage {};

TEST_F(UninstallerImageTest, IsA32BitI386GuiProgram) {
  EXPECT_EQ(image.machine, 0x014C);
  EXPECT_EQ(image.optionalHeaderMagic, 0x010B);
  EXPECT_EQ(image.characteristics & 0x2000, 0) << "marked as a DLL";
  EXPECT_NE(image.characteristics & 0x0002, 0) << "not an executable image";
  EXPECT_EQ(image.subsystem, 2) << "not the Windows GUI subsystem";
}

TEST_F(UninstallerImageTest, ImportsWindowsSystemDllsOnly) {
  const std::set<std::string> allowed = {"advapi32.dll", "kernel32.dll", "msvcrt.dll",
                                         "shell32.dll", "user32.dll"};
  std::set<std::string> imported;
  for (const pecheck::Import& entry : image.imports) {
    std::string name = entry.dll;
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    imported.insert(name);
    EXPECT_EQ(allowed.count(name), 1u) << entry.dll;
    EXPECT_FALSE(entry.functions.empty()) << entry.dll;
  }
  EXPECT_EQ(imported.count("kernel32.dll"), 1u);
  EXPECT_FALSE(image.hasDelayImports);
}

TEST_F(UninstallerImageTest, EmbedsAnAsInvokerManifest) {
  const pecheck::Resource* manifest = image.FindResource(kResourceManifest, 1);
  ASSERT_NE(manifest, nullptr);
  const std::string text(manifest->data.begin(), manifest->data.end());
  EXPECT_NE(text.find("<assembly"), std::string::npos);
  EXPECT_EQ(pecheck::RequestedExecutionLevels(text), std::vector<std::string>{"asInvoker"});
}

TEST_F(UninstallerImageTest, VersionResourceNamesTheProduct) {
  pecheck::VersionInfo version;
  ASSERT_NO_THROW(version = pecheck::ParseVersionInfo(image.versionResource));
  EXPECT_EQ(version.rootKey, "VS_VERSION_INFO");
  EXPECT_TRUE(version.hasFixedInfo);
  EXPECT_NE(version.fileVersionMS | version.fileVersionLS, 0u);
  EXPECT_EQ(version.strings["ProductName"], "Tavrin");
  EXPECT_FALSE(version.strings["FileDescription"].empty());
  EXPECT_FALSE(version.strings["FileVersion"].empty());
}

TEST_F(UninstallerImageTest, PassesTheWholeCheck) {
  std::vector<std::string> problems = pecheck::UninstallerImageProblems(FileUnderTest());
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

// Tampered copies.

const pecheck::Import* ImportOf(const PeImage& image, const std::string& dll) {
  for (const pecheck::Import& entry : image.imports) {
    if (entry.dll == dll) return &entry;
  }
  return nullptr;
}

// Renames msvcrt.dll's import to a compiler run-time DLL: its descriptor is
// pointed at the longest imported function name, overwritten with the new
// DLL name, as the import table has no room for a longer string in place.
void ImportCompilerRunTime(std::vector<uint8_t>& bytes, const PeImage& image) {
  const std::string runTime = "libgcc_s_dw2-1.dll";
  const pecheck::Import* crt = ImportOf(image, "msvcrt.dll");
  ASSERT_NE(crt, nullptr);
  std::string longest;
  for (const pecheck::Import& entry : image.imports) {
    for (const std::string& function : entry.functions) {
      if (function.size() > longest.size()) longest = function;
    }
  }
  ASSERT_GE(longest.size(), runTime.size());
  const pecheck::Section* section = nullptr;
  for (const pecheck::Section& candidate : image.sections) {
    if (crt->descriptorOffset >= candidate.rawPointer &&
        crt->descriptorOffset < candidate.rawPointer + candidate.rawSize) {
      section = &candidate;
    }
  }
  ASSERT_NE(section, nullptr);
  const std::vector<uint8_t> data = pecheck::SectionData(bytes, *section, section->rawSize);
  size_t at = FindOnce(data, longest + '\0');
  ASSERT_NE(at, std::string::npos) << longest;
  std::fill(bytes.begin() + section->rawPointer + at,
            bytes.begin() + section->rawPointer + at + longest.size(), 0);
  std::copy(runTime.begin(), runTime.end(), bytes.begin() + section->rawPointer + at);
  Put32(bytes, crt->descriptorOffset + 12, section->virtualAddress + static_cast<uint32_t>(at));
}

const pecheck::Resource& Manifest(const PeImage& image) {
  static const pecheck::Resource none;
  const pecheck::Resource* manifest = image.FindResource(kResourceManifest, 1);
  EXPECT_NE(manifest, nullptr);
  return manifest ? *manifest : none;
}

const Tampering kTamperings[] = {
    {"ConsoleSubsystem",
     [](std::vector<uint8_t>& bytes, const PeImage&) { Put16(bytes, PeHeader(bytes) + 92, 3); },
     "subsystem is 3, not the Windows GUI (2)"},
    {"MarkedAsDll",
     [](std::vector<uint8_t>& bytes, const PeImage&) { bytes[PeHeader(bytes) + 23] |= 0x20; },
     "the DLL flag is set"},
    {"CompilerRunTimeImport", ImportCompilerRunTime,
     "imports libgcc_s_dw2-1.dll, a compiler run-time DLL"},
    {"UnlistedDllImport",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, std::string("SHELL32.dll\0", 12), "SHLWAPI.dll");
     },
     "imports from SHLWAPI.dll"},
    {"ManifestRequiresAdministrator",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, "level=\"asInvoker\" uiAccess=\"false\"", "level=\"requireAdministrator\"",
                 ' ');
     },
     "the manifest requests level \"requireAdministrator\""},
    {"ManifestMissing",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       Put32(bytes, Manifest(image).typeEntryOffset, 0x7F00);
     },
     "no application manifest"},
    {"ManifestUnderAnotherId",  // id 2 is read for DLLs, never for a program
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       Put32(bytes, Manifest(image).idEntryOffset, 2);
     },
     "no application manifest"},
    {"ProductRenamed",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, Wide("Tavrin") + std::string(2, '\0'), Wide("Tavrix"));
     },
     "product name is \"Tavrix\""},
    {"DescriptionMissing",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, Wide("FileDescription"), Wide("FileDescriptioX"));
     },
     "no FileDescription string"},
    {"VersionBlockOverrunsResource",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       size_t key = FindOnce(bytes, Wide("VS_VERSION_INFO"));
       ASSERT_NE(key, std::string::npos);
       Put16(bytes, key - 6, 0xFFFF);
     },
     "the version resource is malformed"},
    {"Truncated", [](std::vector<uint8_t>& bytes, const PeImage&) { bytes.resize(0x400); },
     "not a readable PE image"},
};

class TamperedUninstallerTest : public UninstallerImageTest,
                                public ::testing::WithParamInterface<Tampering> {};

TEST_P(TamperedUninstallerTest, IsRejected) {
  ExpectRejected(GetParam(), image, pecheck::UninstallerImageProblems);
}

INSTANTIATE_TEST_SUITE_P(Cases, TamperedUninstallerTest, ::testing::ValuesIn(kTamperings),
                         TamperingName);

// The parsers on hand-built input.

struct ManifestCase {
  const char* name;
  const char* manifest;
  std::vector<std::string> levels;
};

class ExecutionLevelTest : public ::testing::TestWithParam<ManifestCase> {};

TEST_P(ExecutionLevelTest, ReadsTheLevelAttribute) {
  EXPECT_EQ(pecheck::RequestedExecutionLevels(GetParam().manifest), GetParam().levels);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExecutionLevelTest,
    ::testing::Values(
        ManifestCase{"DoubleQuoted",
                     "<requestedPrivileges><requestedExecutionLevel level=\"asInvoker\" "
                     "uiAccess=\"false\"/></requestedPrivileges>",
                     {"asInvoker"}},
        ManifestCase{"SingleQuotedAfterAnother",
                     "<requestedExecutionLevel uiAccess='false'\n level='highestAvailable'/>",
                     {"highestAvailable"}},
        ManifestCase{
            "LookalikeAttributeIgnored", "<requestedExecutionLevel uilevel=\"asInvoker\"/>", {""}},
        ManifestCase{"NoElement", "<requestedPrivileges/>", {}},
        ManifestCase{"TwoElements",
                     "<requestedExecutionLevel level=\"asInvoker\"/>"
                     "<requestedExecutionLevel level=\"requireAdministrator\"/>",
                     {"asInvoker", "requireAdministrator"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A VS_VERSIONINFO node: wLength, wValueLength, wType, key, value, children,
// with the 4-byte alignment the format asks for.
std::string VersionBlock(const std::string& key, const std::string& value, uint16_t valueLength,
                         uint16_t type, const std::vector<std::string>& children = {}) {
  auto pad = [](std::string& text) { text.resize((text.size() + 3) & ~size_t{3}, '\0'); };
  std::string block(6, '\0');
  block += Wide(key) + std::string(2, '\0');
  pad(block);
  block += value;
  for (const std::string& child : children) {
    pad(block);
    block += child;
  }
  block[0] = static_cast<char>(block.size() & 0xFF);
  block[1] = static_cast<char>(block.size() >> 8);
  block[2] = static_cast<char>(valueLength & 0xFF);
  block[3] = static_cast<char>(valueLength >> 8);
  block[4] = static_cast<char>(type);
  return block;
}

std::vector<uint8_t> SampleVersionInfo() {
  std::string fixed(52, '\0');
  const uint32_t words[] = {0xFEEF04BD, 0x00010000, 0x00020003, 0x00040005};
  for (size_t i = 0; i < 4; ++i) {
    for (size_t b = 0; b < 4; ++b) fixed[4 * i + b] = static_cast<char>(words[i] >> (8 * b));
  }
  const std::string description = Wide("D") + std::string("\xE9\0", 2) + Wide("sinstall");
  const std::string table =
      VersionBlock("040904E4", "", 0, 1,
                   {VersionBlock("ProductName", Wide("Tavrin") + std::string(2, '\0'), 7, 1),
                    VersionBlock("FileDescription", description + std::string(2, '\0'), 11, 1),
                    VersionBlock("Comments", "", 0, 1)});
  const std::string root = VersionBlock(
      "VS_VERSION_INFO", fixed, 52, 0,
      {VersionBlock("StringFileInfo", "", 0, 1, {table}),
       VersionBlock("VarFileInfo", "", 0, 1,
                    {VersionBlock("Translation", std::string("\x09\x04\xE4\x04", 4), 4, 0)})});
  return std::vector<uint8_t>(root.begin(), root.end());
}

TEST(VersionInfoParse, ReadsFixedInfoAndStrings) {
  pecheck::VersionInfo info = pecheck::ParseVersionInfo(SampleVersionInfo());
  EXPECT_EQ(info.rootKey, "VS_VERSION_INFO");
  EXPECT_TRUE(info.hasFixedInfo);
  EXPECT_EQ(info.fileVersionMS, 0x00020003u);
  EXPECT_EQ(info.fileVersionLS, 0x00040005u);
  const std::map<std::string, std::string> expected = {
      {"ProductName", "Tavrin"}, {"FileDescription", "D\xC3\xA9sinstall"}, {"Comments", ""}};
  EXPECT_EQ(info.strings, expected);  // nothing read from VarFileInfo
}

struct BrokenVersion {
  const char* name;
  const char* blockKey;  // the block whose wLength is set
  uint16_t length;       // "Comments" is 24 bytes, the last of its table, before VarFileInfo
};

class BrokenVersionTest : public ::testing::TestWithParam<BrokenVersion> {};

TEST_P(BrokenVersionTest, IsRefused) {
  std::vector<uint8_t> bytes = SampleVersionInfo();
  size_t key = FindOnce(bytes, Wide(GetParam().blockKey));
  ASSERT_NE(key, std::string::npos);
  Put16(bytes, key - 6, GetParam().length);
  EXPECT_THROW(pecheck::ParseVersionInfo(bytes), pecheck::PeFormatError);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenVersionTest,
                         ::testing::Values(BrokenVersion{"RootPastTheData", "VS_VERSION_INFO",
                                                         0x7000},
                                           BrokenVersion{"StringIntoTheNextBlock", "Comments", 32},
                                           BrokenVersion{"KeyCutByLength", "ProductName", 12},
                                           BrokenVersion{"ShorterThanHeader", "040904E4", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

int main(int argc, char** argv) { return pecheck_test::RunChecksOn("uninstaller.exe", argc, argv); }
