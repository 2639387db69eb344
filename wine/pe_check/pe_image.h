// A small reader of 32-bit PE images, working on the file's bytes alone (no
// loader involved), and the checks that the caption hook library's file has
// to pass: machine and DLL flag, the export table, the shared "SHARDATA"
// section, USER32.dll as the one import, and a version resource.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pecheck {

// A file that is not a well-formed PE image, or has a table that points
// outside it.
struct PeFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Section {
  std::string name;
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawPointer = 0;
  uint32_t characteristics = 0;
  uint32_t headerOffset = 0;  // file offset of this section's header
};

struct Export {
  std::string name;
  uint32_t ordinal = 0;  // biased, as callers use it
  uint32_t rva = 0;
};

struct Import {
  std::string dll;
  std::vector<std::string> functions;  // "#n" for an import by ordinal
};

struct PeImage {
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint16_t optionalHeaderMagic = 0;
  std::vector<Section> sections;
  uint32_t exportDirectoryOffset = 0;  // file offset, 0 when there is no export table
  uint32_t exportedFunctionCount = 0;  // slots in the export address table
  std::vector<Export> namedExports;
  std::vector<Import> imports;
  bool hasDelayImports = false;
  std::vector<uint8_t> versionResource;  // the RT_VERSION data, empty when none

  const Section* FindSection(const std::string& name) const;
};

PeImage ParsePeImage(const std::vector<uint8_t>& file);

// The bytes a section stores in the file, at most `count` of them.
std::vector<uint8_t> SectionData(const std::vector<uint8_t>& file, const Section& section,
                                 size_t count);

bool IsRunTimeLibrary(const std::string& dll);

// What is wrong with a file meant to be Quorlin.dll; empty when nothing is.
std::vector<std::string> QuorlinImageProblems(const std::vector<uint8_t>& file);

}  // namespace pecheck
