// Helpers the PE checks' tests share: the file under test, named on the
// command line, editing an in-memory copy of it into a tampered one, and
// running a checker on that copy.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pe_image.h"

namespace pecheck_test {

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) text += "\n  " + problem;
  return text;
}

inline bool AnyMentions(const std::vector<std::string>& problems, const std::string& expected) {
  return std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
    return problem.find(expected) != std::string::npos;
  });
}

// The offset of the one occurrence of `pattern`; npos when it is missing or
// occurs more than once, so an edit never lands on the wrong copy.
inline size_t FindOnce(const std::vector<uint8_t>& bytes, const std::string& pattern) {
  auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  if (at == bytes.end()) return std::string::npos;
  auto again = std::search(at + 1, bytes.end(), pattern.begin(), pattern.end());
  return again == bytes.end() ? static_cast<size_t>(at - bytes.begin()) : std::string::npos;
}

// Replaces the one occurrence of `from` by `to` followed by `fill` bytes.
inline void Overwrite(std::vector<uint8_t>& bytes, const std::string& from, const std::string& to,
                      char fill = '\0') {
  size_t at = FindOnce(bytes, from);
  ASSERT_NE(at, std::string::npos) << "no single occurrence of " << from.c_str();
  ASSERT_LE(to.size(), from.size());
  std::fill(bytes.begin() + at, bytes.begin() + at + from.size(), fill);
  std::copy(to.begin(), to.end(), bytes.begin() + at);
}

inline void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  for (int i = 0; i < 2; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t PeHeader(const std::vector<uint8_t>& bytes) {
  return bytes[0x3C] | bytes[0x3D] << 8 | bytes[0x3E] << 16 | bytes[0x3F] << 24;
}

// ASCII text as the UTF-16LE bytes resources store.
inline std::string Wide(const std::string& text) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

// The file under test: the one argument of the test program.
inline std::string& FileUnderTestPath() {
  static std::string path;
  return path;
}

inline const std::vector<uint8_t>& FileUnderTest() {
  static const std::vector<uint8_t> bytes = ReadFileBytes(FileUnderTestPath());
  return bytes;
}

// The file under test, parsed before each test.
class FileUnderTestImage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(FileUnderTest().empty()) << "cannot read " << FileUnderTestPath();
    ASSERT_NO_THROW(image = pecheck::ParsePeImage(FileUnderTest()));
  }
  pecheck::PeImage image;
};

// An edit that spoils the file, and a problem the checker must then report.
struct Tampering {
  const char* name;
  void (*apply)(std::vector<uint8_t>& bytes, const pecheck::PeImage& image);
  const char* expectedProblem;
};

inline std::string TamperingName(const ::testing::TestParamInfo<Tampering>& info) {
  return info.param.name;
}

using Checker = std::vector<std::string> (*)(const std::vector<uint8_t>& file);

// Tampers with a copy of the file and expects `check` to name the problem.
inline void ExpectRejected(const Tampering& tampering, const pecheck::PeImage& image,
                           Checker check) {
  std::vector<uint8_t> copy = FileUnderTest();
  tampering.apply(copy, image);
  if (::testing::Test::HasFailure()) return;  // the edit did not find its place

  std::vector<std::string> problems = check(copy);

  const std::string expected = tampering.expectedProblem;
  EXPECT_TRUE(AnyMentions(problems, expected))
      << "expected \"" << expected << "\", got:" << Joined(problems);
}

// The test program's main: gtest flags, then the path of the file to check.
inline int RunChecksOn(const char* fileName, int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH\\TO\\%s [gtest flags]\n", argv[0], fileName);
    return 2;
  }
  FileUnderTestPath() = argv[1];
  return RUN_ALL_TESTS();
}

}  // namespace pecheck_test
