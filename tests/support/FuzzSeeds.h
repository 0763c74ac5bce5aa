#pragma once

// Seed files of the fuzz harnesses that are built in code: a test compares each committed seed with
// the bytes that make it, and rewrites the seeds when KIVRANO_WRITE_SEEDS is set (after the code
// that makes them changed).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kivrano::testing {

inline void CheckFuzzSeed(const std::string& harness, const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path folder = std::filesystem::path(KIVRANO_TEST_DATA) / ".." / ".." / "fuzz" / "corpus" / harness;
  const std::filesystem::path path = folder / name;
  const char* write = std::getenv("KIVRANO_WRITE_SEEDS");
  if (write != nullptr && *write != 0) {
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(stored, bytes) << path << " differs from what makes it; rerun with KIVRANO_WRITE_SEEDS=1";
}

}  // namespace kivrano::testing
