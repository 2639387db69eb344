// Checks the built Quorlin.dll from its PE headers, without loading it: the
// machine and DLL flag, the six undecorated exports at their ordinals, the
// shared "SHARDATA" section with its initial values, USER32.dll as the only
// import, and the version resource. Tampered copies of the file show that
// the checker rejects what it should.
//
//   pe_check_test PATH\TO\Quorlin.dll [gtest flags]
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pe_image.h"
#include "test_support.h"

namespace {

using pecheck::PeImage;
using namespace pecheck_test;

class QuorlinImageTest : public FileUnderTestImage {};

TEST_F(QuorlinImageTest, IsA32BitI386Dll) {
  EXPECT_EQ(image.machine, 0x014C);
  EXPECT_NE(image.characteristics & 0x2000, 0);
  EXPECT_EQ(image.optionalHeaderMagic, 0x010B);
}

TEST_F(QuorlinImageTest, ExportsSixUndecoratedNamesAtFixedOrdinals) {
  std::vector<std::pair<uint32_t, std::string>> exports;
  for (const pecheck::Export& entry : image.namedExports) {
    EXPECT_NE(entry.rva, 0u) << entry.name;
    exports.emplace_back(entry.ordinal, entry.name);
  }
  std::sort(exports.begin(), exports.end());
  const std::vector<std::pair<uint32_t, std::string>> expected = {
      {1, "WEP"},
      {2, "InitCaptionHookDll"},
      {3, "InstallCaptionWndProcFilter"},
      {4, "UnInstallCaptionWndProcFilter"},
      {5, "CallWndProcFunc"},
      {6, "SetMaxCaptionWidth"}};
  EXPECT_EQ(exports, expected);
  EXPECT_EQ(image.exportedFunctionCount, 6u);  // no export by ordinal only
}

TEST_F(QuorlinImageTest, SharedSectionHoldsTheInitialState) {
  const pecheck::Section* shared = image.FindSection("SHARDATA");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->virtualSize, 12u);
  EXPECT_GE(shared->rawSize, 12u);
  EXPECT_EQ(shared->characteristics, 0xD0000040u);
  EXPECT_EQ(pecheck::SectionData(FileUnderTest(), *shared, 12),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  for (const pecheck::Section& section : image.sections) {
    if (&section != shared) {
      EXPECT_EQ(section.characteristics & 0x10000000u, 0u) << section.name;
    }
  }
}

TEST_F(QuorlinImageTest, ImportsFromUser32Alone) {
  ASSERT_EQ(image.imports.size(), 1u);
  EXPECT_STRCASEEQ(image.imports[0].dll.c_str(), "USER32.dll");
  EXPECT_FALSE(image.imports[0].functions.empty());
  EXPECT_FALSE(image.hasDelayImports);
}

TEST_F(QuorlinImageTest, CarriesAVersionResource) {
  EXPECT_GE(image.versionResource.size(), 92u);  // header, key and VS_FIXEDFILEINFO
}

TEST_F(QuorlinImageTest, PassesTheWholeCheck) {
  std::vector<std::string> problems = pecheck::QuorlinImageProblems(FileUnderTest());
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

// Tampered copies.

const Tampering kTamperings[] = {
    {"SharedFlagCleared",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       const pecheck::Section* shared = image.FindSection("SHARDATA");
       Put32(bytes, shared->headerOffset + 36, shared->characteristics & ~0x10000000u);
     },
     "SHARDATA characteristics are 0xC0000040"},
    {"SharedSectionGrown",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       Put32(bytes, image.FindSection("SHARDATA")->headerOffset + 8, 16);
     },
     "SHARDATA holds 16 bytes"},
    {"WidthLimitStoredAsZero",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       Put32(bytes, image.FindSection("SHARDATA")->rawPointer + 8, 0);
     },
     "SHARDATA does not start with"},
    {"OtherSectionShared",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       const pecheck::Section* text = image.FindSection(".text");
       Put32(bytes, text->headerOffset + 36, text->characteristics | 0x10000000u);
     },
     "section .text is shared too"},
    {"RunTimeLibraryImport",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, "USER32.dll", "msvcrt.dll");
     },
     "imports from the run-time library msvcrt.dll"},
    {"OtherDllImport",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, "USER32.dll", "GDI32.dll");
     },
     "imports from GDI32.dll"},
    {"DecoratedExportName",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, std::string("CallWndProcFunc\0", 16), "CallWndProc@12");
     },
     "unexpected export CallWndProc@12"},
    {"OrdinalsShifted",
     [](std::vector<uint8_t>& bytes, const PeImage& image) {
       Put32(bytes, image.exportDirectoryOffset + 16, 2);
     },
     "export WEP has ordinal 2, not 1"},
    {"NotMarkedDll",
     [](std::vector<uint8_t>& bytes, const PeImage&) { bytes[PeHeader(bytes) + 23] &= ~0x20; },
     "the DLL flag is not set"},
    {"Amd64Machine",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       bytes[PeHeader(bytes) + 4] = 0x64;
       bytes[PeHeader(bytes) + 5] = 0x86;
     },
     "machine is 0x8664"},
    {"VersionResourceDamaged",
     [](std::vector<uint8_t>& bytes, const PeImage&) {
       Overwrite(bytes, Wide("VS_VERSION_INFO"), Wide("VS_VERSION_INFX"));
     },
     "the version resource's key is \"VS_VERSION_INFX\""},
    {"Truncated", [](std::vector<uint8_t>& bytes, const PeImage&) { bytes.resize(0x300); },
     "not a readable PE image"},
};

class TamperedImageTest : public QuorlinImageTest,
                          public ::testing::WithParamInterface<Tampering> {};

TEST_P(TamperedImageTest, IsRejected) {
  ExpectRejected(GetParam(), image, pecheck::QuorlinImageProblems);
}

INSTANTIATE_TEST_SUITE_P(Cases, TamperedImageTest, ::testing::ValuesIn(kTamperings), TamperingName);

}  // namespace

int main(int argc, char** argv) { return pecheck_test::RunChecksOn("Quorlin.dll", argc, argv); }
