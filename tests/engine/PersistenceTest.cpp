#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "base/Exception.h"
#include "engine/ShapeRegistry.h"
#include "raster/Bitmap32.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpResource.h"

namespace kivrano {
namespace {

// A registered subclass, to see that loading creates objects by class name.
class TTestCone : public TdtpShape {
 public:
  std::string ClassName() const override { return "TTestCone"; }
};

// Writes a page into a fresh XML document (values equal to their defaults omitted, as page
// streams are written) and returns the text.
std::string PageText(TdtpPage& page, bool storeDefaults = false) {
  TXmlDocument xml("Page");
  xml.SetStoreDefaults(storeDefaults);
  page.SaveToXml(xml.Root());
  return xml.AsText();
}

void LoadPageText(TdtpPage& page, const std::string& text) {
  TXmlDocument xml;
  xml.ParseText(text);
  page.LoadFromXml(xml.Root());
}

TEST(ShapeXml, PageWithNestedShapesRoundTrips) {
  RegisterShapeClass<TTestCone>();
  test::DocumentFixture source;
  TdtpShape* group = source.Add(10.5f, 20.25f, 40, 30);
  group->SetGrouped(true);
  group->SetName("groep");
  group->SetDocAngle(33.5f);
  group->SetMasterAlpha(128);
  group->SetCurbs(1, 2, 3, 4);
  group->Constraints().SetMaxWidth(99);
  group->SetAnchors(AnchorBit(PosXProp) | AnchorBit(BottomLock));
  group->SetMirrored(true);
  auto cone = std::make_unique<TTestCone>();
  cone->SetBounds(1, 2, 3, 4);
  cone->SetAllowRotate(false);
  group->AddShape(std::move(cone));
  source.Add(0.1f, 0, 5, 5)->SetVisible(false);
  const std::string text = PageText(*source.page());

  test::DocumentFixture target;
  LoadPageText(*target.page(), text);
  ASSERT_EQ(target.doc.ShapeCount(), 2);
  TdtpShape* g = target.doc.Shapes(0);
  EXPECT_EQ(g->ClassName(), "TdtpShape");
  EXPECT_EQ(g->DocLeft(), 10.5f);
  EXPECT_EQ(g->DocTop(), 20.25f);
  EXPECT_EQ(g->DocAngle(), 33.5f);
  EXPECT_EQ(g->MasterAlpha(), 128);
  EXPECT_EQ(g->Name(), "groep");
  EXPECT_TRUE(g->Grouped());
  EXPECT_TRUE(g->Mirrored());
  EXPECT_EQ(g->CurbBottom(), 4.0f);
  EXPECT_EQ(g->EffectiveCurbLeft(), 3.0f) << "curbs are brought up to date after loading";
  EXPECT_EQ(g->Constraints().MaxWidth(), 99.0f);
  EXPECT_EQ(g->Anchors(), AnchorBit(PosXProp) | AnchorBit(BottomLock));
  ASSERT_EQ(g->GetShapeCount(), 1);
  EXPECT_EQ(g->GetShape(0)->ClassName(), "TTestCone");
  EXPECT_FALSE(g->GetShape(0)->AllowRotate());
  EXPECT_EQ(g->GetShape(0)->DocHeight(), 4.0f);
  EXPECT_EQ(target.doc.Shapes(1)->DocLeft(), 0.1f);
  EXPECT_FALSE(target.doc.Shapes(1)->Visible());
  EXPECT_EQ(PageText(*target.page()), text);
}

TEST(ShapeXml, UnknownClassLoadsAsAPlainShape) {
  TdtpPage page;
  LoadPageText(page,
               "<Page><Shape Index=\"1\"><ClassName>TdtpNoSuchShape</ClassName><DocLeft>7</DocLeft>"
               "<DocWidth>12.5</DocWidth><Visible>True</Visible></Shape></Page>");
  ASSERT_EQ(page.GetShapeCount(), 1);
  EXPECT_EQ(page.GetShape(0)->ClassName(), "TdtpShape");
  EXPECT_EQ(page.GetShape(0)->DocLeft(), 7.0f);
  EXPECT_EQ(page.GetShape(0)->DocWidth(), 12.5f);
  EXPECT_EQ(&FindShapeClass("tdtppage"), &FindShapeClass("TdtpShape")) << "names compare exactly";
  EXPECT_EQ(FindShapeClass("TdtpPage").Name, "TdtpPage");
}

TEST(ShapeXml, MissingElementsReadAsTheirDefaults) {
  TdtpPage page;
  LoadPageText(page, "<Page><Shape><DocTop>3</DocTop></Shape><shape/></Page>");
  ASSERT_EQ(page.GetShapeCount(), 2) << "child elements match \"Shape\" without regard to case";
  TdtpShape* s = page.GetShape(0);
  EXPECT_EQ(s->Anchors(), kDefaultAnchors) << "no Anchors element keeps the anchors";
  EXPECT_FALSE(s->Visible());
  EXPECT_FALSE(s->AllowSelect());
  EXPECT_EQ(s->MasterAlpha(), 0);
  EXPECT_EQ(s->DocTop(), 3.0f);
  LoadPageText(page, "<Page><Shape><Anchors><TopLock>True</TopLock></Anchors></Shape></Page>");
  EXPECT_EQ(page.GetShape(2)->Anchors(), AnchorBit(TopLock));
}

TEST(ShapeXml, LoadingKeepsEnabledAsItWas) {
  TdtpShape s;
  s.SetEnabled(false);
  TXmlDocument xml("Shape");
  xml.Root()->ParseText("<Shape><Visible>True</Visible></Shape>");
  s.LoadFromXml(xml.Root());
  EXPECT_FALSE(s.Enabled());
  s.LoadFromXml(nullptr);
}

TEST(PageXml, DefaultPageWritesOnlyTheFlagAndTheShapePart) {
  test::DocumentFixture f;
  f.doc.SetDefaultMarginLeft(25);
  f.page()->SetMarginLeft(3);  // ignored while the page is a default page
  const std::string all = PageText(*f.page(), true);
  EXPECT_NE(all.find("<IsDefaultPage>True</IsDefaultPage>"), std::string::npos);
  EXPECT_EQ(all.find("MarginLeft"), std::string::npos);
  EXPECT_EQ(all.find("PageColor"), std::string::npos);
  test::DocumentFixture g;
  LoadPageText(*g.page(), all);
  EXPECT_TRUE(g.page()->IsDefaultPage());
  EXPECT_EQ(g.page()->MarginLeft(), g.doc.DefaultMarginLeft());
  EXPECT_FALSE(g.page()->ThumbnailDirty());
}

TEST(PageXml, OwnPaperSettingsSurviveWithoutDefaults) {
  test::DocumentFixture f;
  TdtpPage* page = f.page();
  page->SetIsDefaultPage(false);
  page->SetPageColor(clBlack);
  page->SetGridSize(7.5f);
  page->SetMarginTop(0);
  page->SetDocWidth(297);
  page->SetBackgroundTiled(true);
  const std::string text = PageText(*page);
  test::DocumentFixture g;
  LoadPageText(*g.page(), text);
  EXPECT_FALSE(g.page()->IsDefaultPage());
  EXPECT_EQ(g.page()->PageColor(), clBlack);
  EXPECT_EQ(g.page()->GridSize(), 7.5f);
  EXPECT_EQ(g.page()->MarginTop(), 0.0f);
  EXPECT_EQ(g.page()->MarginLeft(), 10.0f);
  EXPECT_EQ(g.page()->DocWidth(), 297.0f);
  EXPECT_EQ(g.page()->GridColor(), clLightCyan);
  EXPECT_TRUE(g.page()->BackgroundTiled());
}

TEST(PageXml, OwnBackgroundPictureTravelsWithThePage) {
  test::DocumentFixture f;
  TBitmap32 picture;
  picture.SetSize(6, 4);
  picture.Clear(0xFF123456);
  picture.SetPixel(1, 2, 0x80FF0000);
  f.page()->SetIsDefaultPage(false);
  f.page()->SetBackgroundImage(&picture);
  const std::string text = PageText(*f.page());
  test::DocumentFixture g;
  LoadPageText(*g.page(), text);
  ASSERT_NE(g.page()->BackgroundImage(), nullptr);
  EXPECT_TRUE(g.page()->BackgroundImage()->SameAs(&picture));
  EXPECT_EQ(f.doc.DefaultBackgroundImage(), nullptr);
}

TEST(ShapeXml, SaveToStreamWritesEveryValueUnderShape) {
  TdtpShape s;
  s.SetBounds(1, 2, 3, 4);
  TMemoryStream stream;
  s.SaveToStream(stream);
  stream.SetPosition(0);
  TXmlDocument xml;
  xml.LoadFromStream(stream);
  ASSERT_NE(xml.Root(), nullptr);
  EXPECT_EQ(xml.Root()->Name(), "Shape");
  EXPECT_EQ(xml.Root()->GetString("ClassName", ""), "TdtpShape");
  EXPECT_NE(xml.Root()->FindChild("AspectRatio"), nullptr) << "defaults are written";
  EXPECT_EQ(xml.Root()->FindChild("MasterAlpha")->Text(), "$FF");
  EXPECT_EQ(xml.Root()->FindChild("Anchors")->GetBool("default", false), true);
}

TEST(ShapeXml, AssignCopiesThroughXmlAndResetsTheRest) {
  TdtpShape source;
  source.SetBoundsAndAngle(1, 2, 3, 4, 45);
  source.SetName("trui");
  source.AddShape(std::make_unique<TdtpShape>());
  TdtpShape copy;
  copy.AddShape(std::make_unique<TdtpShape>());
  copy.AddShape(std::make_unique<TdtpShape>());
  copy.SetEnabled(false);
  copy.Assign(source);
  EXPECT_EQ(copy.DocAngle(), 45.0f);
  EXPECT_EQ(copy.Name(), "trui");
  EXPECT_EQ(copy.GetShapeCount(), 1);
  EXPECT_TRUE(copy.Enabled()) << "Clear runs SetDefaults";
  copy.Assign(copy);
  EXPECT_EQ(copy.GetShapeCount(), 1);
}

TEST(ShapeXml, DamagedValuesLoadWithoutHarm) {
  const char* texts[] = {
      "<Page><Shape><DocLeft>abc</DocLeft><DocWidth>1e300</DocWidth><DocAngle>nan</DocAngle>"
      "<MasterAlpha>$7FFFFFFF</MasterAlpha></Shape></Page>",
      "<Page><IsDefaultPage>False</IsDefaultPage><PageWidth>-1e39</PageWidth><GridSize>1e-30</GridSize>"
      "<PageColor>zz</PageColor></Page>",
      "<Page><Shape><Shape><Shape><ClassName>TdtpPage</ClassName></Shape></Shape></Shape></Page>",
  };
  for (const char* text : texts) {
    test::DocumentFixture f;
    try {
      LoadPageText(*f.page(), text);
    } catch (const Exception&) {
      // A value the XML layer rejects is reported as an error, never more.
    }
    for (int i = 0; i < f.page()->GetShapeCount(); ++i) {
      TdtpShape* s = f.page()->GetShape(i);
      EXPECT_GE(s->MasterAlpha(), 0);
      EXPECT_LE(s->MasterAlpha(), 255);
      s->GetInvalidateRect();
      s->HitTest(TPoint{1, 1});
    }
  }
}

// A picture shape whose picture cannot be read when its element says so.
class TTestPicture : public TdtpShape {
 public:
  TTestPicture() : resource_(this) {}
  std::string ClassName() const override { return "TTestPicture"; }
  void LoadFromXml(TXmlNode* node) override {
    TdtpShape::LoadFromXml(node);
    if (node && node->GetBool("Missing", false)) throw EResourceError("Picture file not found");
    if (node && node->GetBool("Broken", false)) throw Exception("something else");
  }
  TdtpResource resource_;
};

TEST(ShapeXml, ChildWithAnUnreadablePictureIsLeftOut) {
  RegisterShapeClass<TTestPicture>();
  TdtpPage page;
  LoadPageText(page,
               "<Page><Shape><ClassName>TTestPicture</ClassName><Name>a</Name></Shape>"
               "<Shape><ClassName>TTestPicture</ClassName><Missing>True</Missing></Shape>"
               "<Shape><ClassName>TTestPicture</ClassName><Name>c</Name></Shape></Page>");
  ASSERT_EQ(page.GetShapeCount(), 2);
  EXPECT_EQ(page.GetShape(0)->Name(), "a");
  EXPECT_EQ(page.GetShape(1)->Name(), "c");
  EXPECT_EQ(page.GetShape(0)->ResourceCount(), 1) << "the resource registers with its shape";
  TdtpPage other;
  EXPECT_THROW(LoadPageText(other, "<Page><Shape><ClassName>TTestPicture</ClassName><Broken>True</Broken></Shape></Page>"),
               Exception);
}

TEST(ShapeRegistry, RegistersEachNameOnce) {
  RegisterShapeClass<TTestCone>();
  RegisterShapeClass<TTestCone>();
  const auto names = RegisteredShapeClassNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "TTestCone"), 1);
  EXPECT_EQ(names.front(), "TdtpShape");
  auto shape = FindShapeClass("TTestCone").Create();
  EXPECT_EQ(shape->ClassName(), "TTestCone");
  TXmlDocument xml("Shape");
  xml.Root()->PutFloat("DocLeft", 4, 0);
  auto loaded = CreateFromXml<TTestCone>(xml.Root());
  EXPECT_EQ(loaded->DocLeft(), 4.0f);
}

}  // namespace
}  // namespace kivrano
