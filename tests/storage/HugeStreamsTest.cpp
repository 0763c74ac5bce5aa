#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <numeric>
#include <utility>
#include <vector>

#include "storage/StorageTestSupport.h"
#include "storage/HugeStreams.h"

namespace kivrano {
namespace {

using namespace kivrano::testing;

Bytes Contents(TMemoryStream64& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }

TEST(MemoryStream64, GrowsInCapacityStepsAndZeroFillsGaps) {
  TMemoryStream64 s;
  s.WriteBuffer("abc", 3);
  EXPECT_EQ(s.Capacity() % 8192, 0);
  EXPECT_GE(s.Capacity(), 8192);
  s.SetPosition(10);
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.Size(), 11);
  EXPECT_EQ(Contents(s), (Bytes{'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 'z'}));
  s.SetSize(20000);
  EXPECT_EQ(s.Capacity(), 24576);
  EXPECT_EQ(s.Memory()[19999], 0);
}

TEST(MemoryStream64, ShrinkingBelowPositionMovesPositionToEnd) {
  TMemoryStream64 s;
  Bytes data = Pattern(100, 1);
  s.WriteBuffer(data.data(), 100);
  EXPECT_EQ(s.Position(), 100);
  s.SetSize(40);
  EXPECT_EQ(s.Position(), 40);
  uint8_t b;
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Seek(-5, soEnd), 35);
  EXPECT_EQ(s.Read(&b, 1), 1);
  EXPECT_EQ(b, data[35]);
}

TEST(MemoryStream64, TwoGibibytesFail) {
  TMemoryStream64 s;
  EXPECT_EQ(FailureMessage([&] { s.SetSize(int64_t{1} << 31); }), "Out of memory while expanding memory stream");
  s.SetPosition((int64_t{1} << 31) - 1);
  EXPECT_EQ(FailureMessage([&] { s.WriteBuffer("x", 1); }), "Out of memory while expanding memory stream");
  EXPECT_EQ(s.Size(), 0);
}

TEST(CustomMemoryStream64, ReadsAFixedBlockAndRefusesWrites) {
  const char text[] = "hello";
  TCustomMemoryStream64 s(text, 5);
  char out[8] = {};
  EXPECT_EQ(s.Read(out, 8), 5);
  EXPECT_STREQ(out, "hello");
  EXPECT_EQ(s.Read(out, 1), 0);
  EXPECT_EQ(FailureMessage([&] { s.ReadBuffer(out, 1); }), "Stream read error");
  EXPECT_EQ(FailureMessage([&] { s.WriteBuffer(out, 1); }), "Stream write error");
  s.ReadBuffer(out, 0);  // a count of 0 never fails
}

struct ProgressLog {
  std::vector<std::pair<int64_t, int64_t>> calls;
  TStream64::TProgressEvent Handler() {
    return [this](TStream64*, int64_t total, int64_t done) { calls.emplace_back(total, done); };
  }
};

TEST(Stream64Copy, CopyFromWithZeroCountRewindsAndReportsEveryBlock) {
  const Bytes data = Pattern(1200000, 1);
  TMemoryStream64 source;
  source.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  TMemoryStream64 target;
  ProgressLog log;
  target.OnProgress = log.Handler();
  EXPECT_EQ(target.CopyFrom(source, 0), 1200000);
  EXPECT_EQ(Contents(target), data);
  using P = std::pair<int64_t, int64_t>;
  EXPECT_THAT(log.calls, ::testing::ElementsAre(P{1200000, 0}, P{1200000, 524288}, P{1200000, 1048576},
                                                P{1200000, 1200000}));
}

// Any ordinary stream but a plain memory stream, which is copied from and to in place.
class OtherStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
};

TEST(Stream64Copy, OrdinaryStreamsCopyInSixtyKibibyteBlocks) {
  const Bytes data = Pattern(130000, 1);
  OtherStream ordinary(data);
  ordinary.SetPosition(77);  // count 0 copies the whole source regardless of its position
  TMemoryStream64 big;
  ProgressLog log;
  big.OnProgress = log.Handler();
  EXPECT_EQ(big.CopyFromStream(ordinary, 0), 130000);
  EXPECT_EQ(Contents(big), data);
  ASSERT_EQ(log.calls.size(), 4u);
  EXPECT_EQ(log.calls[1].second, 61440);

  OtherStream back;
  big.SetPosition(12345);
  EXPECT_EQ(big.CopyToStream(back, 0), 130000);  // the whole stream from its start
  EXPECT_EQ(back.Bytes(), data);
  big.SetPosition(100);
  TMemoryStream part;
  EXPECT_EQ(big.CopyToStream(part, 10), 10);
  EXPECT_EQ(part.Bytes(), Bytes(data.begin() + 100, data.begin() + 110));
}

TEST(Stream64Copy, MemoryStreamsAreCopiedInPlace) {
  const Bytes data = Pattern(1100000, 2);
  TMemoryStream ordinary(data);
  TMemoryStream64 big;
  ProgressLog log;
  big.OnProgress = log.Handler();
  EXPECT_EQ(big.CopyFromStream(ordinary, 0), 1100000);
  EXPECT_EQ(Contents(big), data);
  EXPECT_EQ(ordinary.Position(), 1100000);
  EXPECT_EQ(log.calls.size(), 4u);  // blocks of 512 KiB
  ordinary.SetPosition(1099990);
  EXPECT_EQ(FailureMessage([&] { big.CopyFromStream(ordinary, 11); }), "Stream read error");
}

TEST(Stream64Copy, CopyToMemoryStreamWritesAtItsPosition) {
  TMemoryStream64 source;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(0);
  TMemoryStream target(Bytes{'a', 'b', 'c', 'd', 'e'});
  target.SetPosition(2);
  EXPECT_EQ(source.CopyToStream(target, 4), 4);
  EXPECT_EQ(target.Bytes(), (Bytes{'a', 'b', '0', '1', '2', '3'}));
  EXPECT_EQ(target.Position(), 6);
  target.SetPosition(1);
  source.CopyToStream(target, 2);  // inside the target: nothing cut off
  EXPECT_EQ(target.Bytes(), (Bytes{'a', '4', '5', '1', '2', '3'}));
  EXPECT_EQ(FailureMessage([&] { source.CopyToStream(target, 100); }), "Stream read error");
  EXPECT_EQ(target.Size(), 6);  // not grown by the failed copy
}

TEST(Stream64Copy, ShortSourceFailsWithReadError) {
  TMemoryStream64 source;
  source.WriteBuffer("abc", 3);
  source.SetPosition(0);
  TMemoryStream64 target;
  EXPECT_EQ(FailureMessage([&] { target.CopyFrom(source, 10); }), "Stream read error");
}

// Moves overlapping ranges larger than one block in both directions and compares with memmove.
TEST(Stream64Copy, MoveBlockHandlesOverlapBothWays) {
  struct Case {
    int64_t count, destination, source;
  };
  const Case cases[] = {{1100000, 0, 1000}, {1100000, 1000, 0}, {600000, 10, 500010}, {5, 3, 3}, {0, 0, 9}};
  for (const Case& c : cases) {
    Bytes expected = Pattern(1200000, 7);
    TMemoryStream64 s;
    s.WriteBuffer(expected.data(), static_cast<int32_t>(expected.size()));
    if (c.count > 0)
      std::memmove(expected.data() + c.destination, expected.data() + c.source, static_cast<size_t>(c.count));
    ProgressLog log;
    s.OnProgress = log.Handler();
    s.MoveBlock(c.count, c.destination, c.source);
    EXPECT_EQ(Contents(s), expected) << c.count << " " << c.destination << " " << c.source;
    if (c.count > 0 && c.source != c.destination) {
      ASSERT_FALSE(log.calls.empty());
      EXPECT_EQ(log.calls.back(), std::make_pair(c.count, c.count));
    } else {
      EXPECT_TRUE(log.calls.empty());
    }
  }
}

class FileStream64Test : public TempDirTest {};

TEST_F(FileStream64Test, SixtyFourBitPositionsAndSizes) {
  const std::string path = Path("big.bin");
  const int64_t far = (int64_t{5} << 30) + 3;  // past 4 GiB; the file stays sparse
  {
    TFileStream64 f(path, fmCreate);
    EXPECT_EQ(f.Seek(far, soBeginning), far);
    f.WriteBuffer("Q", 1);
    EXPECT_EQ(f.Size(), far + 1);
    f.SetSize(far - 1);
    EXPECT_EQ(f.Size(), far - 1);
  }
  TFileStream64 f(path, fmOpenRead);
  EXPECT_EQ(f.Size(), far - 1);
  EXPECT_EQ(f.Seek(-1, soEnd), far - 2);
  uint8_t b = 1;
  f.ReadBuffer(&b, 1);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(FailureMessage([&] { f.WriteBuffer("x", 1); }), "Stream write error");
}

TEST_F(FileStream64Test, OpenAndCreateFailuresNameTheFile) {
  const std::string missing = Path("missing.bin");
  EXPECT_EQ(FailureMessage([&] { TFileStream64 f(missing, fmOpenRead); }), "Cannot open file " + missing);
  const std::string inFolder = Path("no/such/folder.bin");
  EXPECT_EQ(FailureMessage([&] { TFileStream64 f(inFolder, fmCreate); }), "Cannot create file " + inFolder);
  EXPECT_EQ(FailureMessage([&] { TFileStream64 f(dir_.string(), fmOpenRead); }), "Cannot open file " + dir_.string());
}

TEST_F(FileStream64Test, DenyWriteKeepsOtherWritersOut) {
  const std::string path = Path("locked.bin");
  TFileStream64 owner(path, fmCreate, fmShareDenyWrite);
  owner.WriteBuffer("keep", 4);
  EXPECT_EQ(FailureMessage([&] { TFileStream64 f(path, fmOpenReadWrite, fmShareDenyWrite); }), "Cannot open file " + path);
  // Creating would truncate: refused before the file is touched.
  EXPECT_EQ(FailureMessage([&] { TFileStream64 f(path, fmCreate, fmShareDenyWrite); }), "Cannot create file " + path);
  EXPECT_EQ(owner.Size(), 4);
  TFileStream64 reader(path, fmOpenRead, fmShareDenyNone);
  char text[5] = {};
  reader.ReadBuffer(text, 4);
  EXPECT_STREQ(text, "keep");
}

}  // namespace
}  // namespace kivrano
