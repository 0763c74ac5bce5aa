#include "storage/StorageTestSupport.h"
#include "storage/SingleFileStorage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/Dialogs.h"

namespace kivrano {
namespace {

using namespace kivrano::testing;

void PutLE(Bytes& out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void SetLE(Bytes& out, size_t at, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// The archive a fresh file becomes after receiving one stream: header, the directory at 14 in a
// 1024-byte reservation, the stream's bytes at 1038.
Bytes SingleStreamArchive(const std::string& name, const Bytes& content) {
  Bytes out = {'S', 'T', 'O', 'R', 1, 0};
  PutLE(out, 14, 8);
  PutLE(out, 1, 4);
  PutLE(out, 1038, 8);
  PutLE(out, content.size(), 8);
  PutLE(out, name.size(), 4);
  out.insert(out.end(), name.begin(), name.end());
  out.resize(1038, 0);
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes ReadAll(TStoreStream& s) {
  TMemoryStream m;
  s.SaveToStream(m);
  return m.Bytes();
}

Bytes ReadNamed(TSingleStorage& storage, const std::string& name) {
  TMemoryStream m;
  storage.ReadStream(name, m);
  return m.Bytes();
}

Bytes StreamBytes(TStream64* s) {
  auto* memory = dynamic_cast<TMemoryStream64*>(s);
  return Bytes(memory->Memory(), memory->Memory() + memory->Size());
}

std::unique_ptr<TMemoryStream64> MemoryOf(const Bytes& bytes) {
  auto m = std::make_unique<TMemoryStream64>();
  if (!bytes.empty()) m->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return m;
}

// An ordinary stream that delivers its first `good` bytes and then fails, as a disk or network
// source might in the middle of a copy.
class FailingSource : public TMemoryStream {
 public:
  FailingSource(std::vector<uint8_t> bytes, int64_t good) : TMemoryStream(std::move(bytes)), good_(good) {}
  int32_t Read(void* buffer, int32_t count) override {
    int64_t position = Position();
    if (position >= good_) return 0;
    return TMemoryStream::Read(buffer, static_cast<int32_t>(std::min<int64_t>(count, good_ - position)));
  }

 private:
  int64_t good_;
};

class StorageTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    previousDialogs_ = SetDialogs(&dialogs_);
  }
  void TearDown() override {
    SetDialogs(previousDialogs_);
    TempDirTest::TearDown();
  }
  Bytes FileBytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  int Add(TSingleStorage& storage, const std::string& name, const Bytes& content) {
    TMemoryStream source(content);
    return storage.AddStream(source, name);
  }

  THeadlessDialogs dialogs_;
  IDialogs* previousDialogs_ = nullptr;
};

TEST_F(StorageTest, FirstStreamInNewFileIsLaidOutExactly) {
  const std::string path = Path("a.hsf");
  const Bytes index = Pattern(300, 1);
  {
    TSingleStorage storage;
    storage.SetFileName(path);
    EXPECT_EQ(Add(storage, "Index.xml", index), 0);
    EXPECT_EQ(storage.FileSize(), 1338);
    EXPECT_EQ(storage.DirectoryPosition(), 14);
    EXPECT_EQ(storage.DirectoryReservation(), 1024);
    EXPECT_EQ(storage.WastedSpace(), 0);
  }
  EXPECT_EQ(FileBytes(path), SingleStreamArchive("Index.xml", index));

  TSingleStorage reopened;
  reopened.SetFileName(path);
  ASSERT_EQ(reopened.StreamCount(), 1);
  EXPECT_EQ(reopened.Streams(0)->Offset(), 1038);
  EXPECT_EQ(ReadNamed(reopened, "Index.xml"), index);
  EXPECT_EQ(reopened.FindStream("index.xml"), nullptr);
  EXPECT_EQ(reopened.Streams(1), nullptr);
  EXPECT_EQ(reopened.Streams(-1), nullptr);
}

// A replacement writes its bytes beside the old ones, switches the directory over and leaves the
// old range as a gap that the next placement reuses and Pack removes.
TEST_F(StorageTest, ReplacementKeepsOldBytesUntilSwitchThenPackCloses) {
  const std::string path = Path("a.hsf");
  const Bytes first = Pattern(300, 1), second = Pattern(200, 2), third = Pattern(250, 3);
  TSingleStorage storage;
  storage.SetFileName(path);
  storage.SetOverwriteMode(omReplace);
  Add(storage, "Index.xml", first);
  EXPECT_EQ(Add(storage, "Index.xml", second), 0);
  EXPECT_EQ(storage.StreamCount(), 1);
  EXPECT_EQ(storage.Streams(0)->Offset(), 1338);
  EXPECT_EQ(storage.FileSize(), 1538);
  EXPECT_EQ(storage.WastedSpace(), 300);
  Bytes expected = SingleStreamArchive("Index.xml", first);
  SetLE(expected, 18, 1338, 8);
  SetLE(expected, 26, 200, 8);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(FileBytes(path), expected);

  Add(storage, "Index.xml", third);  // first fit: the freed range at 1038 holds 250 bytes
  EXPECT_EQ(storage.Streams(0)->Offset(), 1038);
  EXPECT_EQ(storage.FileSize(), 1538);
  EXPECT_EQ(ReadNamed(storage, "Index.xml"), third);

  Add(storage, "Index.xml", second);  // the old range stays occupied: placed after it
  EXPECT_EQ(storage.Streams(0)->Offset(), 1288);
  storage.Pack();
  EXPECT_EQ(storage.FileSize(), 1238);
  EXPECT_EQ(storage.WastedSpace(), 0);
  EXPECT_EQ(FileBytes(path), SingleStreamArchive("Index.xml", second));
}

TEST_F(StorageTest, PackWithNothingToMoveTruncatesOnly) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  Add(storage, "a", Pattern(300, 1));
  storage.Stream()->SetSize(1400);  // trailing garbage
  storage.Pack();
  EXPECT_EQ(StreamBytes(storage.Stream()), SingleStreamArchive("a", Pattern(300, 1)));
}

TEST_F(StorageTest, FailedCopyLeavesReplacedStreamReadable) {
  const std::string path = Path("a.hsf");
  const Bytes old = Pattern(5000, 1);
  TSingleStorage storage;
  storage.SetFileName(path);
  storage.SetOverwriteMode(omReplace);
  Add(storage, "Page0001.xml", old);
  Add(storage, "Other", Pattern(10, 4));
  const Bytes before = FileBytes(path);

  FailingSource failing(Pattern(100000, 2), 70000);
  EXPECT_EQ(FailureMessage([&] { storage.AddStream(failing, "Page0001.xml"); }), "Stream read error");
  FailingSource failingNew(Pattern(100, 3), 10);
  EXPECT_EQ(FailureMessage([&] { storage.AddStream(failingNew, "New"); }), "Stream read error");

  ASSERT_EQ(storage.StreamCount(), 2);
  EXPECT_EQ(ReadNamed(storage, "Page0001.xml"), old);
  EXPECT_FALSE(storage.StreamExists("New"));
  // On disk only bytes past the old end were written: the old file is a prefix of the new one.
  const Bytes after = FileBytes(path);
  ASSERT_GE(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));

  TSingleStorage reopened;
  storage.SetFileName("");  // release the lock
  reopened.SetFileName(path);
  EXPECT_EQ(ReadNamed(reopened, "Page0001.xml"), old);
  EXPECT_EQ(reopened.StreamCount(), 2);
}

TEST_F(StorageTest, ReadStreamWritesAtTargetPositionAndRewindsThere) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  Add(storage, "x", {'a', 'b', 'c'});
  Add(storage, "empty", {});
  TMemoryStream target(Bytes{'1', '2'});
  target.SetPosition(2);
  storage.ReadStream("x", target);
  EXPECT_EQ(target.Position(), 2);
  EXPECT_EQ(target.Bytes(), (Bytes{'1', '2', 'a', 'b', 'c'}));
  storage.ReadStream("absent", target);
  storage.ReadStream("empty", target);
  EXPECT_EQ(target.Bytes().size(), 5u);
  EXPECT_EQ(target.Position(), 2);
  EXPECT_EQ(storage.FindStream("empty")->Offset(), 0);
}

TEST_F(StorageTest, OverwriteModes) {
  struct Case {
    TOverwriteMode mode;
    int answer;       // dialog answer or event allow (1/0)
    bool replaced;
    const char* error;
  };
  const Case cases[] = {
      {omReplace, 0, true, nullptr},  {omAsk, mrYes, true, nullptr},       {omAsk, mrNo, false, nullptr},
      {omAskEvent, 1, true, nullptr}, {omAskEvent, 0, false, nullptr},
      {omRefuse, 0, false, "Cannot overwrite stream \"s\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode) * 100 + c.answer);
    dialogs_.Reset();
    TSingleStorage storage;
    storage.SetStream(std::make_unique<TMemoryStream64>());
    Add(storage, "keep", {1});
    Add(storage, "s", {1, 2, 3});
    storage.SetOverwriteMode(c.mode);
    std::string asked;
    storage.OnOverwrite = [&](TSingleStorage*, const std::string& name, bool& allow) {
      EXPECT_FALSE(allow);
      asked = name;
      allow = c.answer == 1;
    };
    dialogs_.Answer(c.answer);
    if (c.error) {
      EXPECT_EQ(FailureMessage([&] { Add(storage, "s", {9}); }), c.error);
    } else {
      EXPECT_EQ(Add(storage, "s", {9}), c.replaced ? 1 : -1);
    }
    EXPECT_EQ(ReadNamed(storage, "s"), (c.replaced ? Bytes{9} : Bytes{1, 2, 3}));
    EXPECT_EQ(storage.StreamCount(), 2);
    EXPECT_EQ(storage.Streams(1)->Name(), "s");
    if (c.mode == omAsk) {
      ASSERT_EQ(dialogs_.Shown().size(), 1u);
      EXPECT_EQ(dialogs_.Shown()[0].Text, "Warning: stream \"s\" is about to be overwritten.\rProceed?");
      EXPECT_EQ(dialogs_.Shown()[0].Type, mtWarning);
      EXPECT_EQ(dialogs_.Shown()[0].Buttons, MsgButtons({mbYes, mbNo}));
    } else {
      EXPECT_TRUE(dialogs_.Shown().empty());
    }
    EXPECT_EQ(asked, c.mode == omAskEvent ? "s" : "");
  }
}

TEST_F(StorageTest, AddWithoutNameFails) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  EXPECT_EQ(FailureMessage([&] { Add(storage, "", {1}); }), "Stream Add Error: stream must have a name");
  EXPECT_EQ(storage.StreamCount(), 0);
}

TEST_F(StorageTest, DirectoryOutgrowingItsReservationMoves) {
  const std::string path = Path("a.hsf");
  {
    TSingleStorage storage;
    storage.SetFileName(path);
    for (int i = 0; i < 40; ++i) Add(storage, "Stream with a rather long name " + std::to_string(1000 + i), {uint8_t(i)});
    EXPECT_EQ(storage.DirectoryReservation(), 4096);
    EXPECT_GT(storage.DirectoryPosition(), 1038);
    EXPECT_GE(storage.FileSize(), storage.DirectoryPosition() + 4096);
  }
  TSingleStorage reopened;
  reopened.SetFileName(path);
  ASSERT_EQ(reopened.StreamCount(), 40);
  EXPECT_EQ(reopened.DirectoryReservation(), 4096);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(ReadNamed(reopened, "Stream with a rather long name " + std::to_string(1000 + i)), Bytes{uint8_t(i)});
  }
}

TEST_F(StorageTest, DeleteRenameAndPackCloseEveryGap) {
  const std::string path = Path("a.hsf");
  TSingleStorage storage;
  storage.SetFileName(path);
  const Bytes a = Pattern(100000, 1), b = Pattern(100000, 2), c = Pattern(700000, 3), d = Pattern(100, 4);
  Add(storage, "a", a);
  Add(storage, "b", b);
  Add(storage, "c", c);
  Add(storage, "d", d);
  int changes = 0;
  storage.OnChange = [&](TSingleStorage*) { ++changes; };
  storage.DeleteStream("a");
  storage.DeleteStream("absent");
  EXPECT_EQ(changes, 1);
  storage.RenameStream("d", "dd");
  storage.RenameStream("absent", "x");
  EXPECT_EQ(storage.WastedSpace(), 100000);

  std::vector<float> percents;
  std::vector<std::string> names;
  storage.OnProgress = [&](TSingleStorage*, TStorageOperation op, float percent, const std::string& name) {
    EXPECT_EQ(op, opPack);
    percents.push_back(percent);
    names.push_back(name);
  };
  storage.Pack();
  EXPECT_EQ(storage.WastedSpace(), 0);
  EXPECT_EQ(storage.FileSize(), 1038 + 100000 + 700000 + 100);
  EXPECT_EQ(storage.CurrentOperation(), opIdle);
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_FLOAT_EQ(percents.back(), 100.0f);
  EXPECT_THAT(names, ::testing::Contains("c"));
  storage.SetFileName("");

  TSingleStorage reopened;
  reopened.SetFileName(path);
  ASSERT_EQ(reopened.StreamCount(), 3);
  EXPECT_EQ(reopened.Streams(0)->Offset(), 1038);
  EXPECT_EQ(ReadNamed(reopened, "b"), b);
  EXPECT_EQ(ReadNamed(reopened, "c"), c);
  EXPECT_EQ(ReadNamed(reopened, "dd"), d);
  EXPECT_FALSE(reopened.StreamExists("d"));
}

TEST_F(StorageTest, AbortedPackLeavesAConsistentArchive) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  std::vector<Bytes> contents;
  for (int i = 0; i < 4; ++i) {
    contents.push_back(Pattern(60000, 10 + static_cast<uint32_t>(i)));
    Add(storage, "s" + std::to_string(i), contents.back());
  }
  storage.DeleteStream("s0");
  const int64_t size = storage.FileSize();
  storage.OnProgress = [](TSingleStorage* sender, TStorageOperation, float, const std::string&) {
    sender->AbortPack();
  };
  storage.Pack();
  EXPECT_EQ(storage.FileSize(), size);  // not truncated
  EXPECT_EQ(storage.Streams(0)->Offset(), 1038);  // the move in progress was finished
  EXPECT_GT(storage.Streams(1)->Offset(), 1038 + 60000);

  TSingleStorage copy;
  copy.SetStream(MemoryOf(StreamBytes(storage.Stream())));
  ASSERT_EQ(copy.StreamCount(), 3);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(ReadNamed(copy, "s" + std::to_string(i)), contents[static_cast<size_t>(i)]);
}

TEST_F(StorageTest, PackOfArchiveWithoutDirectoryKeepsItReadable) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  storage.Pack();
  EXPECT_EQ(StreamBytes(storage.Stream()), (Bytes{'S', 'T', 'O', 'R', 1, 0}));
  TSingleStorage again;
  again.SetStream(MemoryOf(StreamBytes(storage.Stream())));
  EXPECT_EQ(again.StreamCount(), 0);
}

TEST_F(StorageTest, StreamInterfaceCachesAndWritesBack) {
  const std::string path = Path("a.hsf");
  {
    TSingleStorage storage;
    storage.SetFileName(path);
    Add(storage, "s", {'a', 'b', 'c'});
    TStoreStream* s = storage.FindStream("s");
    EXPECT_EQ(s->Seek(0, soEnd), 3);  // answered without loading
    EXPECT_FALSE(s->CacheLoaded());
    EXPECT_EQ(s->Seek(1, soBeginning), 1);
    EXPECT_TRUE(s->CacheLoaded());
    s->WriteBuffer("XYZ", 3);
    EXPECT_TRUE(s->Modified());
    EXPECT_EQ(s->Size(), 4);
    EXPECT_EQ(s->RecordedSize(), 3);
    EXPECT_EQ(storage.DataSize(), 4);
    EXPECT_EQ(ReadAll(*s), (Bytes{'a', 'X', 'Y', 'Z'}));  // from the modified cache
    EXPECT_EQ(s->Position(), 4);                          // cache position restored
    Add(storage, "t", {'t'});
    storage.FindStream("t")->SetSize(2);
    // Freeing the storage writes both caches back.
  }
  TSingleStorage reopened;
  reopened.SetFileName(path);
  EXPECT_EQ(ReadNamed(reopened, "s"), (Bytes{'a', 'X', 'Y', 'Z'}));
  EXPECT_EQ(ReadNamed(reopened, "t"), (Bytes{'t', 0}));
}

TEST_F(StorageTest, FlushWritesBackModifiedCaches) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  Add(storage, "a", {1});
  Add(storage, "b", {2});
  Add(storage, "c", {3});
  storage.FindStream("a")->WriteBuffer("\x07", 1);
  storage.FindStream("b")->WriteBuffer("\x08", 1);
  storage.FindStream("c")->LoadCache();
  storage.Flush();
  EXPECT_FALSE(storage.FindStream("a")->CacheLoaded());
  EXPECT_TRUE(storage.FindStream("c")->CacheLoaded());  // unmodified caches stay
  TSingleStorage copy;
  copy.SetStream(MemoryOf(StreamBytes(storage.Stream())));
  EXPECT_EQ(ReadNamed(copy, "a"), Bytes{7});
  EXPECT_EQ(ReadNamed(copy, "b"), Bytes{8});
}

TEST_F(StorageTest, CacheTrimmingWritesBackLeastRecentlyUsed) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  storage.SetCacheLimit(150);
  for (const char* name : {"a", "b", "c"}) Add(storage, name, Pattern(60, 1));
  TStoreStream* a = storage.FindStream("a");
  TStoreStream* b = storage.FindStream("b");
  TStoreStream* c = storage.FindStream("c");
  a->LoadCache();
  b->LoadCache();
  b->WriteBuffer("BB", 2);
  uint8_t byte;
  a->ReadBuffer(&byte, 1);  // a is now more recent than b
  c->LoadCache();
  EXPECT_TRUE(a->CacheLoaded());
  EXPECT_FALSE(b->CacheLoaded());
  EXPECT_TRUE(c->CacheLoaded());
  Bytes expectedB = Pattern(60, 1);
  expectedB[0] = 'B';
  expectedB[1] = 'B';
  EXPECT_EQ(ReadAll(*b), expectedB);  // written back on trimming

  storage.SetCacheLimit(10);
  storage.FindStream("a")->Flush();
  storage.FindStream("c")->Flush();
  b->LoadCache();  // alone and over the limit: the only cache stays
  EXPECT_TRUE(b->CacheLoaded());
}

TEST_F(StorageTest, DamagedArchivesFailCleanly) {
  TSingleStorage builder;
  builder.SetStream(std::make_unique<TMemoryStream64>());
  Add(builder, "a", Pattern(10, 1));
  Add(builder, "bb", Pattern(20, 2));
  const Bytes good = StreamBytes(builder.Stream());
  ASSERT_EQ(good.size(), 1068u);
  // Directory at 14: count at 14; entry "a" at 18 (offset 18, size 26, name length 34, name 38);
  // entry "bb" at 39 (offset 39, size 47, name length 55).
  struct Case {
    const char* what;
    size_t at;
    uint64_t value;
    int width;
    const char* message;
  };
  const Case cases[] = {
      {"magic", 3, 'X', 1, "Not a valid storage"},
      {"major 0", 4, 0, 1, "Not a valid storage"},
      {"directory at the end", 6, 1068, 8, "Corrupted archive"},
      {"directory in the header", 6, 3, 8, "Corrupted archive"},
      {"directory far away", 6, 0x7FFFFFFFFFFFFFF0ull, 8, "Corrupted archive"},
      {"negative directory", 6, ~0ull, 8, "Corrupted archive"},
      {"huge count", 14, 0x7FFFFFFF, 4, "Corrupted archive"},
      {"negative count", 14, 0xFFFFFFFF, 4, "Corrupted archive"},
      {"count too high", 14, 60, 4, "Corrupted archive"},
      {"huge name", 34, 0x7FFFFFFF, 4, "Corrupted archive"},
      {"negative name", 34, 0xFFFFFFFB, 4, "Corrupted archive"},
      {"size past end", 26, 31, 8, "Corrupted archive"},
      {"negative size", 26, ~0ull, 8, "Corrupted archive"},
      {"huge size", 26, 0x7FFFFFFFFFFFFFFFull, 8, "Corrupted archive"},
      {"offset in header", 18, 2, 8, "Corrupted archive"},
      {"overlapping streams", 39, 1040, 8, "Corrupted archive"},
      {"stream in directory", 18, 100, 8, "Corrupted archive"},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    SetLE(bad, c.at, c.value, c.width);
    TSingleStorage storage;
    int changes = 0;
    storage.OnChange = [&](TSingleStorage*) { ++changes; };
    EXPECT_EQ(FailureMessage([&] { storage.SetStream(MemoryOf(bad)); }), c.message) << c.what;
    EXPECT_EQ(storage.StreamCount(), 0) << c.what;
    EXPECT_NE(storage.Stream(), nullptr) << c.what;
    EXPECT_GE(changes, 1) << c.what;
  }
  for (size_t cut : {size_t{15}, size_t{20}, size_t{40}, size_t{60}}) {
    TSingleStorage storage;
    EXPECT_EQ(FailureMessage([&] { storage.SetStream(MemoryOf(Bytes(good.begin(), good.begin() + cut))); }),
              "Corrupted archive")
        << cut;
  }
}

TEST_F(StorageTest, ShortFilesStartingWithMagicHoldNoStreams) {
  for (const Bytes& bytes : {Bytes{'S', 'T', 'O', 'R', 1, 0}, Bytes{'S', 'T', 'O', 'R', 2, 9, 0, 0, 0}}) {
    TSingleStorage storage;
    storage.SetStream(MemoryOf(bytes));
    EXPECT_EQ(storage.StreamCount(), 0);
    EXPECT_EQ(storage.Major(), bytes[4]);
    EXPECT_EQ(storage.WastedSpace(), static_cast<int64_t>(bytes.size()));
  }
  TSingleStorage empty;
  empty.SetStream(MemoryOf({}));
  EXPECT_EQ(StreamBytes(empty.Stream()), (Bytes{'S', 'T', 'O', 'R', 1, 0}));
}

TEST_F(StorageTest, FileWrittenByAnotherOpenerIsOpenedReadOnly) {
  const std::string path = Path("a.hsf");
  TSingleStorage owner;
  owner.SetFileName(path);
  Add(owner, "s", {1, 2, 3});
  TSingleStorage second;
  second.SetFileName(path);
  EXPECT_EQ(ReadNamed(second, "s"), (Bytes{1, 2, 3}));
  EXPECT_EQ(FailureMessage([&] { Add(second, "t", {4}); }), "Stream write error");
  EXPECT_EQ(ReadNamed(owner, "s"), (Bytes{1, 2, 3}));
}

TEST_F(StorageTest, CreateNewTruncatesAnExistingArchive) {
  const std::string path = Path("a.hsf");
  {
    TSingleStorage storage;
    storage.SetFileName(path);
    Add(storage, "s", {1});
  }
  TSingleStorage storage;
  storage.SetCreateNew(true);
  storage.SetFileName(path);
  EXPECT_EQ(storage.StreamCount(), 0);
  EXPECT_EQ(storage.FileSize(), 6);
}

TEST_F(StorageTest, AssignFromCopiesEveryStreamIntoAFreshLayout) {
  TSingleStorage source;
  source.SetStream(std::make_unique<TMemoryStream64>());
  source.SetOverwriteMode(omReplace);
  Add(source, "one", Pattern(3000, 1));
  Add(source, "two", Pattern(10, 2));
  Add(source, "one", Pattern(50, 3));  // leaves a gap in the source
  source.FindStream("two")->WriteBuffer("!", 1);  // a modified cache is copied as it stands

  TSingleStorage target;
  target.SetStream(std::make_unique<TMemoryStream64>());
  Add(target, "old", Pattern(99999, 4));
  target.AssignFrom(&source);
  ASSERT_EQ(target.StreamCount(), 2);
  EXPECT_EQ(target.Streams(0)->Name(), "two");
  EXPECT_EQ(target.WastedSpace(), 0);
  Bytes two = Pattern(10, 2);
  two[0] = '!';
  TSingleStorage reread;
  reread.SetStream(MemoryOf(StreamBytes(target.Stream())));
  EXPECT_EQ(ReadNamed(reread, "two"), two);
  EXPECT_EQ(ReadNamed(reread, "one"), Pattern(50, 3));

  target.AssignFrom(nullptr);
  EXPECT_EQ(target.StreamCount(), 0);
  TSingleStorage empty;
  empty.SetStream(MemoryOf(StreamBytes(target.Stream())));
  EXPECT_EQ(empty.StreamCount(), 0);
  EXPECT_EQ(empty.DirectoryPosition(), 14);
}

// Copies between two streams of one archive: loading either side mid-copy must not move the
// archive's position under the copy.
TEST_F(StorageTest, CopiesBetweenStreamsOfOneArchive) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  const Bytes a = Pattern(700000, 1), b = Pattern(3000, 2);
  Add(storage, "a", a);
  Add(storage, "b", b);
  storage.FindStream("a")->SaveToStream(*storage.FindStream("b"));
  Bytes ab = a;
  ab.insert(ab.end(), b.begin() + std::min(b.size(), a.size()), b.end());
  EXPECT_EQ(ReadAll(*storage.FindStream("b")), ab);

  Add(storage, "c", Pattern(10, 3));
  TStoreStream* c = storage.FindStream("c");
  c->Assign(*storage.FindStream("a"));
  EXPECT_EQ(c->Name(), "a");
  EXPECT_EQ(ReadAll(*c), a);
  c->Assign(*c);
  EXPECT_EQ(ReadAll(*c), a);
  storage.Flush();
  TSingleStorage copy;
  copy.SetStream(MemoryOf(StreamBytes(storage.Stream())));
  EXPECT_EQ(ReadAll(*copy.Streams(0)), a);
  EXPECT_EQ(ReadAll(*copy.Streams(1)), ab);
  EXPECT_EQ(ReadAll(*copy.Streams(2)), a);
}

TEST_F(StorageTest, SaveToFileReportsProgressUnderItsPath) {
  TSingleStorage storage;
  storage.SetStream(std::make_unique<TMemoryStream64>());
  const Bytes content = Pattern(1500000, 5);
  std::vector<TStorageOperation> ops;
  storage.OnProgress = [&](TSingleStorage*, TStorageOperation op, float, const std::string&) { ops.push_back(op); };
  Add(storage, "big", content);
  EXPECT_THAT(ops, ::testing::Each(opAdd));
  EXPECT_EQ(ops.size(), 4u);  // before the first block and after each of three
  ops.clear();
  const std::string out = Path("out.bin");
  std::string reportedName;
  storage.OnProgress = [&](TSingleStorage*, TStorageOperation op, float, const std::string& name) {
    ops.push_back(op);
    reportedName = name;
  };
  storage.FindStream("big")->SaveToFile(out);
  EXPECT_EQ(FileBytes(out), content);
  EXPECT_THAT(ops, ::testing::Each(opSave));
  EXPECT_EQ(reportedName, out);
}

}  // namespace
}  // namespace kivrano
