#include "storage/StorageTestSupport.h"
#include "storage/dtpResource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

using namespace kivrano::testing;

Bytes ReadAll(TStream& s) {
  Bytes out(static_cast<size_t>(s.Size()));
  s.SetPosition(0);
  s.ReadBuffer(out.data(), static_cast<int32_t>(out.size()));
  return out;
}

// Brings bytes into a resource the way a document does: embedded in its XML element.
void LoadBytes(TdtpResource& r, const Bytes& bytes) {
  TXmlDocument document("Image");
  TXmlNode* data = document.Root()->NewChild("Data");
  data->PutInteger("Size", static_cast<int>(bytes.size()), 0);
  data->PutString("Filter", "Base64", "");
  data->NewChild("Buffer")->WriteBinary(bytes.data(), bytes.size());
  r.LoadFromXml(document.Root());
}

void Fill(TdtpResource& r, const Bytes& bytes) {
  r.Bytes().SetPosition(0);
  r.Bytes().WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------
// TMapStream

TEST(MapStream, SegmentsFollowTheSize) {
  TMapStream s;
  ASSERT_EQ(s.SegmentSize(), 16384);
  const Bytes data = Pattern(40000, 1);
  EXPECT_EQ(s.Write(data.data(), 40000), 40000);
  EXPECT_EQ(s.SegmentCount(), 3);
  EXPECT_EQ(ReadAll(s), data);
  s.SetSize(16384);
  EXPECT_EQ(s.SegmentCount(), 1);
  EXPECT_EQ(s.Position(), 16384);
  EXPECT_EQ(ReadAll(s), Bytes(data.begin(), data.begin() + 16384));
  s.SetSize(0);
  EXPECT_EQ(s.SegmentCount(), 0);
  EXPECT_EQ(s.Position(), 0);

  TMapStream grown;
  grown.SetSize(20000);
  EXPECT_EQ(grown.SegmentCount(), 2);
  EXPECT_EQ(grown.Position(), 0);
  EXPECT_EQ(ReadAll(grown), Bytes(20000, 0));
}

TEST(MapStream, BytesPastAShrunkEndReadAsZeroWhenGrownAgain) {
  TMapStream s;
  const Bytes data = Pattern(1000, 2);
  s.WriteBuffer(data.data(), 1000);
  s.SetSize(10);
  s.SetSize(1000);
  Bytes expected(1000, 0);
  std::copy(data.begin(), data.begin() + 10, expected.begin());
  EXPECT_EQ(ReadAll(s), expected);
  s.SetSize(5);
  s.SetPosition(50);  // a write past the end leaves zeros in between
  s.WriteBuffer("x", 1);
  EXPECT_EQ(s.Size(), 51);
  Bytes back = ReadAll(s);
  EXPECT_EQ(back[20], 0);
  EXPECT_EQ(back[50], 'x');
}

TEST(MapStream, ReadingAndSeekingAtAndPastTheEnd) {
  TMapStream s;
  s.WriteBuffer("abc", 3);
  uint8_t buffer[8];
  EXPECT_EQ(s.Read(buffer, 8), 0);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.Seek(40000, soBeginning), 40000);  // allocates up to the target, Size unchanged
  EXPECT_EQ(s.SegmentCount(), 3);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.Read(buffer, 8), 0);
  EXPECT_EQ(s.Seek(-1, soEnd), 2);
  EXPECT_EQ(s.Seek(0, soCurrent), 2);
  EXPECT_EQ(s.CurrentSegment(), 0);
  EXPECT_EQ(s.SegmentOffset(), 2);
  EXPECT_EQ(s.Seek(-10, soCurrent), 0);
  EXPECT_EQ(s.Seek(16384, soBeginning), 16384);
  EXPECT_EQ(s.CurrentSegment(), 1);
  EXPECT_EQ(s.SegmentOffset(), 0);
}

TEST(MapStream, WritesAndReadsAcrossSegmentBoundaries) {
  TMapStream s;
  const Bytes data = Pattern(50000, 3);
  // Pieces of awkward sizes so that writes start and end inside and at the edges of segments.
  for (size_t at = 0, n = 1; at < data.size(); at += n, n = n * 3 + 7) {
    n = std::min(n, data.size() - at);
    s.WriteBuffer(data.data() + at, static_cast<int32_t>(n));
  }
  EXPECT_EQ(s.Size(), 50000);
  s.SetPosition(16380);
  Bytes middle(10);
  s.ReadBuffer(middle.data(), 10);
  EXPECT_EQ(middle, Bytes(data.begin() + 16380, data.begin() + 16390));
  s.SetPosition(32768);
  s.WriteBuffer("ZZ", 2);
  Bytes expected = data;
  expected[32768] = expected[32769] = 'Z';
  EXPECT_EQ(ReadAll(s), expected);
}

TEST(MapStream, GranularityBelowFourFails) {
  EXPECT_EQ(FailureMessage([] { TMapStream s(3); }), "Page size = 0");
  TMapStream small(4);
  small.WriteBuffer("hello", 5);
  EXPECT_EQ(small.SegmentCount(), 5);
  EXPECT_EQ(ReadAll(small), (Bytes{'h', 'e', 'l', 'l', 'o'}));
}

// ---------------------------------------------------------------------------------------------
// TdtpResource

struct RecordingOwner : IResourceOwner {
  std::vector<TdtpResource*> resources;
  void AddResource(TdtpResource* r) override { resources.push_back(r); }
  void RemoveResource(TdtpResource* r) override { std::erase(resources, r); }
};

// A resource whose decoding is counted and produces the byte count as its object.
struct CountingResource {
  TdtpResource resource{nullptr};
  int decoded = 0;
  int encoded = 0;
  CountingResource() {
    resource.OnCreateObject = [this](TdtpResource* r) {
      ++decoded;
      r->SetObject(MakeResourceObject(std::make_unique<int64_t>(r->Bytes().Size())));
    };
    resource.OnSaveObject = [this](TdtpResource* r) {
      ++encoded;
      r->Bytes().WriteBuffer("re", 2);
    };
  }
};

TEST(Resource, RegistersWithItsShape) {
  RecordingOwner owner;
  {
    TdtpResource a(&owner);
    TdtpResource b(&owner);
    EXPECT_EQ(owner.resources, (std::vector<TdtpResource*>{&a, &b}));
    EXPECT_EQ(a.Storage(), rsEmbedded);
    EXPECT_EQ(a.State(), stEmpty);
    EXPECT_TRUE(a.IsEmpty());
  }
  EXPECT_TRUE(owner.resources.empty());
}

TEST(Resource, LocksDecodeOnceAndCount) {
  CountingResource c;
  TdtpResource& r = c.resource;
  LoadBytes(r, Pattern(100, 1));
  EXPECT_EQ(r.State(), stData);  // from stEmpty: LoadData without a node brings nothing...
  r.LockObject();
  r.LockObject();
  EXPECT_EQ(c.decoded, 1);
  EXPECT_EQ(r.LockCount(), 2);
  ASSERT_NE(r.ObjectAs<int64_t>(), nullptr);
  EXPECT_EQ(*r.ObjectAs<int64_t>(), 100);
  EXPECT_EQ(r.ObjectAs<double>(), nullptr);
  r.ReleaseObject();  // locked: nothing happens
  EXPECT_EQ(r.State(), stObject);
  EXPECT_NE(r.ResourceObject(), nullptr);
  EXPECT_EQ(FailureMessage([&] { r.FreeObject(); }), "Cannot delete object while it is locked.");
  EXPECT_EQ(FailureMessage([&] { r.CreateObject(); }), "Cannot load object that is locked");
  r.UnlockObject();
  r.UnlockObject();
  EXPECT_NE(r.ResourceObject(), nullptr);  // the object survives the last unlock
  r.ReleaseObject();
  EXPECT_EQ(r.State(), stData);
  EXPECT_EQ(r.ResourceObject(), nullptr);
  EXPECT_EQ(r.Bytes().Size(), 100);  // the bytes stay
  r.LockObject();
  EXPECT_EQ(c.decoded, 2);
  r.UnlockObject();
  EXPECT_EQ(FailureMessage([&] { r.UnlockObject(); }), "dtpResource UnlockObject called too many times");
  EXPECT_EQ(r.LockCount(), -1);
}

TEST(Resource, FailedDecodingIsNotRetriedUntilReleased) {
  TdtpResource r(nullptr);
  int attempts = 0;
  r.OnCreateObject = [&](TdtpResource*) { ++attempts; };
  LoadBytes(r, {1, 2, 3});
  r.LockObject();
  r.UnlockObject();
  r.LockObject();
  r.UnlockObject();
  EXPECT_EQ(r.State(), stObject);
  EXPECT_EQ(r.ResourceObject(), nullptr);
  EXPECT_EQ(attempts, 1);
  r.ReleaseObject();
  r.LockObject();
  EXPECT_EQ(attempts, 2);
}

TEST(Resource, LeavingTheObjectStateEncodesAModifiedObject) {
  CountingResource c;
  TdtpResource& r = c.resource;
  LoadBytes(r, {1});
  r.LockObject();
  r.UnlockObject();
  r.SaveObject();  // the owner changed the picture
  EXPECT_TRUE(r.DataModified());
  EXPECT_EQ(c.encoded, 1);
  r.SetState(stEmpty);
  EXPECT_EQ(c.encoded, 2);
  EXPECT_EQ(r.ResourceObject(), nullptr);
  EXPECT_EQ(r.State(), stEmpty);
  EXPECT_TRUE(r.IsEmpty());
}

// Runs in its own folder as the working directory, with a subfolder "pics".
class ResourceFileTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(dir_ / "pics");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    TempDirTest::TearDown();
  }
  std::string Write(const std::string& relative, const Bytes& bytes) {
    std::ofstream(dir_ / relative, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir_ / relative).string();
  }

  std::filesystem::path previous_;
};

TEST_F(ResourceFileTest, LoadFromFileNamesTheFileByStorage) {
  const Bytes picture = Pattern(70000, 4);
  Write("pics/p.png", picture);
  int loaded = 0;
  TdtpResource embedded(nullptr);
  embedded.OnLoaded = [&](TdtpResource*) { ++loaded; };
  embedded.LoadFromFile("pics/p.png");
  EXPECT_EQ(embedded.FileName(), "p.png");
  EXPECT_EQ(embedded.State(), stData);
  EXPECT_EQ(ReadAll(embedded.Bytes()), picture);
  EXPECT_EQ(loaded, 1);

  TdtpResource external(nullptr);
  external.SetStorage(rsExternal);
  external.LoadFromFile("pics/../pics/p.png");
  EXPECT_EQ(external.FileName(), (dir_ / "pics/p.png").string());

  // A smaller file replaces the bytes completely.
  Write("pics/q.png", {9, 9});
  embedded.LoadFromFile("pics/q.png");
  EXPECT_EQ(ReadAll(embedded.Bytes()), (Bytes{9, 9}));
}

TEST_F(ResourceFileTest, MissingAndEmptyFiles) {
  TdtpResource r(nullptr);
  Fill(r, {1, 2});
  r.SetFileName("before");
  try {
    r.LoadFromFile("pics/none.png");
    FAIL();
  } catch (const EResourceError& e) {
    EXPECT_STREQ(e.what(), "Resource load error.\rFile does not exist: pics/none.png");
  }
  EXPECT_EQ(r.FileName(), "before");
  // Folders and devices are no picture files: a device could deliver bytes without end.
  for (const char* notAFile : {"pics", "/dev/zero"}) {
    EXPECT_THROW(r.LoadFromFile(notAFile), EResourceError) << notAFile;
  }
  Write("pics/empty.png", {});
  bool loaded = false;
  r.OnLoaded = [&](TdtpResource*) { loaded = true; };
  r.LoadFromFile("pics/empty.png");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(r.State(), stEmpty);
}

TEST_F(ResourceFileTest, OwnerLoaderReplacesTheDefaultCopy) {
  Write("pics/p.jp2", {1, 2, 3});
  TdtpResource r(nullptr);
  std::string asked;
  r.OnLoadFromFile = [&](TdtpResource* sender, const std::string& path) {
    asked = path;
    sender->Bytes().WriteBuffer("decoded", 7);
  };
  r.LoadFromFile("pics/p.jp2");
  EXPECT_EQ(asked, "pics/p.jp2");
  EXPECT_EQ(r.Bytes().Size(), 7);
}

TEST_F(ResourceFileTest, FreeObjectWhileLockedFailsAfterTheNameIsSet) {
  Write("pics/p.png", {1});
  CountingResource c;
  LoadBytes(c.resource, {5});
  c.resource.LockObject();
  EXPECT_EQ(FailureMessage([&] { c.resource.LoadFromFile("pics/p.png"); }), "Cannot delete object while it is locked.");
  EXPECT_EQ(c.resource.FileName(), "p.png");
  EXPECT_EQ(ReadAll(c.resource.Bytes()), Bytes{5});
}

// --- XML persistence ---

TEST(ResourceXml, EmbeddedRoundTrip) {
  const Bytes picture = Pattern(40001, 5);
  TdtpResource source(nullptr);
  LoadBytes(source, picture);
  source.SetExt(".png");
  source.SetFileName("speler.png");

  TXmlDocument document("Drawing");
  document.SetBinaryCoding(bcHex);
  TXmlNode* image = document.Root()->NewChild("Image");
  source.SaveToXml(image);
  EXPECT_EQ(document.BinaryCoding(), bcBase64);
  EXPECT_EQ(image->GetString("ClassName", ""), "TdtpResource");
  EXPECT_EQ(image->GetString("Storage", ""), "Embedded");
  TXmlNode* data = image->FindChild("Data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->GetInteger("Size", 0), 40001);
  EXPECT_EQ(data->GetString("Filter", ""), "Base64");

  TXmlDocument reread;
  reread.ParseText(document.AsText());
  TdtpResource copy(nullptr);
  copy.LoadFromXml(reread.Root()->FindChild("Image"));
  EXPECT_EQ(ReadAll(copy.Bytes()), picture);
  EXPECT_EQ(copy.Ext(), ".png");
  EXPECT_EQ(copy.FileName(), "speler.png");
  EXPECT_EQ(copy.Storage(), rsEmbedded);
  EXPECT_EQ(copy.State(), stData);
  EXPECT_EQ(copy.ResourceObject(), nullptr);
  EXPECT_EQ(copy.CurrentNode(), nullptr);
}

TEST(ResourceXml, EmptyResourceWritesNamesOnly) {
  for (bool storeDefaults : {true, false}) {
    TXmlDocument document("Image");
    document.SetStoreDefaults(storeDefaults);
    TdtpResource r(nullptr);
    r.SaveToXml(document.Root());
    std::vector<std::string> names;
    for (int i = 0; i < document.Root()->ChildCount(); ++i) names.push_back(document.Root()->Children(i)->Name());
    if (storeDefaults) {
      EXPECT_EQ(names, (std::vector<std::string>{"ClassName", "ArchName", "Ext", "FileName", "Storage"}));
    } else {
      EXPECT_EQ(names, (std::vector<std::string>{"ClassName", "Storage"}));
    }
  }
}

TEST(ResourceXml, FiltersDecodeAndTheCodingIsRestored) {
  struct Case {
    const char* filter;  // nullptr: no Filter element
    const char* buffer;
    Bytes expected;
  };
  const Case cases[] = {
      {"BinHex", "ABCD", {0xAB, 0xCD}},
      {"BinHex", "abcd", {0xAB, 0xCD}},
      {"Base64", "AQID", {1, 2, 3}},
      {nullptr, "38g0", {1, 2, 3}},  // radix 64
      {"base64", "38g0", {1, 2, 3}},  // not "Base64" exactly: radix 64 as well
  };
  for (const Case& c : cases) {
    TXmlDocument document("Image");
    document.SetBinaryCoding(bcHex);
    TXmlNode* data = document.Root()->NewChild("data");  // found without regard to case
    data->PutInteger("Size", static_cast<int>(c.expected.size()), 0);
    if (c.filter) data->PutString("Filter", c.filter, "");
    data->NewChild("Buffer")->SetValue(c.buffer);
    TdtpResource r(nullptr);
    r.LoadFromXml(document.Root());
    EXPECT_EQ(ReadAll(r.Bytes()), c.expected) << c.buffer;
    EXPECT_EQ(r.State(), stData);
    EXPECT_EQ(document.BinaryCoding(), bcHex);
  }
}

TEST(ResourceXml, ShortOrForgedBuffersFailAndLeaveTheResourceAlone) {
  for (int size : {4, 2000000000, -1}) {
    TXmlDocument document("Image");
    document.SetBinaryCoding(bcHex);
    TXmlNode* data = document.Root()->NewChild("Data");
    data->PutInteger("Size", size, 0);
    data->PutString("Filter", "Base64", "");
    data->NewChild("Buffer")->SetValue("AQID");
    TdtpResource r(nullptr);
    Fill(r, {7});
    EXPECT_EQ(FailureMessage([&] { r.LoadFromXml(document.Root()); }), "Missing data in binary stream") << size;
    EXPECT_EQ(document.BinaryCoding(), bcHex);
    EXPECT_EQ(ReadAll(r.Bytes()), Bytes{7});
    EXPECT_EQ(r.State(), stEmpty);
    EXPECT_EQ(r.CurrentNode(), nullptr);
  }
}

TEST(ResourceXml, StorageTextsMatchExactly) {
  struct Case {
    const char* text;
    TResourceStorage expected;
  };
  const Case cases[] = {{"None", rsNone}, {"Archive", rsArchive}, {"embedded", rsEmbedded}, {"", rsEmbedded}};
  for (const Case& c : cases) {
    TXmlDocument document("Image");
    if (*c.text) document.Root()->PutString("Storage", c.text, "");
    TdtpResource r(nullptr);
    r.LoadFromXml(document.Root());
    EXPECT_EQ(r.Storage(), c.expected) << c.text;
    EXPECT_EQ(r.State(), stEmpty);
  }
}

TEST(ResourceXml, ArchiveReferencesAreEmbeddedOnSave) {
  TdtpResource r(nullptr);
  LoadBytes(r, {1, 2, 3});
  r.SetStorage(rsArchive);
  r.SetArchName("pic1");
  TXmlDocument first("Image");
  r.SaveToXml(first.Root());
  EXPECT_EQ(first.Root()->GetString("Storage", ""), "Archive");
  EXPECT_NE(first.Root()->FindChild("Data"), nullptr);
  EXPECT_EQ(r.Storage(), rsEmbedded);
  TXmlDocument second("Image");
  r.SaveToXml(second.Root());
  EXPECT_EQ(second.Root()->GetString("Storage", ""), "Embedded");
}

TEST_F(ResourceFileTest, ExternalResourcesKeepOnlyTheReference) {
  const std::string path = Write("pics/p.jp2", {4, 5, 6});
  TdtpResource r(nullptr);
  r.SetStorage(rsExternal);
  r.LoadFromFile(path);
  TXmlDocument document("Image");
  r.SaveToXml(document.Root());
  EXPECT_EQ(document.Root()->FindChild("Data"), nullptr);
  EXPECT_EQ(document.Root()->GetString("FileName", ""), path);

  TdtpResource back(nullptr);
  back.LoadFromXml(document.Root());
  EXPECT_EQ(back.Storage(), rsExternal);
  EXPECT_EQ(ReadAll(back.Bytes()), (Bytes{4, 5, 6}));

  std::filesystem::remove(path);
  TXmlDocument again("Image");
  EXPECT_EQ(FailureMessage([&] { r.SaveToXml(again.Root()); }), "Resource save error:\rNo OnSaveToFile implemented.");
  std::string savedTo;
  r.OnSaveToFile = [&](TdtpResource*, const std::string& file) { savedTo = file; };
  r.SaveToXml(again.Root());
  EXPECT_EQ(savedTo, path);
  TdtpResource gone(nullptr);
  try {
    gone.LoadFromXml(document.Root());
    FAIL();
  } catch (const EResourceError& e) {
    EXPECT_EQ(std::string(e.what()), "Resource load error.\rFile does not exist: " + path);
  }
}

TEST(ResourceXml, AssignCopiesThroughXmlWithoutTheObject) {
  CountingResource source;
  LoadBytes(source.resource, {1, 2, 3});
  source.resource.SetExt(".gif");
  source.resource.LockObject();
  TdtpResource target(nullptr);
  Fill(target, Pattern(5000, 9));  // longer bytes are replaced, not overwritten in front
  target.Assign(source.resource);
  EXPECT_EQ(ReadAll(target.Bytes()), (Bytes{1, 2, 3}));
  EXPECT_EQ(target.Ext(), ".gif");
  EXPECT_EQ(target.State(), stData);
  EXPECT_EQ(target.ResourceObject(), nullptr);
  source.resource.UnlockObject();
}

TEST(ResourceRegistry, ListsTdtpResourceOnce) {
  RegisterResourceClass("TdtpResource", [](IResourceOwner* s) { return std::make_unique<TdtpResource>(s); });
  RegisterResourceClass("TTestResource", [](IResourceOwner* s) { return std::make_unique<TdtpResource>(s); });
  RegisterResourceClass("TTestResource", nullptr);
  const auto& classes = ResourceClasses();
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].ClassName, "TdtpResource");
  EXPECT_EQ(classes[0].Create(nullptr)->ClassName(), "TdtpResource");
  EXPECT_EQ(classes[1].ClassName, "TTestResource");
}

}  // namespace
}  // namespace kivrano
