#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/dtpGroupShape.h"
#include "platform/HeadlessViewHost.h"
#include "shapes/dtpShapeClasses.h"

namespace kivrano {
namespace {

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterStandardShapeClasses();
    f.doc.SetHost(&host);
  }
  void TearDown() override { f.doc.SetHost(nullptr); }

  TdtpShape* AddNamed(const std::string& name, float left, float top, float width, float height) {
    TdtpShape* s = f.Add(left, top, width, height);
    s->SetName(name);
    return s;
  }

  std::string Order() {
    std::string order;
    for (int i = 0; i < f.doc.ShapeCount(); ++i) order += f.doc.Shapes(i)->Name();
    return order;
  }

  THeadlessViewHost host;
  test::DocumentFixture f;
};

TEST_F(ClipboardTest, SelectionXmlIsIndentedWithoutDefaults) {
  TdtpShape* a = AddNamed("a", 20, 30, 40, 10);
  AddNamed("b", 0, 0, 1, 1);
  TdtpShape* c = AddNamed("c", 5, 6, 7, 8);
  c->SetDocAngle(30);
  EXPECT_EQ(f.doc.SelectionToXml(), "") << "nothing selected";
  a->SetSelected(true);
  c->SetSelected(true);

  auto entry = [](const std::string& geometry, const std::string& name) {
    return "  <Shape>\r\n"
           "    <ClassName>TdtpShape</ClassName>\r\n"
           "    <AllowResize>True</AllowResize>\r\n"
           "    <AllowRotate>True</AllowRotate>\r\n"
           "    <AllowSelect>True</AllowSelect>\r\n"
           "    <Anchors>\r\n"
           "      <default>True</default>\r\n"
           "      <LeftLock>True</LeftLock>\r\n"
           "      <TopLock>True</TopLock>\r\n"
           "    </Anchors>\r\n" +
           geometry + "    <Name>" + name + "</Name>\r\n" +
           "    <Visible>True</Visible>\r\n"
           "    <MasterAlpha>$FF</MasterAlpha>\r\n"
           "  </Shape>\r\n";
  };
  const std::string want = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                           "<Selection>\r\n" +
                           entry("    <DocLeft>20</DocLeft>\r\n"
                                 "    <DocTop>30</DocTop>\r\n"
                                 "    <DocHeight>10</DocHeight>\r\n"
                                 "    <DocWidth>40</DocWidth>\r\n",
                                 "a") +
                           entry("    <DocAngle>30</DocAngle>\r\n"
                                 "    <DocLeft>5</DocLeft>\r\n"
                                 "    <DocTop>6</DocTop>\r\n"
                                 "    <DocHeight>8</DocHeight>\r\n"
                                 "    <DocWidth>7</DocWidth>\r\n",
                                 "c") +
                           "</Selection>";
  EXPECT_EQ(f.doc.SelectionToXml(), want);
}

TEST_F(ClipboardTest, PastingOnTheCopySourcePageOffsetsEachCopyFurther) {
  TdtpShape* original = AddNamed("a", 20, 30, 40, 10);
  original->SetDocAngle(90);
  const float left = original->BoundsLeft();
  const float top = original->BoundsTop();
  original->SetSelected(true);
  f.doc.CopyToClipboard();
  EXPECT_EQ(f.doc.CopySourcePage(), f.page());
  EXPECT_TRUE(f.doc.CanPaste());

  f.doc.PasteFromClipboard();
  ASSERT_EQ(f.doc.ShapeCount(), 2);
  TdtpShape* first = f.doc.Shapes(1);
  EXPECT_FALSE(original->Selected());
  EXPECT_TRUE(first->Selected());
  EXPECT_NEAR(first->BoundsLeft(), left + 10, 1e-4f);
  EXPECT_NEAR(first->BoundsTop(), top + 10, 1e-4f);
  EXPECT_FLOAT_EQ(first->DocAngle(), 90);
  EXPECT_NE(first->ShapeID(), original->ShapeID());

  f.doc.PasteFromClipboard();
  ASSERT_EQ(f.doc.ShapeCount(), 3);
  EXPECT_NEAR(f.doc.Shapes(2)->BoundsLeft(), left + 20, 1e-4f);
  EXPECT_NEAR(f.doc.Shapes(2)->BoundsTop(), top + 20, 1e-4f);
  EXPECT_NEAR(original->BoundsLeft(), left, 1e-4f) << "the original stays";
  EXPECT_EQ(f.doc.SelectionCount(), 1);

  // Another page takes the copy where it was on the clipboard, and becomes the copy source.
  f.doc.AddPage(nullptr);
  f.doc.SetCurrentPageIndex(1);
  f.doc.PasteFromClipboard();
  ASSERT_EQ(f.doc.ShapeCount(), 1);
  EXPECT_NEAR(f.doc.Shapes(0)->BoundsLeft(), left + 20, 1e-4f);
  EXPECT_NEAR(f.doc.Shapes(0)->BoundsTop(), top + 20, 1e-4f);
  EXPECT_EQ(f.doc.CopySourcePage(), f.page());
  f.doc.PasteFromClipboard();
  EXPECT_NEAR(f.doc.Shapes(1)->BoundsLeft(), left + 30, 1e-4f);
}

TEST_F(ClipboardTest, PastingIsUndoneAsOneStep) {
  AddNamed("a", 20, 30, 40, 10)->SetSelected(true);
  AddNamed("b", 60, 30, 10, 10)->SetSelected(true);
  f.doc.CopyToClipboard();
  EXPECT_EQ(f.doc.UndoCount(), 0) << "copying records nothing";
  f.doc.PasteFromClipboard();
  EXPECT_EQ(Order(), "abab");
  f.doc.Undo();
  EXPECT_EQ(Order(), "ab");
  EXPECT_EQ(f.doc.UndoCount(), 0);
}

TEST_F(ClipboardTest, CutThenUndoRestoresTheCutShapes) {
  AddNamed("a", 10, 10, 10, 10)->SetSelected(true);
  AddNamed("b", 30, 10, 10, 10);
  AddNamed("c", 50, 10, 10, 10)->SetSelected(true);
  f.doc.ClearUndo();
  f.doc.CutToClipboard();
  EXPECT_EQ(Order(), "b");
  EXPECT_NE(host.ClipboardText().find("<Name>c</Name>"), std::string::npos);
  EXPECT_EQ(f.doc.CopySourcePage(), f.page());

  f.doc.Undo();
  EXPECT_EQ(Order(), "abc") << "one step restores every cut shape";
  EXPECT_FLOAT_EQ(f.doc.Shapes(2)->DocLeft(), 50);
  EXPECT_EQ(f.doc.UndoCount(), 0);

  // The cut shapes paste offset on their own page.
  f.doc.ClearSelection();
  f.doc.PasteFromClipboard();
  EXPECT_EQ(Order(), "abcac");
  EXPECT_FLOAT_EQ(f.doc.Shapes(4)->DocLeft(), 60);
}

TEST_F(ClipboardTest, OnlyXmlTextCanBePasted) {
  TdtpShape* a = AddNamed("a", 10, 10, 10, 10);
  a->SetSelected(true);
  const std::string xml = f.doc.SelectionToXml();
  const struct {
    const char* Name;
    bool HasText;
    std::string Text;
    bool Pastes;
  } cases[] = {
      {"empty clipboard", false, "", false},
      {"plain text", true, "Kegels en hoedjes", false},
      {"XML without its declaration", true, xml.substr(xml.find("<Selection>")), false},
      {"XML text", true, xml, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.HasText) {
      host.SetClipboardText(c.Text);
    } else {
      host.ClearClipboard();
    }
    f.doc.ClearUndo();
    EXPECT_EQ(f.doc.CanPaste(), c.Pastes);
    f.doc.PasteFromClipboard();
    EXPECT_EQ(f.doc.ShapeCount(), c.Pastes ? 2 : 1);
    EXPECT_EQ(f.doc.UndoCount() > 0, c.Pastes);
    EXPECT_EQ(a->Selected(), !c.Pastes);
  }
}

TEST_F(ClipboardTest, WithoutAWindowThereIsNoClipboard) {
  f.doc.SetHost(nullptr);
  AddNamed("a", 10, 10, 10, 10)->SetSelected(true);
  f.doc.CopyToClipboard();
  EXPECT_EQ(f.doc.CopySourcePage(), nullptr);
  EXPECT_FALSE(f.doc.CanPaste());
  f.doc.PasteFromClipboard();
  f.doc.CutToClipboard();
  EXPECT_EQ(Order(), "a") << "what cannot be copied is not cut";
}

TEST_F(ClipboardTest, DamagedXmlPastesWhatItSafelyCan) {
  const std::string head = "<?xml version=\"1.0\"?>";
  const struct {
    const char* Name;
    std::string Text;
    int Count;
    const char* Classes;  // of the pasted shapes, in order, separated by spaces
  } cases[] = {
      {"empty", "", 0, ""},
      {"no XML", "{\"Selection\": []}", 0, ""},
      {"cut off", head + "<Selection><Shape><ClassName>TdtpShape</Class", 0, ""},
      {"two roots", head + "<Selection><Shape/></Selection><Selection/>", 0, ""},
      {"another root", head + "<Page><Shape/></Page>", 0, ""},
      {"root name in other case", head + "<selection><Shape/></selection>", 0, ""},
      {"no entries", head + "<Selection/>", 0, ""},
      {"unknown class", head + "<Selection><Shape><ClassName>TSpeler</ClassName><DocLeft>5</DocLeft></Shape></Selection>",
       1, "TdtpShape"},
      {"entry names in any case, other elements skipped",
       head + "<Selection><shape><ClassName>TdtpEffectShape</ClassName></shape><Note>x</Note>"
              "<SHAPE><ClassName>TdtpGroupShape</ClassName><Shape><ClassName>TdtpShape</ClassName></Shape></SHAPE>"
              "</Selection>",
       2, "TdtpEffectShape TdtpGroupShape"},
      {"a damaged entry is dropped",
       head + "<Selection><Shape><ClassName>TdtpPolygonShape</ClassName><FillColor>groen</FillColor></Shape>"
              "<Shape><ClassName>TdtpShape</ClassName><Name>ok</Name></Shape></Selection>",
       1, "TdtpShape"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::DocumentFixture g;
    TdtpShape* existing = g.Add(0, 0, 5, 5);
    existing->SetSelected(true);
    EXPECT_EQ(g.doc.PasteXml(c.Text), c.Count);
    EXPECT_EQ(g.doc.ShapeCount(), 1 + c.Count);
    EXPECT_EQ(existing->Selected(), c.Count == 0) << "only a paste clears the selection";
    std::string classes;
    for (int i = 1; i < g.doc.ShapeCount(); ++i) classes += (i > 1 ? " " : "") + g.doc.Shapes(i)->ClassName();
    EXPECT_EQ(classes, c.Classes);
  }
}

TEST_F(ClipboardTest, AGroupTravelsWhole) {
  AddNamed("a", 10, 10, 10, 10)->SetSelected(true);
  AddNamed("b", 30, 20, 10, 10)->SetSelected(true);
  f.doc.GroupSelection();
  f.doc.CopyToClipboard();
  f.doc.PasteFromClipboard();
  ASSERT_EQ(f.doc.ShapeCount(), 2);
  TdtpShape* copy = f.doc.Shapes(1);
  ASSERT_NE(dynamic_cast<TdtpGroupShape*>(copy), nullptr);
  EXPECT_TRUE(copy->Grouped());
  ASSERT_EQ(copy->GetShapeCount(), 2);
  EXPECT_FALSE(copy->GetShape(0)->AllowSelect());
  f.doc.UngroupSelection();
  EXPECT_EQ(Order(), "ab");
  EXPECT_FLOAT_EQ(f.doc.Shapes(1)->DocLeft(), 20);
  EXPECT_FLOAT_EQ(f.doc.Shapes(2)->DocTop(), 30);
  EXPECT_TRUE(f.doc.Shapes(2)->Selected());
}

}  // namespace
}  // namespace kivrano
