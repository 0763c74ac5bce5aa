#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "storage/XmlDocuments.h"
#include "XmlTestSupport.h"

namespace kivrano {
namespace {

// A stream that is no memory stream and hands out at most three bytes per read, so that the
// reader's block buffer and its stepping back meet block boundaries everywhere.
class TrickleStream : public TStream {
 public:
  explicit TrickleStream(const std::string& text) : data_(text) {}
  int32_t Read(void* buffer, int32_t count) override {
    int32_t n = static_cast<int32_t>(std::min<int64_t>({count, 3, static_cast<int64_t>(data_.size()) - position_}));
    if (n <= 0) return 0;
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : static_cast<int64_t>(data_.size());
    position_ = std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(data_.size()));
    return position_;
  }

 private:
  std::string data_;
  int64_t position_ = 0;
};

TEST(XmlWriter, PageDocumentInIndentedLayout) {
  TXmlDocument doc("Page");
  doc.SetLayout(xlIndented);
  doc.Root()->NewChild("Index")->SetText("1");
  EXPECT_EQ(doc.AsText(),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<Page>\r\n  <Index>1</Index>\r\n</Page>");
}

TEST(XmlWriter, ElementFormsPerLayout) {
  struct Case {
    TXmlLayout layout;
    const char* expected;
  } cases[] = {
      {xlCompact, "<R><E/><A a=\"1\"/><T>text</T><P><C>x</C></P></R>"},
      {xlLineFeed, "<R>\n<E/>\n<A a=\"1\"/>\n<T>text</T>\n<P>\n<C>x</C>\n</P>\n</R>"},
      {xlIndented,
       "<R>\r\n  <E/>\r\n  <A a=\"1\"/>\r\n  <T>text</T>\r\n  <P>\r\n    <C>x</C>\r\n  </P>\r\n</R>"},
  };
  for (const auto& c : cases) {
    TXmlDocument doc("R");
    doc.SetLayout(c.layout);
    doc.Root()->NewChild("E");
    doc.Root()->NewChild("A")->AddAttributeInt("a", 1);
    doc.Root()->NewChild("T")->SetText("text");
    doc.Root()->NewChild("P")->NewChild("C")->SetText("x");
    EXPECT_EQ(doc.Root()->AsText(), c.expected) << c.layout;
  }
}

TEST(XmlWriter, PrologWithStyleSheetAndComments) {
  TXmlDocument doc("R");
  doc.SetStyleSheet("href=\"s.xsl\"");
  doc.Comments() = {"a<b", "", "c"};
  EXPECT_EQ(doc.AsText(),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<?xml-stylesheet href=\"s.xsl\"?>\n"
            "<!--a&lt;b-->\n<!--c-->\n<R/>");
  doc.SetVersion("");
  doc.SetEncoding("");
  doc.SetStyleSheet("");
  doc.Comments().clear();
  EXPECT_EQ(doc.AsText(), "<R/>");
}

TEST(XmlReader, ReadsElementsAttributesAndProlog) {
  TXmlDocument doc;
  doc.ParseText(
      "<?xml version=\"1.1\" encoding=\"utf-8\"?>\r\n<!--first-->\r\n<?xml-stylesheet type=\"text/xsl\"?>\r\n"
      "<Root a = 'x y' b=\"1\">\r\n  <Child>v&amp;w</Child>\r\n  <Empty/>\r\n</Root>");
  EXPECT_EQ(doc.Version(), "1.1");
  EXPECT_EQ(doc.Encoding(), "utf-8");
  EXPECT_EQ(doc.StyleSheet(), "type=\"text/xsl\"");
  EXPECT_EQ(doc.Comments(), std::vector<std::string>{"first"});
  TXmlNode* root = doc.Root();
  EXPECT_EQ(root->Name(), "Root");
  EXPECT_EQ(root->AttributeCount(), 2);
  EXPECT_EQ(root->AttributePair(0), "a='x y'");
  EXPECT_EQ(root->AttributeByName("A"), "x y");
  EXPECT_EQ(root->GetAttributeInt("b", 0), 1);
  EXPECT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->Children(0)->Text(), "v&w");
  EXPECT_EQ(root->Children(1)->Kind(), xnEmptyElement);
  EXPECT_EQ(root->Value(), "");
  EXPECT_EQ(root->Parent(), nullptr);
  EXPECT_EQ(root->Children(0)->Level(), 1);
}

TEST(XmlReader, TextAfterFirstChildIsDroppedAndIndentedTextReadsBack) {
  TXmlDocument doc;
  doc.ParseText("<a>t<b/>x</a>");
  EXPECT_EQ(doc.Root()->Text(), "t");
  EXPECT_EQ(doc.Root()->ChildCount(), 1);

  TXmlDocument written("a");
  written.SetLayout(xlIndented);
  written.Root()->SetText("line1\r\nline2");
  written.Root()->NewChild("b")->NewChild("c")->SetText("z");
  TXmlDocument read;
  read.ParseText(written.AsText());
  EXPECT_EQ(read.Root()->Text(), "line1\r\nline2");
  EXPECT_EQ(read.Root()->Children(0)->Children(0)->Text(), "z");
}

TEST(XmlReader, TagKindsAndTheirValues) {
  TXmlDocument doc;
  doc.ParseText("<r><!--c--><![CDATA[<x>]]><!DOCTYPE d><?pi data?><?xml v=\"2\"?></r>");
  TXmlNode* r = doc.Root();
  ASSERT_EQ(r->ChildCount(), 5);
  struct Expect {
    TXmlNodeKind kind;
    const char* name;
    const char* value;
  } expected[] = {{xnComment, "Comment", "c"},
                  {xnCData, "CData", "<x>"},
                  {xnOther, "Unknown", "DOCTYPE d"},
                  {xnOther, "Unknown", "pi data"},
                  {xnDeclaration, "xml", ""}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r->Children(i)->Kind(), expected[i].kind) << i;
    EXPECT_EQ(r->Children(i)->Name(), expected[i].name) << i;
    EXPECT_EQ(r->Children(i)->Value(), expected[i].value) << i;
  }
  EXPECT_EQ(r->Children(4)->AttributeByName("v"), "2");
  // Nodes introduced by "<!" and "<?" are written back as they were read.
  EXPECT_EQ(r->AsText(), "<r><!--c--><![CDATA[<x>]]><!DOCTYPE d><?pi data?><?xml v=\"2\"?></r>");
}

TEST(XmlReader, AttributeSplittingRules) {
  TXmlNode node(nullptr);
  node.ParseText("<n a = \"x y\" b= 'q' c =\"z\" flag d=\"1\"\"2\"/>");
  EXPECT_EQ(node.Name(), "n");
  ASSERT_EQ(node.AttributeCount(), 5);
  EXPECT_EQ(node.AttributePair(0), "a=\"x y\"");
  EXPECT_EQ(node.AttributePair(1), "b='q'");
  EXPECT_EQ(node.AttributePair(2), "c=\"z\"");
  EXPECT_EQ(node.AttributeName(3), "flag");
  EXPECT_EQ(node.AttributeText(3), "");
  EXPECT_EQ(node.AttributeText(4), "1\"2");
}

TEST(XmlReader, LineBreaksInsideQuotedAttributeValuesSurvive) {
  TXmlNode node(nullptr, "n");
  node.AddAttribute("v", "one\r\ntwo  three");
  TXmlNode read(nullptr);
  read.ParseText(node.AsText());
  EXPECT_EQ(read.AttributeCount(), 1);
  EXPECT_EQ(read.AttributeByName("v"), "one\r\ntwo  three");
}

TEST(XmlReader, StrayTextAndCloseTagsAtTopLevelAreSkipped) {
  TXmlDocument doc;
  doc.ParseText("junk </x> <r>1</r> more");
  EXPECT_EQ(doc.Root()->Name(), "r");
  EXPECT_EQ(doc.Root()->Text(), "1");
}

TEST(XmlReader, TagTableQuirks) {
  // "<?xml-" followed by something else keeps the declaration and consumes the "-".
  TXmlNode decl(nullptr);
  decl.ParseText("<?xml-foo a=\"1\"?>");
  EXPECT_EQ(decl.Kind(), xnDeclaration);
  EXPECT_EQ(decl.AttributeCount(), 2);
  EXPECT_EQ(decl.AttributePair(0), "foo");
  // "< b/>" inside an element: the child read starts at the blank and yields a nameless child.
  TXmlDocument doc;
  doc.ParseText("<a>< b/></a>");
  ASSERT_EQ(doc.Root()->ChildCount(), 1);
  EXPECT_EQ(doc.Root()->Children(0)->Name(), "");
}

TEST(XmlReader, MalformedInputFailsWithMessages) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"<a>", "Missing close tag in element a"},
      {"<a>text", "Missing close tag in element a"},
      {"<a><", "Missing data after \"<\" in element a"},
      {"<a>< \r\n", "Missing data after \"<\" in element a"},
      {"<a></a", "Missing \">\" in close tag of element a"},
      {"<a></b>", "Incorrect close tag in element a"},
      {"<a><b></a></b>", "Incorrect close tag in element b"},
      {"<a/><b/>", "More than one root element found in xml"},
      {"<a></a><b>x</b>", "More than one root element found in xml"},
      {"<!--only a comment-->", "No root element found in xml"},
      {"", "No root element found in xml"},
      {"plain text", "No root element found in xml"},
      {"<?xml-stylesheet a?><?xml-stylesheet b?><r/>", "Multiple stylesheets in root not supported"},
      {"<![CDATA[x]]><r/>", "No CDATA allowed in root"},
      {"<>", "Missing element name"},
      {"<r><></r>", "Missing element name"},
  };
  for (const auto& c : cases) {
    TXmlDocument doc;
    EXPECT_EQ(FailureMessage([&] { doc.ParseText(c.text); }), c.message) << c.text;
  }
}

TEST(XmlReader, FailedReadKeepsTheOldRoot) {
  TXmlDocument doc("Old");
  doc.Root()->NewChild("Kept");
  EXPECT_THROW(doc.ParseText("<a/><b/>"), Exception);
  EXPECT_EQ(doc.Root()->Name(), "Old");
  EXPECT_EQ(doc.Root()->ChildCount(), 1);
  EXPECT_THROW(doc.ParseText("<a><b>"), Exception);
  EXPECT_EQ(doc.Root()->Name(), "Old");
}

TEST(XmlReader, NestingIsBounded) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<e>";
    for (int i = 0; i < depth; ++i) text += "</e>";
    return text;
  };
  TXmlDocument doc;
  EXPECT_NO_THROW(doc.ParseText(nested(kMaxXmlDepth)));
  EXPECT_EQ(FailureMessage([&] { doc.ParseText(nested(kMaxXmlDepth + 1)); }), "Elements nested too deeply in element e");
  // Endless opening without closing fails the same way instead of recursing on.
  std::string endless;
  for (int i = 0; i < 100000; ++i) endless += "<x>";
  EXPECT_EQ(FailureMessage([&] { doc.ParseText(endless); }), "Elements nested too deeply in element x");
}

TEST(XmlReader, BlockBoundariesDoNotChangeTheResult) {
  TXmlDocument source("Page");
  source.SetLayout(xlIndented);
  TXmlNode* shape = source.Root()->NewChild("Shape");
  shape->AddAttribute("id", "7 & 8");
  shape->PutString("Name", "a<b>c", "");
  shape->NewChild("Empty");
  shape->PutFloat("DocLeft", 12.5, 0);
  std::string text = source.AsText();

  TXmlDocument fromMemory;
  fromMemory.ParseText(text);
  TrickleStream trickle(text);
  TXmlDocument fromTrickle;
  fromTrickle.ParseStream(trickle);
  fromMemory.SetLayout(xlIndented);
  fromTrickle.SetLayout(xlIndented);
  EXPECT_EQ(fromTrickle.AsText(), text);
  EXPECT_EQ(fromMemory.AsText(), text);
}

TEST(XmlReader, NodeReadLeavesStreamAfterTheNode) {
  const std::string text = "<a>1</a>  <b x=\"2\"/>";
  TMemoryStream memory(std::vector<uint8_t>(text.begin(), text.end()));
  TrickleStream trickle(text);
  for (TStream* stream : {static_cast<TStream*>(&memory), static_cast<TStream*>(&trickle)}) {
    TXmlNode a(nullptr), b(nullptr);
    a.ParseStream(*stream);
    EXPECT_EQ(stream->Position(), 8);
    b.ParseStream(*stream);
    EXPECT_EQ(a.Text(), "1");
    EXPECT_EQ(b.AttributeByName("x"), "2");
    EXPECT_EQ(stream->Position(), static_cast<int64_t>(text.size()));
  }
}

TEST(XmlDocument, CommentBeforeRootRoundTrips) {
  TXmlDocument doc;
  doc.ParseText("<!--made by hand--><r/>");
  EXPECT_EQ(doc.Comments(), std::vector<std::string>{"made by hand"});
  EXPECT_EQ(doc.AsText(), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!--made by hand-->\n<r/>");
}

TEST(XmlDocument, EventsReportNodesAndProgress) {
  TXmlDocument doc;
  std::vector<std::string> log;
  doc.OnNodeStart = [&](TXmlDocument&, TXmlNode& n) { log.push_back("start " + n.Name()); };
  doc.OnNodeDone = [&](TXmlDocument&, TXmlNode& n) { log.push_back("done " + n.Name()); };
  std::vector<int64_t> progress;
  doc.OnProgress = [&](TXmlDocument&, int64_t p) { progress.push_back(p); };
  doc.ParseText("<a><b/><!--c--></a>");
  EXPECT_EQ(log, (std::vector<std::string>{"start a", "start b", "done b", "start Comment", "done Comment",
                                           "done a"}));
  EXPECT_EQ(progress, (std::vector<int64_t>{0, 19}));

  log.clear();
  EXPECT_THROW(doc.ParseText("<a><b>"), Exception);
  EXPECT_EQ(log, (std::vector<std::string>{"start a", "start b", "done b", "done a"}));

  doc.ParseText("<a><b/></a>");
  doc.SetVersion("");
  doc.SetEncoding("");
  progress.clear();
  TMemoryStream out;
  doc.WriteStream(out);
  EXPECT_EQ(progress, (std::vector<int64_t>{0, 7, 11, 11}));  // start, after <b/>, after </a>, size
}

TEST(XmlDocument, CopyFromCopiesTreeAndProlog) {
  TXmlDocument source("R");
  source.SetLayout(xlIndented);
  source.SetVersion("1.1");
  source.Comments().push_back("note");
  source.Root()->NewChild("A")->SetText("1");
  TXmlDocument copy;
  copy.CopyFrom(source);
  EXPECT_EQ(copy.Version(), "1.1");
  EXPECT_EQ(copy.Comments(), std::vector<std::string>{"note"});
  EXPECT_EQ(copy.Layout(), xlCompact);
  EXPECT_EQ(copy.Root()->GetString("A", ""), "1");
  copy.CopyFrom(copy);
  EXPECT_EQ(copy.Root()->GetString("A", ""), "1");
  EXPECT_TRUE(TXmlDocument().IsEmpty());
  EXPECT_FALSE(copy.IsEmpty());
}

TEST(XmlNode, StructureOperations) {
  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  TXmlNode* a = r->NewChild("A");
  r->NewChild("b");
  r->NewChild("a");
  EXPECT_EQ(r->FindChild("a"), a);
  EXPECT_EQ(r->ChildIndex("B"), 1);
  EXPECT_EQ(r->ChildIndexFrom("A", 1), 2);
  EXPECT_EQ(r->ChildIndexFrom("A", 3), -1);
  std::vector<TXmlNode*> found{a};
  r->FindChildren("x", found);
  EXPECT_TRUE(found.empty());
  r->FindChildren("A", found);
  EXPECT_EQ(found.size(), 2u);
  EXPECT_EQ(r->Children(-1), nullptr);
  EXPECT_EQ(r->Children(3), nullptr);
  EXPECT_EQ(r->FindOrNewChild("B"), r->Children(1));
  TXmlNode* c = r->FindOrNewChild("C");
  EXPECT_EQ(c, r->Children(3));
  EXPECT_EQ(r->AddChild(nullptr), -1);

  std::unique_ptr<TXmlNode> detached = r->DetachChild(a);
  ASSERT_EQ(detached.get(), a);
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(r->DetachChild(a), nullptr);
  EXPECT_EQ(r->AddChild(std::move(detached)), 3);
  EXPECT_EQ(a->Parent(), r);
  r->DeleteChild(10);
  r->DeleteChild(0);
  EXPECT_EQ(r->ChildCount(), 3);

  a->AddAttribute("k", "v");
  EXPECT_FALSE(a->IsEmpty());
  a->Clear();
  EXPECT_TRUE(a->IsClear());
  EXPECT_EQ(a->Kind(), xnElement);
  r->ClearChildren();
  EXPECT_EQ(r->ChildCount(), 0);
}

TEST(XmlNode, NamesWithWhiteSpaceAreRefused) {
  for (const char* bad : {"a b", "a\tb", "a\nb", "a\rb"}) {
    TXmlNode node(nullptr, "ok");
    EXPECT_EQ(FailureMessage([&] { node.SetName(bad); }), std::string("Illegal character in node name \"") + bad + "\"");
    EXPECT_EQ(node.Name(), "ok");
  }
  EXPECT_THROW(TXmlDocument("Two words"), Exception);
}

TEST(XmlNode, TextIsEscapedOnceAndUnescapedOnce) {
  TXmlNode node(nullptr, "n");
  node.SetText("<a href='x'>\"&\"</a>\ttab");
  EXPECT_EQ(node.Value(), "&lt;a href=&apos;x&apos;&gt;&quot;&amp;&quot;&lt;/a&gt;\ttab");
  EXPECT_EQ(node.Text(), "<a href='x'>\"&\"</a>\ttab");
  node.SetValue("&amp;lt; &#65; &nbsp; &amp");
  EXPECT_EQ(node.Text(), "&lt; &#65; &nbsp; &amp");
}

TEST(XmlNode, AttributesEscapeQuoteAndReadBack) {
  TXmlNode node(nullptr, "n");
  node.AddAttribute("t", "say \"A&B\"");
  EXPECT_EQ(node.AttributePair(0), "t=\"say &quot;A&amp;B&quot;\"");
  EXPECT_EQ(node.AsText(), "<n t=\"say &quot;A&amp;B&quot;\"/>");
  TXmlNode read(nullptr);
  read.ParseText(node.AsText());
  EXPECT_EQ(read.AttributeByName("T"), "say \"A&B\"");

  node.AddAttribute("t", "second");
  node.SetAttribute("T", "first");
  EXPECT_EQ(node.AttributeText(0), "first");
  EXPECT_EQ(node.AttributeText(1), "second");
  node.SetAttributeInt("n", -5);
  EXPECT_EQ(node.GetAttributeInt("n", 0), -5);
  node.SetAttribute("h", "$1F");
  EXPECT_EQ(node.GetAttributeInt("h", 0), 31);
  node.SetAttribute("bad", "12a");
  EXPECT_EQ(node.GetAttributeInt("bad", 9), 9);
  EXPECT_EQ(node.GetAttributeInt("absent", 9), 9);
  EXPECT_EQ(node.AttributeByName("absent"), "");
  EXPECT_EQ(node.AttributeName(99), "");
  EXPECT_EQ(node.AttributeText(-1), "");
  node.ClearAttributes();
  EXPECT_EQ(node.AttributeCount(), 0);
}

TEST(XmlNode, ParseAndCopy) {
  TXmlDocument doc("R");
  TXmlNode* r = doc.Root();
  r->ParseText("");
  EXPECT_EQ(r->Name(), "R");
  TXmlNode* a = r->NewChild("A");
  a->NewChild("B")->PutInteger("C", 3, 0);
  doc.SetLayout(xlIndented);
  TXmlNode copy(&doc);
  copy.CopyFrom(*a);
  EXPECT_EQ(doc.Layout(), xlIndented);
  doc.SetLayout(xlCompact);
  EXPECT_EQ(copy.AsText(), "<A><B><C>3</C></B></A>");
  // Copying from a descendant replaces the node by that descendant's content.
  a->CopyFrom(*a->Children(0));
  EXPECT_EQ(a->Name(), "B");
  EXPECT_EQ(a->GetInteger("C", 0), 3);
}

}  // namespace
}  // namespace kivrano
