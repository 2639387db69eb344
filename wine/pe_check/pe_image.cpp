// Reads the headers and tables of a 32-bit PE file from its bytes, with a
// bounds check on every read, and judges the caption hook library's and the
// uninstaller's files.
#include "pe_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace pecheck {

namespace {

const uint16_t kMachineI386 = 0x014C;
const uint16_t kFileDll = 0x2000;
const uint16_t kFileExecutableImage = 0x0002;
const uint16_t kSubsystemWindowsGui = 2;
const uint32_t kResourceManifest = 24;
const uint32_t kProcessManifestId = 1;  // the one a program's loader reads
const uint16_t kPe32Magic = 0x010B;
const uint32_t kSharedSectionFlags = 0xD0000040;  // initialised data, shared, read, write
const uint32_t kSectionShared = 0x10000000;
const uint32_t kResourceVersion = 16;
const uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

enum DataDirectory { kExportTable = 0, kImportTable = 1, kResourceTable = 2, kDelayImports = 13 };

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& file) : file_(file) {}

  void Need(uint64_t offset, uint64_t count, const char* what) const {
    if (offset + count > file_.size()) {
      throw PeFormatError(std::string(what) + " lies outside the file");
    }
  }
  uint8_t U8(uint64_t offset, const char* what) const {
    Need(offset, 1, what);
    return file_[offset];
  }
  uint16_t U16(uint64_t offset, const char* what) const {
    Need(offset, 2, what);
    return static_cast<uint16_t>(file_[offset] | file_[offset + 1] << 8);
  }
  uint32_t U32(uint64_t offset, const char* what) const {
    Need(offset, 4, what);
    return static_cast<uint32_t>(file_[offset]) | static_cast<uint32_t>(file_[offset + 1]) << 8 |
           static_cast<uint32_t>(file_[offset + 2]) << 16 |
           static_cast<uint32_t>(file_[offset + 3]) << 24;
  }
  std::string String(uint64_t offset, const char* what) const {
    std::string text;
    for (uint64_t at = offset;; ++at) {
      char c = static_cast<char>(U8(at, what));
      if (c == '\0') return text;
      if (text.size() >= 512) throw PeFormatError(std::string(what) + " is not terminated");
      text += c;
    }
  }

 private:
  const std::vector<uint8_t>& file_;
};

class ImageReader {
 public:
  ImageReader(const std::vector<uint8_t>& file, const PeImage& image)
      : reader_(file), image_(image) {}

  const Reader& Bytes() const { return reader_; }

  uint32_t Offset(uint32_t rva, const char* what) const {
    for (const Section& section : image_.sections) {
      uint32_t span = std::max(section.virtualSize, section.rawSize);
      if (rva >= section.virtualAddress && rva - section.virtualAddress < span) {
        uint32_t delta = rva - section.virtualAddress;
        if (delta >= section.rawSize) break;
        return section.rawPointer + delta;
      }
    }
    throw PeFormatError(std::string(what) + " has no bytes in the file");
  }
  uint32_t U16At(uint32_t rva, const char* what) const {
    return reader_.U16(Offset(rva, what), what);
  }
  uint32_t U32At(uint32_t rva, const char* what) const {
    return reader_.U32(Offset(rva, what), what);
  }
  std::string StringAt(uint32_t rva, const char* what) const {
    return reader_.String(Offset(rva, what), what);
  }

 private:
  Reader reader_;
  const PeImage& image_;
};

void ReadExports(const ImageReader& in, uint32_t rva, PeImage& image) {
  image.exportDirectoryOffset = in.Offset(rva, "export directory");
  uint32_t base = in.U32At(rva + 16, "export ordinal base");
  uint32_t functionCount = in.U32At(rva + 20, "export function count");
  uint32_t nameCount = in.U32At(rva + 24, "export name count");
  uint32_t functions = in.U32At(rva + 28, "export address table");
  uint32_t names = in.U32At(rva + 32, "export name table");
  uint32_t ordinals = in.U32At(rva + 36, "export ordinal table");
  if (functionCount > 0x10000 || nameCount > functionCount) {
    throw PeFormatError("export table counts are implausible");
  }
  image.exportedFunctionCount = functionCount;
  for (uint32_t i = 0; i < nameCount; ++i) {
    Export entry;
    entry.name = in.StringAt(in.U32At(names + 4 * i, "export name"), "export name");
    uint32_t index = in.U16At(ordinals + 2 * i, "export ordinal");
    if (index >= functionCount) throw PeFormatError("export ordinal outside the address table");
    entry.ordinal = base + index;
    entry.rva = in.U32At(functions + 4 * index, "export address");
    image.namedExports.push_back(entry);
  }
}

void ReadImports(const ImageReader& in, uint32_t rva, PeImage& image) {
  for (uint32_t descriptor = rva;; descriptor += 20) {
    if (image.imports.size() > 256) throw PeFormatError("import table is not terminated");
    uint32_t lookup = in.U32At(descriptor, "import lookup table");
    uint32_t name = in.U32At(descriptor + 12, "import name");
    uint32_t thunks = in.U32At(descriptor + 16, "import address table");
    if (name == 0 && lookup == 0 && thunks == 0) return;
    Import entry;
    entry.descriptorOffset = in.Offset(descriptor, "import descriptor");
    entry.dll = in.StringAt(name, "imported DLL name");
    uint32_t table = lookup != 0 ? lookup : thunks;
    for (uint32_t slot = table;; slot += 4) {
      if (entry.functions.size() > 4096) throw PeFormatError("import thunks are not terminated");
      uint32_t thunk = in.U32At(slot, "import thunk");
      if (thunk == 0) break;
      if (thunk & 0x80000000u) {
        entry.functions.push_back("#" + std::to_string(thunk & 0xFFFF));
      } else {
        entry.functions.push_back(in.StringAt(thunk + 2, "imported function name"));
      }
    }
    image.imports.push_back(entry);
  }
}

// Every leaf of the three-level resource tree (type, name, language). The
// levels are fixed, so a loop in the directory offsets cannot recurse; the
// entry count is capped so a forged count cannot make the walk run long.
void ReadResources(const ImageReader& in, uint32_t rva, PeImage& image) {
  const Reader& bytes = in.Bytes();
  const uint32_t root = in.Offset(rva, "resource directory");
  uint32_t visited = 0;
  auto entries = [&](uint32_t directory) {
    uint32_t count = bytes.U16(directory + 12, "resource directory") +
                     bytes.U16(directory + 14, "resource directory");
    visited += count;
    if (visited > 4096) throw PeFormatError("resource tree has implausibly many entries");
    return count;
  };
  auto subdirectory = [&](uint32_t target) { return root + (target & 0x7FFFFFFFu); };

  for (uint32_t t = 0, types = entries(root); t < types; ++t) {
    uint32_t typeEntry = root + 16 + 8 * t;
    uint32_t typeTarget = bytes.U32(typeEntry + 4, "resource entry");
    if ((typeTarget & 0x80000000u) == 0) continue;  // a type must hold names
    uint32_t names = subdirectory(typeTarget);
    for (uint32_t n = 0, nameCount = entries(names); n < nameCount; ++n) {
      uint32_t nameEntry = names + 16 + 8 * n;
      uint32_t nameTarget = bytes.U32(nameEntry + 4, "resource entry");
      if ((nameTarget & 0x80000000u) == 0) continue;
      uint32_t languages = subdirectory(nameTarget);
      for (uint32_t l = 0, languageCount = entries(languages); l < languageCount; ++l) {
        uint32_t languageEntry = languages + 16 + 8 * l;
        uint32_t leaf = bytes.U32(languageEntry + 4, "resource entry");
        if (leaf & 0x80000000u) continue;  // a fourth level is not a resource
        Resource resource;
        resource.type = bytes.U32(typeEntry, "resource entry");
        resource.id = bytes.U32(nameEntry, "resource entry");
        resource.language = bytes.U32(languageEntry, "resource entry");
        resource.typeEntryOffset = typeEntry;
        resource.idEntryOffset = nameEntry;
        uint32_t dataRva = bytes.U32(root + leaf, "resource data entry");
        uint32_t size = bytes.U32(root + leaf + 4, "resource data entry");
        uint32_t offset = in.Offset(dataRva, "resource data");
        bytes.Need(offset, size, "resource data");
        for (uint32_t i = 0; i < size; ++i) resource.data.push_back(bytes.U8(offset + i, "data"));
        image.resources.push_back(std::move(resource));
      }
    }
  }
}

uint32_t Align4(uint32_t offset) { return (offset + 3) & ~3u; }

// A NUL-terminated UTF-16 string from `at` on, as UTF-8; `at` ends past the
// NUL. Without a NUL before `end`, the string runs to `end` when that is
// allowed and is an error otherwise.
std::string WideString(const Reader& bytes, uint32_t& at, uint32_t end, bool mayRunToEnd) {
  std::string text;
  for (;;) {
    if (at + 2 > end) {
      if (mayRunToEnd) return text;
      throw PeFormatError("version key is not terminated inside its block");
    }
    uint32_t unit = bytes.U16(at, "version string");
    at += 2;
    if (unit == 0) return text;
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else if (unit < 0x800) {
      text += static_cast<char>(0xC0 | unit >> 6);
      text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | unit >> 12);
      text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
}

// One node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, the key,
// then the value and the children, each aligned to 4 bytes.
struct VersionBlock {
  uint32_t end = 0;
  uint32_t valueLength = 0;
  uint32_t valueStart = 0;
  std::string key;
};

VersionBlock ReadVersionBlock(const Reader& bytes, uint32_t start, uint32_t limit) {
  VersionBlock block;
  uint32_t length = bytes.U16(start, "version block");
  if (length < 6 || start + length > limit) {
    throw PeFormatError("version block length runs outside its parent");
  }
  block.end = start + length;
  block.valueLength = bytes.U16(start + 2, "version block");
  uint32_t at = start + 6;
  block.key = WideString(bytes, at, block.end, false);
  block.valueStart = Align4(at);
  return block;
}

// Calls `visit` for each child block between `first` and `end`.
template <typename Visit>
void ForEachChild(const Reader& bytes, uint32_t first, uint32_t end, Visit visit) {
  for (uint32_t at = first; at + 6 <= end;) {
    VersionBlock child = ReadVersionBlock(bytes, at, end);
    visit(child);
    at = Align4(child.end);
  }
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Parses the file and checks what both shipped files are: i386 PE32 images.
// False when the rest cannot be checked; `problems` then says why.
bool ReadI386Image(const std::vector<uint8_t>& file, PeImage& image,
                   std::vector<std::string>& problems) {
  try {
    image = ParsePeImage(file);
  } catch (const PeFormatError& error) {
    problems.push_back(std::string("not a readable PE image: ") + error.what());
    return false;
  }
  if (image.machine != kMachineI386) {
    problems.push_back("machine is " + Hex(image.machine) + ", not i386 (0x14C)");
  }
  if (image.optionalHeaderMagic != kPe32Magic) {
    problems.push_back("optional header magic is " + Hex(image.optionalHeaderMagic) + ", not PE32");
    return false;
  }
  return true;
}

// Reads the version resource and adds a problem unless it is a
// VS_VERSION_INFO block with fixed file information naming a file version.
// False when there is none or it cannot be read.
bool ReadVersionResource(const PeImage& image, std::vector<std::string>& problems,
                         VersionInfo* out = nullptr) {
  if (image.versionResource.empty()) {
    problems.push_back("no version resource");
    return false;
  }
  VersionInfo version;
  try {
    version = ParseVersionInfo(image.versionResource);
  } catch (const PeFormatError& error) {
    problems.push_back(std::string("the version resource is malformed: ") + error.what());
    return false;
  }
  if (version.rootKey != "VS_VERSION_INFO") {
    problems.push_back("the version resource's key is \"" + version.rootKey + "\"");
  }
  if (!version.hasFixedInfo || (version.fileVersionMS | version.fileVersionLS) == 0) {
    problems.push_back("no fixed file information with a file version");
  }
  if (out) *out = version;
  return true;
}

}  // namespace

const Section* PeImage::FindSection(const std::string& name) const {
  for (const Section& section : sections) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

const Resource* PeImage::FindResource(uint32_t type, uint32_t id) const {
  for (const Resource& resource : resources) {
    if (resource.type == type && resource.id == id) return &resource;
  }
  return nullptr;
}

PeImage ParsePeImage(const std::vector<uint8_t>& file) {
  Reader bytes(file);
  PeImage image;
  if (bytes.U16(0, "DOS header") != 0x5A4D) throw PeFormatError("no MZ signature");
  uint32_t pe = bytes.U32(0x3C, "PE header offset");
  if (bytes.U32(pe, "PE signature") != 0x00004550) throw PeFormatError("no PE signature");
  image.machine = bytes.U16(pe + 4, "machine");
  uint16_t sectionCount = bytes.U16(pe + 6, "section count");
  uint16_t optionalSize = bytes.U16(pe + 20, "optional header size");
  image.characteristics = bytes.U16(pe + 22, "file characteristics");
  uint32_t optional = pe + 24;
  image.optionalHeaderMagic = bytes.U16(optional, "optional header");
  if (image.optionalHeaderMagic != kPe32Magic) return image;  // the tables below are PE32 only
  image.subsystem = bytes.U16(optional + 68, "subsystem");

  uint32_t directoryCount = bytes.U32(optional + 92, "data directory count");
  auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
    rva = size = 0;
    if (index >= directoryCount || 96 + 8 * (index + 1) > optionalSize) return;
    rva = bytes.U32(optional + 96 + 8 * index, "data directory");
    size = bytes.U32(optional + 100 + 8 * index, "data directory");
  };

  uint32_t table = optional + optionalSize;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    uint32_t header = table + 40 * i;
    Section section;
    for (uint32_t c = 0; c < 8; ++c) {
      char ch = static_cast<char>(bytes.U8(header + c, "section name"));
      if (ch == '\0') break;
      section.name += ch;
    }
    section.virtualSize = bytes.U32(header + 8, "section header");
    section.virtualAddress = bytes.U32(header + 12, "section header");
    section.rawSize = bytes.U32(header + 16, "section header");
    section.rawPointer = bytes.U32(header + 20, "section header");
    section.characteristics = bytes.U32(header + 36, "section header");
    section.headerOffset = header;
    if (section.rawSize != 0) bytes.Need(section.rawPointer, section.rawSize, "section data");
    image.sections.push_back(section);
  }

  ImageReader in(file, image);
  uint32_t rva, size;
  directory(kExportTable, rva, size);
  if (rva != 0) ReadExports(in, rva, image);
  directory(kImportTable, rva, size);
  if (rva != 0) ReadImports(in, rva, image);
  directory(kDelayImports, rva, size);
  image.hasDelayImports = rva != 0;
  directory(kResourceTable, rva, size);
  if (rva != 0) ReadResources(in, rva, image);
  for (const Resource& resource : image.resources) {
    if (resource.type == kResourceVersion) {
      image.versionResource = resource.data;
      break;
    }
  }
  return image;
}

std::vector<uint8_t> SectionData(const std::vector<uint8_t>& file, const Section& section,
                                 size_t count) {
  size_t available = std::min<size_t>(count, section.rawSize);
  if (section.rawPointer + available > file.size()) return {};
  return std::vector<uint8_t>(file.begin() + section.rawPointer,
                              file.begin() + section.rawPointer + available);
}

VersionInfo ParseVersionInfo(const std::vector<uint8_t>& data) {
  const Reader bytes(data);
  const uint32_t size = static_cast<uint32_t>(data.size());
  VersionInfo info;
  VersionBlock root = ReadVersionBlock(bytes, 0, size);
  info.rootKey = root.key;
  const uint32_t fixedInfoSize = 52;  // sizeof(VS_FIXEDFILEINFO)
  if (root.valueLength >= fixedInfoSize && root.valueStart + fixedInfoSize <= root.end) {
    info.hasFixedInfo = bytes.U32(root.valueStart, "fixed file info") == kFixedFileInfoSignature;
    info.fileVersionMS = bytes.U32(root.valueStart + 8, "fixed file info");
    info.fileVersionLS = bytes.U32(root.valueStart + 12, "fixed file info");
  }
  ForEachChild(
      bytes, Align4(root.valueStart + root.valueLength), root.end,
      [&](const VersionBlock& fileInfo) {
        if (fileInfo.key != "StringFileInfo") return;
        ForEachChild(bytes, fileInfo.valueStart, fileInfo.end, [&](const VersionBlock& table) {
          ForEachChild(bytes, table.valueStart, table.end, [&](const VersionBlock& entry) {
            uint32_t at = entry.valueStart;
            info.strings[entry.key] = WideString(bytes, at, entry.end, true);
          });
        });
      });
  return info;
}

std::vector<std::string> RequestedExecutionLevels(const std::string& manifest) {
  std::vector<std::string> levels;
  const std::string element = "<requestedExecutionLevel";
  for (size_t at = manifest.find(element); at != std::string::npos;
       at = manifest.find(element, at + 1)) {
    const std::string tag = manifest.substr(at, manifest.find('>', at) - at);
    std::string level;
    for (size_t attribute = tag.find("level="); attribute != std::string::npos;
         attribute = tag.find("level=", attribute + 1)) {
      if (!std::isspace(static_cast<unsigned char>(tag[attribute - 1]))) continue;  // uiLevel=...
      size_t quote = attribute + 6;
      if (quote >= tag.size() || (tag[quote] != '"' && tag[quote] != '\'')) continue;
      size_t close = tag.find(tag[quote], quote + 1);
      if (close == std::string::npos) continue;
      level = tag.substr(quote + 1, close - quote - 1);
      break;
    }
    levels.push_back(level);
  }
  return levels;
}

bool IsRunTimeLibrary(const std::string& dll) {
  const std::string name = Lower(dll);
  const char* const prefixes[] = {"msvcrt",    "msvcp",        "msvcr",          "ucrtbase",
                                  "vcruntime", "crtdll",       "api-ms-win-crt", "libgcc",
                                  "libstdc++", "libwinpthread"};
  for (const char* prefix : prefixes) {
    if (StartsWith(name, prefix)) return true;
  }
  return false;
}

std::vector<std::string> QuorlinImageProblems(const std::vector<uint8_t>& file) {
  std::vector<std::string> problems;
  PeImage image;
  if (!ReadI386Image(file, image, problems)) return problems;
  if ((image.characteristics & kFileDll) == 0) problems.push_back("the DLL flag is not set");

  // Exports: these six, at these ordinals, undecorated, and nothing else.
  const char* const expected[] = {"WEP",
                                  "InitCaptionHookDll",
                                  "InstallCaptionWndProcFilter",
                                  "UnInstallCaptionWndProcFilter",
                                  "CallWndProcFunc",
                                  "SetMaxCaptionWidth"};
  if (image.exportedFunctionCount != 6) {
    problems.push_back("the export address table has " +
                       std::to_string(image.exportedFunctionCount) + " entries, not 6");
  }
  for (uint32_t ordinal = 1; ordinal <= 6; ++ordinal) {
    const std::string name = expected[ordinal - 1];
    auto found = std::find_if(image.namedExports.begin(), image.namedExports.end(),
                              [&](const Export& entry) { return entry.name == name; });
    if (found == image.namedExports.end()) {
      problems.push_back("export " + name + " is missing");
    } else if (found->ordinal != ordinal) {
      problems.push_back("export " + name + " has ordinal " + std::to_string(found->ordinal) +
                         ", not " + std::to_string(ordinal));
    } else if (found->rva == 0) {
      problems.push_back("export " + name + " has no address");
    }
  }
  for (const Export& entry : image.namedExports) {
    if (std::find(std::begin(expected), std::end(expected), entry.name) == std::end(expected)) {
      problems.push_back("unexpected export " + entry.name);
    }
  }

  // The shared section.
  int sharedDataCount = 0;
  for (const Section& section : image.sections) {
    if (section.name == "SHARDATA") {
      ++sharedDataCount;
    } else if (section.characteristics & kSectionShared) {
      problems.push_back("section " + section.name + " is shared too");
    }
  }
  if (sharedDataCount != 1) {
    problems.push_back(std::to_string(sharedDataCount) + " sections named SHARDATA, not 1");
  }
  if (const Section* shared = image.FindSection("SHARDATA")) {
    if (shared->virtualSize != 12) {
      problems.push_back("SHARDATA holds " + std::to_string(shared->virtualSize) +
                         " bytes, not 12");
    }
    if (shared->characteristics != kSharedSectionFlags) {
      problems.push_back("SHARDATA characteristics are " + Hex(shared->characteristics) +
                         ", not 0xD0000040");
    }
    const std::vector<uint8_t> initial = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    if (SectionData(file, *shared, 12) != initial) {
      problems.push_back("SHARDATA does not start with 00000000 00000000 FFFFFFFF");
    }
  }

  // Imports: USER32.dll alone.
  for (const Import& entry : image.imports) {
    if (IsRunTimeLibrary(entry.dll)) {
      problems.push_back("imports from the run-time library " + entry.dll);
    } else if (Lower(entry.dll) != "user32.dll") {
      problems.push_back("imports from " + entry.dll);
    }
  }
  if (image.imports.size() != 1) {
    problems.push_back(std::to_string(image.imports.size()) + " imported DLLs, not 1");
  }
  if (image.hasDelayImports) problems.push_back("has delay-load imports");

  ReadVersionResource(image, problems);
  return problems;
}

std::vector<std::string> UninstallerImageProblems(const std::vector<uint8_t>& file) {
  std::vector<std::string> problems;
  PeImage image;
  if (!ReadI386Image(file, image, problems)) return problems;
  if (image.characteristics & kFileDll) problems.push_back("the DLL flag is set");
  if ((image.characteristics & kFileExecutableImage) == 0) {
    problems.push_back("not marked as an executable image");
  }
  if (image.subsystem != kSubsystemWindowsGui) {
    problems.push_back("subsystem is " + std::to_string(image.subsystem) +
                       ", not the Windows GUI (2)");
  }

  // Imports: Windows' own DLLs only, so the program runs on a bare system.
  const char* const systemDlls[] = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll",
                                    "msvcrt.dll"};
  for (const Import& entry : image.imports) {
    const std::string name = Lower(entry.dll);
    if (std::find(std::begin(systemDlls), std::end(systemDlls), name) != std::end(systemDlls)) {
      continue;
    }
    if (StartsWith(name, "libgcc") || StartsWith(name, "libstdc++") ||
        StartsWith(name, "libwinpthread")) {
      problems.push_back("imports " + entry.dll + ", a compiler run-time DLL that Windows lacks");
    } else {
      problems.push_back("imports from " + entry.dll + ", not a Windows system DLL it may use");
    }
  }
  if (image.hasDelayImports) problems.push_back("has delay-load imports");

  // The manifest that keeps installer detection from asking for elevation.
  if (const Resource* manifest = image.FindResource(kResourceManifest, kProcessManifestId)) {
    const std::vector<std::string> levels =
        RequestedExecutionLevels(std::string(manifest->data.begin(), manifest->data.end()));
    if (levels.empty()) problems.push_back("the manifest has no requestedExecutionLevel");
    for (const std::string& level : levels) {
      if (level != "asInvoker") {
        problems.push_back("the manifest requests level \"" + level + "\", not \"asInvoker\"");
      }
    }
  } else {
    problems.push_back("no application manifest (resource type 24, id 1)");
  }

  // The version resource: product, description, version.
  VersionInfo version;
  if (!ReadVersionResource(image, problems, &version)) return problems;
  auto text = [&](const char* key) {
    auto found = version.strings.find(key);
    return found == version.strings.end() ? std::string() : found->second;
  };
  if (text("ProductName") != "Tavrin") {
    problems.push_back("product name is \"" + text("ProductName") + "\", not \"Tavrin\"");
  }
  for (const char* key : {"FileDescription", "FileVersion"}) {
    if (text(key).empty()) problems.push_back(std::string("no ") + key + " string");
  }
  return problems;
}

}  // namespace pecheck
