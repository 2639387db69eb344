// A small reader of 32-bit PE images, working on the file's bytes alone (no
// loader involved), and the checks the two shipped files have to pass: the
// caption hook library (machine and DLL flag, the export table, the shared
// "SHARDATA" section, USER32.dll as the one import, a version resource) and
// the uninstaller (a GUI program importing Windows system DLLs only, with an
// asInvoker manifest and a version resource naming the product).
#pragma once

#include <cstdint>
#include <map>
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
  uint32_t descriptorOffset = 0;       // file offset of its import descriptor
};

// One leaf of the resource tree: type, then name, then language.
struct Resource {
  uint32_t type = 0;  // the entry's name field: an id, or a string offset with the top bit set
  uint32_t id = 0;    // likewise
  uint32_t language = 0;
  uint32_t typeEntryOffset = 0;  // file offsets of the directory entries naming type and id
  uint32_t idEntryOffset = 0;
  std::vector<uint8_t> data;
};

struct PeImage {
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint16_t optionalHeaderMagic = 0;
  uint16_t subsystem = 0;
  std::vector<Section> sections;
  uint32_t exportDirectoryOffset = 0;  // file offset, 0 when there is no export table
  uint32_t exportedFunctionCount = 0;  // slots in the export address table
  std::vector<Export> namedExports;
  std::vector<Import> imports;
  bool hasDelayImports = false;
  std::vector<Resource> resources;
  std::vector<uint8_t> versionResource;  // the first RT_VERSION data, empty when none

  const Section* FindSection(const std::string& name) const;
  // The first language of the resource with this integer type and id.
  const Resource* FindResource(uint32_t type, uint32_t id) const;
};

// What a VS_VERSIONINFO block says: its fixed file information and the
// strings of its StringFileInfo tables (UTF-16 read as UTF-8).
struct VersionInfo {
  std::string rootKey;
  bool hasFixedInfo = false;  // VS_FIXEDFILEINFO present with its signature
  uint32_t fileVersionMS = 0;
  uint32_t fileVersionLS = 0;
  std::map<std::string, std::string> strings;
};

// Throws PeFormatError when a block's length runs past its parent or a key is
// not terminated inside its block.
VersionInfo ParseVersionInfo(const std::vector<uint8_t>& block);

// The level="..." of each requestedExecutionLevel element in a manifest.
std::vector<std::string> RequestedExecutionLevels(const std::string& manifest);

PeImage ParsePeImage(const std::vector<uint8_t>& file);

// The bytes a section stores in the file, at most `count` of them.
std::vector<uint8_t> SectionData(const std::vector<uint8_t>& file, const Section& section,
                                 size_t count);

bool IsRunTimeLibrary(const std::string& dll);

// What is wrong with a file meant to be Quorlin.dll; empty when nothing is.
std::vector<std::string> QuorlinImageProblems(const std::vector<uint8_t>& file);

// What is wrong with a file meant to be uninstaller.exe; empty when nothing is.
std::vector<std::string> UninstallerImageProblems(const std::vector<uint8_t>& file);

}  // namespace pecheck
