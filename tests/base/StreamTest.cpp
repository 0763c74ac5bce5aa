#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "base/Stream.h"

namespace kivrano {
namespace {

TEST(MemoryStream, WritesPastEndGrowAndSeekClampsAtZero) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(5);
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Bytes()[3], 0);
  EXPECT_EQ(s.Seek(-100, soCurrent), 0);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 6);
  EXPECT_STREQ(buf, "abc");
}

TEST(MemoryStream, ShortReadBufferFailsWithMessage) {
  TMemoryStream s(std::vector<uint8_t>{1, 2});
  uint8_t buf[4];
  try {
    s.ReadBuffer(buf, 3);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  s.SetPosition(0);
  s.ReadBuffer(buf, 0);  // a count of 0 moves nothing and does not fail
  EXPECT_EQ(s.Position(), 0);
}

TEST(FileStream, RoundTripAndOpenErrors) {
  auto path = (std::filesystem::temp_directory_path() / "kivrano_stream_test.bin").string();
  {
    TFileStream f(path, fmCreate);
    TMemoryStream src(std::vector<uint8_t>(200000, 7));
    EXPECT_EQ(f.CopyFrom(src, 0), 200000);
  }
  TMemoryStream back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.Size(), 200000);
  EXPECT_EQ(back.Bytes()[199999], 7);
  std::remove(path.c_str());
  try {
    TFileStream f(path, fmOpenRead);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
  }
}

}  // namespace
}  // namespace kivrano
