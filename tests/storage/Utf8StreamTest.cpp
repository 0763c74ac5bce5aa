#include <gtest/gtest.h>

#include <filesystem>

#include "storage/XmlDocuments.h"
#include "XmlTestSupport.h"

namespace kivrano {
namespace {

TMemoryStream StreamOf(const std::string& bytes) { return TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end())); }

std::string BytesOf(const TMemoryStream& stream) { return std::string(stream.Bytes().begin(), stream.Bytes().end()); }

// UTF-16 code units of an ASCII-and-Latin-1 string in the given byte order, with its mark.
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : text) {
    char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

TEST(XmlFileForm, CodePageTextReadsAsUtf8AndIsWrittenBack) {
  // "é", "€" and the unassigned byte 0x81 in 8-bit text.
  const std::string stored = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<R>caf\xE9 \x80 \x81</R>";
  TMemoryStream in = StreamOf(stored);
  TXmlDocument doc;
  doc.LoadFromStream(in);
  EXPECT_FALSE(doc.WideText());
  EXPECT_EQ(doc.Root()->Text(), "caf\u00E9 \u20AC \u0081");
  TMemoryStream out;
  doc.SaveToStream(out);
  EXPECT_EQ(BytesOf(out), stored);
}

TEST(XmlFileForm, TextTheCodePageLacksIsSavedAsUtf16) {
  TXmlDocument doc("R");
  doc.Root()->PutString("Coach", "\u0141ukasz \u015Eahin \U0001F600", "");
  int losses = 0;
  doc.OnTextLoss = [&](TXmlDocument&) { ++losses; };
  TMemoryStream out;
  doc.SaveToStream(out);
  std::string bytes = BytesOf(out);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  EXPECT_EQ(losses, 0);

  out.SetPosition(0);
  TXmlDocument read;
  read.OnTextLoss = [&](TXmlDocument&) { ++losses; };
  read.LoadFromStream(out);
  EXPECT_TRUE(read.WideText());
  EXPECT_EQ(read.Root()->GetString("Coach", ""), "\u0141ukasz \u015Eahin \U0001F600");
  EXPECT_EQ(losses, 0);
}

TEST(XmlFileForm, BothByteOrdersReadAlike) {
  const std::u16string text = u"<R a=\"\u00E9\">\u0141\u00F3d\u017A</R>";
  for (bool bigEndian : {false, true}) {
    TMemoryStream in = StreamOf(Utf16(text, bigEndian));
    TXmlDocument doc;
    doc.LoadFromStream(in);
    EXPECT_TRUE(doc.WideText());
    EXPECT_EQ(doc.Root()->AttributeByName("a"), "\u00E9");
    EXPECT_EQ(doc.Root()->Text(), "\u0141\u00F3d\u017A");
  }
}

TEST(XmlFileForm, WideTextForcesUtf16) {
  TXmlDocument doc("R");
  doc.SetWideText(true);
  TMemoryStream out;
  doc.SaveToStream(out);
  std::string expected = Utf16(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<R/>", false);
  EXPECT_EQ(BytesOf(out), expected);
}

TEST(XmlFileForm, UnpairedSurrogatesRaiseTheLossEventOnce) {
  std::string bytes = Utf16(u"<R>a", false);
  bytes += std::string("\x00\xD8", 2);  // lone high surrogate
  bytes += std::string("b\0\x00\xDC", 4);  // "b", lone low surrogate
  bytes += Utf16(u"</R>", false).substr(2);
  TMemoryStream in = StreamOf(bytes);
  TXmlDocument doc;
  int losses = 0;
  doc.OnTextLoss = [&](TXmlDocument&) { ++losses; };
  doc.LoadFromStream(in);
  EXPECT_EQ(doc.Root()->Text(), "a\uFFFDb\uFFFD");
  EXPECT_EQ(losses, 1);
}

TEST(XmlFileForm, FilesRoundTrip) {
  std::filesystem::path path = std::filesystem::temp_directory_path() / "kivrano_xml_file_test.xml";
  TXmlDocument doc("Page");
  doc.SetLayout(xlIndented);
  doc.Root()->PutString("Name", "\u00C5se", "");
  doc.SaveToFile(path.string());
  TXmlDocument read;
  read.LoadFromFile(path.string());
  EXPECT_EQ(read.Root()->GetString("Name", ""), "\u00C5se");
  EXPECT_EQ(std::filesystem::file_size(path), 82u);  // 47 prolog + 35 tree: one byte for the "Å"
  std::filesystem::remove(path);
  EXPECT_EQ(FailureMessage([&] { read.LoadFromFile(path.string()); }), "Cannot open file " + path.string());
}

TEST(Utf8Stream, ModesAndTheirFailures) {
  TUtf8Stream none(nullptr);
  char c;
  EXPECT_EQ(FailureMessage([&] { none.Read(&c, 1); }), "Utf stream unassigned");
  TUtf8Stream none2(nullptr);
  EXPECT_EQ(FailureMessage([&] { none2.Write("x", 1); }), "Utf stream unassigned");

  TMemoryStream target;
  TUtf8Stream writer(&target);
  EXPECT_EQ(FailureMessage([&] { writer.Position(); }), "Cannot seek before reading or writing on UTF stream");
  writer.WriteBuffer("ab", 2);
  EXPECT_EQ(writer.Position(), 2);
  EXPECT_EQ(FailureMessage([&] { writer.Read(&c, 1); }), "Cannot read from an UTF stream opened for writing");

  TMemoryStream source = StreamOf("xyz");
  TUtf8Stream reader(&source);
  EXPECT_EQ(reader.Read(&c, 1), 1);
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(FailureMessage([&] { reader.Write("x", 1); }), "Cannot write to an UTF stream opened for reading");
  EXPECT_EQ(reader.Seek(0, soEnd), 3);
  EXPECT_EQ(reader.Seek(-2, soCurrent), 1);
}

TEST(Utf8Stream, WritesCodePageTextAndReportsLossOnce) {
  TMemoryStream target;
  TUtf8Stream writer(&target);
  int losses = 0;
  writer.OnLoss = [&] { ++losses; };
  const std::string text = "\u00E9\u20AC\u0141\u4E2D";
  // Byte by byte: sequences cut between writes still convert as a whole.
  for (char ch : text) writer.WriteBuffer(&ch, 1);
  writer.WriteBuffer("\xC3", 1);  // a cut sequence left at the end
  writer.Flush();
  EXPECT_EQ(BytesOf(target), "\xE9\x80??\xC3");
  EXPECT_EQ(losses, 1);
}

TEST(Utf8Stream, FitsCodePage) {
  struct Case {
    const char* text;
    bool fits;
  } cases[] = {{"plain", true},       {"\u00FF\u20AC\u0178", true}, {"\u0100", false},
               {"\xFF\xFE raw", true}, {"\u0080", false},           {"\U0001F600", false}};
  for (const auto& c : cases) {
    std::string t = c.text;
    EXPECT_EQ(TUtf8Stream::FitsCodePage(reinterpret_cast<const uint8_t*>(t.data()), t.size()), c.fits) << t;
  }
}

}  // namespace
}  // namespace kivrano
