#include <gtest/gtest.h>

#include <functional>

#include "base/Exception.h"
#include "base/Stream.h"
#include "storage/Compressors.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Sample(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i / 7) * 5 + (i % 3));
  return b;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

class CompressedStreamTest : public ::testing::Test {
 protected:
  TXmlDocument document_{"Page"};
  TXmlNode* root_ = document_.Root();

  TXmlNode* Write(const Bytes& bytes, const std::string& name = "Image") {
    TMemoryStream stream{Bytes(bytes)};
    WriteCompressedStream(root_, name, &stream);
    return root_->FindChild(name);
  }
};

TEST_F(CompressedStreamTest, WritesSizesAndBufferAndChangesTheCallersStream) {
  const Bytes source = Sample(1000);
  TMemoryStream stream{Bytes(source)};
  WriteCompressedStream(root_, "BackgroundImage", &stream);

  TXmlNode* element = root_->FindChild("BackgroundImage");
  ASSERT_NE(element, nullptr);
  ASSERT_EQ(element->ChildCount(), 3);
  EXPECT_EQ(element->Children(0)->Name(), "SourceSize");
  EXPECT_EQ(element->Children(0)->Text(), "1000");
  EXPECT_EQ(element->Children(1)->Name(), "CompressedSize");
  EXPECT_EQ(element->Children(2)->Name(), "Buffer");
  const Bytes compressed = CompressBytes(source);
  EXPECT_EQ(element->Children(1)->Text(), std::to_string(compressed.size()));
  EXPECT_EQ(element->Children(2)->BinaryLength(), static_cast<int64_t>(compressed.size()));

  Bytes deltas = source;
  DeltaEncode(deltas.data(), deltas.size());
  EXPECT_EQ(stream.Bytes(), deltas);

  // Every write adds an element of its own.
  TMemoryStream again{Bytes(source)};
  WriteCompressedStream(root_, "BackgroundImage", &again);
  std::vector<TXmlNode*> elements;
  root_->FindChildren("BackgroundImage", elements);
  EXPECT_EQ(elements.size(), 2u);
}

TEST_F(CompressedStreamTest, WritesNothingWithoutNodeNameOrBytes) {
  TMemoryStream empty;
  TMemoryStream some{Sample(10)};
  WriteCompressedStream(root_, "Image", &empty);
  WriteCompressedStream(root_, "", &some);
  WriteCompressedStream(nullptr, "Image", &some);
  WriteCompressedStream(root_, "Image", nullptr);
  EXPECT_EQ(root_->ChildCount(), 0);
  EXPECT_EQ(some.Bytes(), Sample(10));
}

TEST_F(CompressedStreamTest, RoundTripsInEveryWritableCodingAndThroughText) {
  for (TXmlBinaryCoding coding : {bcBase64, bcHex}) {
    for (size_t n : {1u, 2u, 3u, 4u, 76u, 4097u}) {
      SCOPED_TRACE(std::to_string(coding) + " " + std::to_string(n));
      TXmlDocument document("Page");
      document.SetBinaryCoding(coding);
      document.SetLayout(xlIndented);
      TMemoryStream source{Sample(n)};
      WriteCompressedStream(document.Root(), "Image", &source);

      TXmlDocument reread;
      reread.ParseText(document.AsText());
      reread.SetBinaryCoding(coding);
      TMemoryStream decoded;
      decoded.WriteBuffer("old", 3);
      ReadCompressedStream(reread.Root(), "image", &decoded);  // names compare without case
      EXPECT_EQ(decoded.Bytes(), Sample(n));
      EXPECT_EQ(decoded.Position(), 0);
    }
  }
}

TEST_F(CompressedStreamTest, AbsentOrEmptyElementsLeaveTheStreamAlone) {
  const Bytes old = {1, 2, 3};
  struct Case {
    const char* what;
    std::function<void(TXmlNode*)> damage;
    Bytes expected;
  };
  const Case cases[] = {
      {"element absent", [](TXmlNode* e) { e->SetName("Other"); }, old},
      {"source size 0", [](TXmlNode* e) { e->PutInteger("SourceSize", 0, 0); }, old},
      {"compressed size missing", [](TXmlNode* e) { e->DeleteChild(e->ChildIndex("CompressedSize")); }, old},
      {"buffer missing", [](TXmlNode* e) { e->DeleteChild(e->ChildIndex("Buffer")); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    root_->ClearChildren();
    c.damage(Write(Sample(300)));
    TMemoryStream stream{Bytes(old)};
    ReadCompressedStream(root_, "Image", &stream);
    EXPECT_EQ(stream.Bytes(), c.expected);
  }
  TMemoryStream stream{Bytes(old)};
  ReadCompressedStream(nullptr, "Image", &stream);
  ReadCompressedStream(root_, "", &stream);
  ReadCompressedStream(root_, "Image", nullptr);
  EXPECT_EQ(stream.Bytes(), old);
}

TEST_F(CompressedStreamTest, DamagedPayloadsFailAndLeaveTheStreamAlone) {
  struct Case {
    const char* what;
    std::function<void(TXmlNode*)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"source size too large", [](TXmlNode* e) { e->PutInteger("SourceSize", 301, 0); }, kCorruptCompressedData},
      {"source size too small", [](TXmlNode* e) { e->PutInteger("SourceSize", 299, 0); }, kCorruptCompressedData},
      {"negative source size", [](TXmlNode* e) { e->PutInteger("SourceSize", -300, 0); }, kCorruptCompressedData},
      {"negative compressed size", [](TXmlNode* e) { e->PutInteger("CompressedSize", -1, 0); },
       kCorruptCompressedData},
      {"compressed size one short",
       [](TXmlNode* e) { e->PutInteger("CompressedSize", e->GetInteger("CompressedSize", 0) - 1, 0); },
       kCorruptCompressedData},
      {"compressed size beyond the text",
       [](TXmlNode* e) { e->PutInteger("CompressedSize", e->GetInteger("CompressedSize", 0) + 3, 0); },
       "Missing data in binary stream"},
      {"forged huge sizes",
       [](TXmlNode* e) {
         e->PutInteger("CompressedSize", 2000000000, 0);
         e->PutInteger("SourceSize", 2000000000, 0);
       },
       "Missing data in binary stream"},
      {"payload bytes replaced",
       [](TXmlNode* e) {
         const Bytes junk(40, 0xEE);
         e->FindChild("Buffer")->WriteBinary(junk.data(), junk.size());
         e->PutInteger("CompressedSize", 40, 0);
       },
       kCorruptCompressedData},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    root_->ClearChildren();
    c.damage(Write(Sample(300)));
    TMemoryStream stream{Bytes{9, 9}};
    EXPECT_EQ(ErrorOf([&] { ReadCompressedStream(root_, "Image", &stream); }), c.message);
    EXPECT_EQ(stream.Bytes(), (Bytes{9, 9}));
  }
}

}  // namespace
}  // namespace kivrano
