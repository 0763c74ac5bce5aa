#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "storage/XmlCodec.h"
#include "storage/XmlDocuments.h"
#include "XmlTestSupport.h"

namespace kivrano {
namespace {

TEST(XmlValues, FloatsInGeneralFormat) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {2.5, "2.5"},
      {-2.5, "-2.5"},
      {100, "100"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {static_cast<double>(0.1f), "0.100000001490116"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-0.000015, "-1.5E-5"},
      {1.5e20, "1.5E20"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1234567890123456.0, "1.23456789012346E15"},
      {999999999999999.9, "1E15"},
      {12.5e-300, "1.25E-299"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlFloatText(c.value), c.text) << c.value;
}

TEST(XmlValues, FloatsReadWithPointOrComma) {
  TXmlNode node(nullptr, "n");
  struct Case {
    const char* text;
    double expected;
  } cases[] = {{"2,5", 2.5}, {"2.5", 2.5}, {"-1E-5", -1e-5}, {"1.5E20", 1.5e20}, {" 7 ", 7},   {"+3", 3},
               {".5", 0.5},  {"abc", -1}, {"2.5x", -1},    {"", -1},           {"1,5,0", -1}, {"INF", -1},
               {"1e", -1},   {"-", -1}};
  for (const auto& c : cases) {
    node.SetText(c.text);
    EXPECT_EQ(node.TextAsFloat(-1), c.expected) << c.text;
  }
  for (double v : {0.1, 1.0 / 3, -123.456, 1e-7, 6.02214076e23}) {
    node.PutFloat("F", v, 0);
    EXPECT_NEAR(node.GetFloat("F", 0), v, std::fabs(v) * 1e-14);  // 15 significant digits
  }
}

TEST(XmlValues, IntegersDecimalAndHexadecimal) {
  TXmlNode node(nullptr, "n");
  struct Case {
    const char* text;
    int expected;
  } cases[] = {{"42", 42},         {"-42", -42},          {"$1F", 31},   {"$ff", 255},          {"$FFFFFFFF", -1},
               {"-$10", -16},      {"2147483647", 2147483647},           {"2147483648", 7},     {"-2147483648", INT32_MIN},
               {"$100000000", 7},  {"12a", 7},            {"", 7},       {"$", 7},              {"1.0", 7}};
  for (const auto& c : cases) {
    node.SetText(c.text);
    EXPECT_EQ(node.TextAsInteger(7), c.expected) << c.text;
  }
  node.PutInteger("I", -12, 0);
  EXPECT_EQ(node.GetString("I", ""), "-12");
  node.PutHex("H", 255, 0, 4);
  EXPECT_EQ(node.GetString("H", ""), "$00FF");
  EXPECT_EQ(node.GetInteger("H", 0), 255);
  node.PutHex("H", -1, 0, 2);
  EXPECT_EQ(node.GetString("H", ""), "$FFFFFFFF");
  EXPECT_EQ(node.GetInteger("Absent", 5), 5);
}

TEST(XmlValues, BooleansReadLeniently) {
  TXmlNode node(nullptr, "n");
  struct Case {
    const char* text;
    int expected;  // 1 true, 0 false, -1 default
  } cases[] = {{"True", 1},  {"TRUE", 1}, {"t", 1},  {"yes", 1}, {"Y", 1}, {"False", 0}, {"false", 0},
               {"n", 0},     {"No", 0},   {"F", 0},  {"0", -1},  {"1", -1}, {"", -1},     {"maybe", -1}};
  for (const auto& c : cases) {
    node.SetText(c.text);
    if (c.expected < 0) {
      EXPECT_TRUE(node.TextAsBool(true)) << c.text;
      EXPECT_FALSE(node.TextAsBool(false)) << c.text;
    } else {
      EXPECT_EQ(node.TextAsBool(c.expected == 0), c.expected == 1) << c.text;
    }
  }
  node.SetText("");
  node.PutBool("B", true, false);
  node.PutBool("C", false, true);
  EXPECT_EQ(node.AsText(), "<n><B>True</B><C>False</C></n>");
}

TEST(XmlValues, DefaultsAreSkippedOnlyWhenTheDocumentSaysSo) {
  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  r->PutInteger("Size", 14, 14);
  EXPECT_EQ(r->GetString("Size", "-"), "14");
  r->ClearChildren();
  doc.SetStoreDefaults(false);
  r->PutInteger("Size", 14, 14);
  r->PutString("S", "", "");
  r->PutFloat("F", 0.5, 0.5);
  r->PutBool("B", true, true);
  r->PutColor("C", clWhite, clWhite);
  EXPECT_EQ(r->ChildCount(), 0);
  r->PutColor("Black", clBlack, clWhite);
  EXPECT_EQ(r->GetString("Black", ""), "$00000000");
  // A node without a document stores defaults.
  TXmlNode loose(nullptr, "n");
  loose.PutInteger("Size", 14, 14);
  EXPECT_EQ(loose.ChildCount(), 1);
  // Writing a name twice overwrites its one child.
  r->PutInteger("Size", 15, 14);
  r->PutInteger("size", 16, 14);
  EXPECT_EQ(r->ChildCount(), 2);
  EXPECT_EQ(r->GetInteger("SIZE", 0), 16);
}

TEST(XmlValues, StringsAreEscapedInChildren) {
  TXmlNode node(nullptr, "n");
  node.PutString("S", "a<b & \"c\"", "");
  EXPECT_EQ(node.AsText(), "<n><S>a&lt;b &amp; &quot;c&quot;</S></n>");
  EXPECT_EQ(node.GetString("S", ""), "a<b & \"c\"");
  EXPECT_EQ(node.GetString("T", "dflt"), "dflt");
}

TEST(XmlValues, ColoursResolveSystemColoursAndFailOnBadText) {
  TXmlNode node(nullptr, "n");
  node.PutColor("C", 0x00123456, 0);
  EXPECT_EQ(node.GetString("C", ""), "$00123456");
  EXPECT_EQ(node.GetColor("C", 0), 0x00123456);
  const TColor btnFace = static_cast<TColor>(0xFF00000F);
  node.PutColor("Face", btnFace, 0);
  EXPECT_EQ(node.GetString("Face", ""), "$00F0F0F0");
  node.PutString("D", "255", "");
  EXPECT_EQ(node.GetColor("D", 0), 255);
  EXPECT_EQ(node.GetColor("Absent", clWhite), clWhite);
  node.PutString("Bad", "red", "");
  EXPECT_EQ(FailureMessage([&] { node.GetColor("Bad", 0); }), "'red' is not a valid integer value");
}

TEST(XmlValues, DatesAndTimes) {
  TXmlNode node(nullptr, "n");
  EXPECT_EQ(XmlEncodeDateTime(1899, 12, 30), 0);
  EXPECT_EQ(XmlEncodeDateTime(1900, 1, 1), 2);
  TDateTime midnight = XmlEncodeDateTime(2004, 2, 29);
  node.PutDateTime("D", midnight, 0);
  EXPECT_EQ(node.GetString("D", ""), "2004-02-29");
  TDateTime withTime = XmlEncodeDateTime(2004, 2, 29, 13, 45, 7, 250);
  node.PutDateTime("T", withTime, 0);
  EXPECT_EQ(node.GetString("T", ""), "2004-02-29T13:45:07.250Z");
  EXPECT_NEAR(node.GetDateTime("T", 0), withTime, 1e-9);
  EXPECT_EQ(node.GetDateTime("D", 0), midnight);
  EXPECT_EQ(XmlDateTimeText(XmlEncodeDateTime(1850, 6, 1, 6)), "1850-06-01T06:00:00.000Z");

  struct Case {
    const char* text;
    double expected;  // -1: the default
  } cases[] = {{"2004-13-01", -1},
               {"2004-02-30", -1},
               {"2004-1-1", -1},
               {"abcd-01-01", -1},
               {"", -1},
               {"2004-01-01T25:00:00.000Z", -1},
               {"2004-01-01T12:30:xx.yyyZ", XmlEncodeDateTime(2004, 1, 1, 12, 30)},
               {"2004-01-01T12:30:15Z", XmlEncodeDateTime(2004, 1, 1, 12, 30, 15)},
               {"2004-01-01 short", XmlEncodeDateTime(2004, 1, 1)},
               {"1900-03-01", XmlEncodeDateTime(1900, 3, 1)}};
  for (const auto& c : cases) {
    node.SetText(c.text);
    EXPECT_NEAR(node.TextAsDateTime(-1), c.expected, 1e-9) << c.text;
  }
}

TEST(XmlValues, FontPenAndBrushRoundTrip) {
  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  TXmlFontData font{"Verdana", 0x0000FF, 10, true, false, true, false};
  TXmlPenData pen{0x00FF00, pmXor, psDash, 3};
  TXmlBrushData brush{0x123456, bsCross};
  r->PutFont("Font", font);
  r->PutPen("Pen", pen);
  r->PutBrush("Brush", brush);
  EXPECT_EQ(r->AsText(),
            "<R><Font><Name>Verdana</Name><Color>$000000FF</Color><Size>10</Size><Bold>True</Bold>"
            "<Italic>False</Italic><Underline>True</Underline><Strikeout>False</Strikeout></Font>"
            "<Pen><Color>$0000FF00</Color><Mode>14</Mode><Style>1</Style><Width>3</Width></Pen>"
            "<Brush><Color>$00123456</Color><Style>6</Style></Brush></R>");
  EXPECT_EQ(r->GetFont("Font"), font);
  EXPECT_EQ(r->GetPen("Pen"), pen);
  EXPECT_EQ(r->GetBrush("Brush"), brush);
}

TEST(XmlValues, CompositeDefaultsWhenAbsent) {
  TXmlNode node(nullptr, "n");
  node.ParseText("<n><Font><Bold>True</Bold></Font><Pen/><Brush><Style>99</Style></Brush></n>");
  TXmlFontData font = node.GetFont("Font");
  EXPECT_EQ(font, (TXmlFontData{"Arial", clBlack, 14, true, false, false, false}));
  EXPECT_EQ(node.GetFont("Missing"), TXmlFontData{});
  EXPECT_EQ(node.GetPen("Pen"), (TXmlPenData{clBlack, pmCopy, psSolid, 1}));
  EXPECT_EQ(node.GetPen("Missing"), TXmlPenData{});
  EXPECT_EQ(node.GetBrush("Brush"), (TXmlBrushData{clWhite, bsSolid}));  // out-of-range style
  EXPECT_EQ(node.GetBrush("Missing"), (TXmlBrushData{clWhite, bsSolid}));
  TXmlNode bad(nullptr);
  bad.ParseText("<n><Pen><Color>x</Color></Pen></n>");
  EXPECT_EQ(FailureMessage([&] { bad.GetPen("Pen"); }), "'x' is not a valid integer value");
}

// Left-out defaults must read back as the values that were written.
TEST(XmlValues, CompositesWithoutDefaultsReadBackUnchanged) {
  TXmlDocument doc("R");
  doc.SetStoreDefaults(false);
  TXmlNode* r = doc.Root();
  const TXmlPenData pens[] = {{clBlack, pmBlack, psSolid, 0}, {clBlack, pmCopy, psSolid, 1}, {0x00FF00, pmXor, psDot, 2}};
  const TXmlBrushData brushes[] = {{clBlack, bsSolid}, {clWhite, bsSolid}, {clWhite, bsClear}};
  const TXmlFontData fonts[] = {TXmlFontData{}, {"Arial", 0x00FF00, 14, false, true, false, true}};
  for (const auto& pen : pens) {
    r->PutPen("P", pen);
    EXPECT_EQ(r->GetPen("P"), pen);
    r->ClearChildren();
  }
  for (const auto& brush : brushes) {
    r->PutBrush("B", brush);
    EXPECT_EQ(r->GetBrush("B"), brush);
    r->ClearChildren();
  }
  for (const auto& font : fonts) {
    r->PutFont("F", font);
    EXPECT_EQ(r->GetFont("F"), font);
    r->ClearChildren();
  }
  r->PutBrush("B", TXmlBrushData{});
  EXPECT_EQ(r->AsText(), "<R><B/></R>");
}

// ---------------------------------------------------------------------------------------------
// Byte payloads

std::vector<uint8_t> Iota(size_t n) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), uint8_t{0});
  return bytes;
}

TEST(XmlPayload, Base64InRunsOf76Characters) {
  TXmlDocument doc("Doc");
  doc.SetLayout(xlIndented);
  TXmlNode* data = doc.Root()->NewChild("Data");
  auto bytes = Iota(100);
  data->WriteBinary(bytes.data(), bytes.size());
  const std::string run1 = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4";
  const std::string run2 = "OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiYw==";
  EXPECT_EQ(data->Value(), "\r\n  " + run1 + "\r\n  " + run2 + "\r\n  ");
  EXPECT_EQ(data->AsText(), "  <Data>\r\n  " + run1 + "\r\n  " + run2 + "\r\n  </Data>");
  EXPECT_EQ(data->BinaryLength(), 100);
  std::vector<uint8_t> back(100);
  data->ReadBinary(back.data(), back.size());
  EXPECT_EQ(back, bytes);

  // Through a whole write and read the payload survives.
  TXmlDocument read;
  read.ParseText(doc.AsText());
  std::vector<uint8_t> again(100);
  read.Root()->FindChild("Data")->ReadBinary(again.data(), again.size());
  EXPECT_EQ(again, bytes);

  data->WriteBinary(nullptr, 0);
  EXPECT_EQ(data->Value(), "\r\n  ");
  EXPECT_EQ(data->BinaryLength(), 0);
  doc.SetLayout(xlCompact);
  data->WriteBinary(bytes.data(), 100);
  EXPECT_EQ(data->Value(), run1 + run2);
  doc.SetLayout(xlLineFeed);
  data->WriteBinary(bytes.data(), 2);
  EXPECT_EQ(data->Value(), "\nAAE=\n");
}

TEST(XmlPayload, LengthsOfEveryRemainder) {
  TXmlDocument doc("Doc");
  TXmlNode* data = doc.Root()->NewChild("Data");
  for (TXmlBinaryCoding coding : {bcHex, bcBase64}) {
    doc.SetBinaryCoding(coding);
    for (size_t n = 0; n <= 9; ++n) {
      auto bytes = Iota(n);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(b * 37 + 200);
      data->WriteBinary(bytes.data(), n);
      EXPECT_EQ(data->BinaryLength(), static_cast<int64_t>(n)) << coding << " " << n;
      std::vector<uint8_t> back(n);
      data->ReadBinary(back.data(), n);
      EXPECT_EQ(back, bytes) << coding << " " << n;
    }
  }
  doc.SetBinaryCoding(bcHex);
  uint8_t bytes[] = {0x00, 0xAB, 0xFF};
  data->WriteBinary(bytes, 3);
  EXPECT_EQ(data->Value(), "00ABFF");
  // Without a document the coding is hexadecimal.
  TXmlNode loose(nullptr, "n");
  loose.WriteBinary(bytes, 3);
  EXPECT_EQ(loose.Value(), "00ABFF");
}

TEST(XmlPayload, DecodingIsLenientAboutCharacters) {
  TXmlNode node(nullptr, "n");
  node.SetValue(" 0a\r\n\tfF zz ");
  uint8_t hex[3];
  node.ReadBinary(hex, 3);
  EXPECT_EQ(hex[0], 0x0A);
  EXPECT_EQ(hex[1], 0xFF);
  EXPECT_EQ(hex[2], 0x00);  // characters that are no digits count as 0

  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  doc.SetBinaryCoding(bcRadix64);
  r->SetValue("1000\n0001");
  uint8_t radix[6];
  r->ReadBinary(radix, 6);
  EXPECT_EQ(std::vector<uint8_t>(radix, radix + 6), (std::vector<uint8_t>{0, 0, 1, 4, 0, 0}));
  r->WriteBinary(radix, 6);
  EXPECT_EQ(r->Value(), "");
}

TEST(XmlPayload, Failures) {
  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  struct Case {
    TXmlBinaryCoding coding;
    const char* value;
    const char* message;
  } cases[] = {{bcHex, "ABC", "Error while calculating streamlength"},
               {bcBase64, "AAE", "Error while calculating streamlength"},
               {bcRadix64, "0000", "Cannot determine stream length"}};
  for (const auto& c : cases) {
    doc.SetBinaryCoding(c.coding);
    r->SetValue(c.value);
    EXPECT_EQ(FailureMessage([&] { r->BinaryLength(); }), c.message) << c.value;
  }
  for (TXmlBinaryCoding coding : {bcHex, bcBase64, bcRadix64}) {
    doc.SetBinaryCoding(coding);
    r->SetValue("AAAA");
    uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(FailureMessage([&] { r->ReadBinary(buffer, coding == bcHex ? 3 : 4); }), "Missing data in binary stream");
    for (uint8_t b : buffer) EXPECT_EQ(b, 9);
  }
}

}  // namespace
}  // namespace kivrano
