// A drawing with every standard shape class, effects, groups, an own-paper page and non-default
// document settings comes back from its file as it was: saved again, every stream is the same.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpDocument.h"
#include "engine/dtpGroupShape.h"
#include "engine/dtpPage.h"
#include "platform/BmpCodec.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpEffectShape.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpPolygonShape.h"
#include "shapes/dtpShadowEffects.h"
#include "storage/dtpResource.h"

namespace kivrano {
namespace {

using namespace kivrano::test;

// Style values every class understands, plus what the class adds, all away from the defaults.
void Style(TdtpShape& shape, int k) {
  const auto f = static_cast<float>(k);
  shape.SetBounds(5 + 7 * f, 8 + 3 * f, 20 + f, 12 + f / 2);
  shape.SetDocAngle(10 + f);
  shape.SetName("N" + std::to_string(k));
  shape.SetMasterAlpha(static_cast<uint8_t>(100 + k));
  if (auto* polygon = dynamic_cast<TdtpPolygonShape*>(&shape)) {
    polygon->SetFillColor(static_cast<TColor>(0x102030 + k));
    polygon->SetOutlineColor(static_cast<TColor>(0x405060 + k));
    polygon->SetOutlineWidth(0.75f + f / 8);
    polygon->SetFillAlpha(200);
    polygon->SetUseStipple(true);
    polygon->SetDashPeriod(3.5f);
  }
  if (auto* line = dynamic_cast<TdtpLineShape*>(&shape)) {
    line->SetLineWidth(1.25f);
    line->Arrows(1)->SetStyle(Arrow);
    line->Arrows(1)->SetWidth(4.5f);
    line->Arrows(0)->SetLength(2.5f);
  }
  if (auto* corners = dynamic_cast<TdtpRoundRectShape*>(&shape)) corners->SetCornerWidth(3.25f);
}

// A small picture file for the picture shapes.
std::string WritePicture(const std::string& path) {
  TBmpImage image;
  image.Width = 3;
  image.Height = 2;
  image.Pixels = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0xFFDDEEFF, 0xFF000000};
  TFileStream file(path, fmCreate);
  WriteBmp(image, 24, file);
  return path;
}

// One shape of every registered class on page 1 (pictures showing picture); on page 2, with paper
// of its own, a group of two shapes carrying every registered effect.
void BuildEverything(TdtpDocument& doc, const std::string& picture) {
  doc.NewDocument();
  doc.AddPage(nullptr);
  int k = 0;
  for (const std::string& name : RegisteredShapeClassNames()) {
    if (name == "TdtpPage") continue;
    std::unique_ptr<TdtpShape> shape = FindShapeClass(name).Create();
    if (auto* bitmap = dynamic_cast<TdtpBitmapShape*>(shape.get())) bitmap->Resource().LoadFromFile(picture);
    Style(*shape, ++k);
    doc.Pages(0)->AddShape(std::move(shape));
  }
  TdtpPage* own = doc.Pages(1);
  own->SetIsDefaultPage(false);
  own->SetPageColor(0x00CCEEFF);
  own->SetMarginLeft(4);
  own->SetMarginBottom(6.5f);
  own->SetGridSize(2.5f);
  own->SetGridColor(0x00808000);
  TBitmap32 paper;
  paper.SetSize(3, 2);
  paper.Clear(0xFF224466);
  own->SetBackgroundImage(&paper);
  own->SetBackgroundTiled(true);
  auto group = std::make_unique<TdtpGroupShape>();
  Style(*group, 40);
  group->SetGrouped(true);
  for (int i = 0; i < 2; ++i) {
    auto member = std::make_unique<TdtpEllipseShape>();
    Style(*member, 41 + i);
    for (const TEffectClassHolder& effect : RegisteredEffectClasses()) {
      std::unique_ptr<TdtpEffect> e = effect.Create();
      if (auto* shadow = dynamic_cast<TdtpShadowEffect*>(e.get())) {
        shadow->SetDeltaX(1.5f);
        shadow->SetBlur(2);
        shadow->SetColor(0x00112233);
      }
      member->AddEffect(std::move(e));
    }
    group->AddShape(std::move(member));
  }
  own->AddShape(std::move(group));

  doc.SetHandleColor(0x00ABCDEF);
  doc.SetHandleEdgeColor(0x00123456);
  doc.SetHotZoneScrolling(hzsWhenMouseDown);
  doc.SetQuality(sfSpline);
  doc.SetRenderDpm(8.5f);
  doc.SetScreenDpm(3.25f);
  doc.SetShowMargins(false);
  doc.SetSnapToGrid(true);
  doc.SetStepAngle(15);
  doc.SetViewStyle(vsNormal);
  doc.SetDefaultPageWidth(297);
  doc.SetDefaultPageHeight(210);
  doc.SetDefaultMarginRight(12.5f);
  doc.SetDefaultGridSize(7.5f);
  doc.SetDefaultGridColor(0x00EEEEEE);
  doc.SetDefaultPageColor(0x00F0FFF0);
  doc.SetDefaultBackgroundImage(&paper);
  doc.SetDefaultBackgroundTiled(true);
  doc.SetThumbnailWidth(64);
  doc.SetThumbnailHeight(48);
  doc.SetReadOnly(true);
}

TEST_F(ArchiveTest, DrawingsComeBackFromTheirFilesWithEveryProperty) {
  const std::string first = Path("first.hsf");
  const std::string second = Path("second.hsf");
  TdtpDocument doc;
  BuildEverything(doc, WritePicture(Path("picture.bmp")));
  doc.SaveToFile(first);

  TdtpDocument reopened;
  reopened.LoadFromFile(first);
  // Written afresh from what was read, not copied from the first file.
  for (int i = 0; i < reopened.PageCount(); ++i) reopened.Pages(i)->SetModified(true);
  reopened.SaveToFile(second);
  const std::set<std::string> streams = StreamNames(first);
  EXPECT_EQ(StreamNames(second), streams);
  // Thumbnails are pictures rendered from the pages, not stored properties: the XML streams count.
  for (const std::string& name : streams) {
    if (name.ends_with(".xml")) {
      EXPECT_EQ(StreamText(second, name), StreamText(first, name)) << name;
    }
  }

  // The stored text does hold what was set: spot checks of each kind read back.
  ASSERT_EQ(reopened.Pages(0)->GetShapeCount(), doc.Pages(0)->GetShapeCount());
  for (int i = 0; i < doc.Pages(0)->GetShapeCount(); ++i) {
    const TdtpShape* a = doc.Pages(0)->GetShape(i);
    const TdtpShape* b = reopened.Pages(0)->GetShape(i);
    EXPECT_EQ(b->ClassName(), a->ClassName());
    EXPECT_EQ(b->Name(), a->Name());
    EXPECT_FLOAT_EQ(b->DocAngle(), a->DocAngle());
    if (const auto* polygon = dynamic_cast<const TdtpPolygonShape*>(b)) {
      EXPECT_EQ(polygon->FillColor(), dynamic_cast<const TdtpPolygonShape*>(a)->FillColor()) << a->ClassName();
    }
    if (const auto* line = dynamic_cast<const TdtpLineShape*>(b)) {
      EXPECT_EQ(line->Arrows(1)->Style(), Arrow) << a->ClassName();
      EXPECT_FLOAT_EQ(line->GetPoint(1).X, dynamic_cast<const TdtpLineShape*>(a)->GetPoint(1).X) << a->ClassName();
    }
  }
  const TdtpPage* own = reopened.Pages(1);
  EXPECT_FALSE(own->IsDefaultPage());
  EXPECT_FLOAT_EQ(own->MarginBottom(), 6.5f);
  EXPECT_TRUE(own->BackgroundTiled());
  ASSERT_NE(own->BackgroundImage(), nullptr);
  EXPECT_EQ(own->BackgroundImage()->GetPixel(2, 1), 0xFF224466u);
  ASSERT_EQ(own->GetShapeCount(), 1);
  const auto* group = dynamic_cast<const TdtpGroupShape*>(own->GetShape(0));
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(group->Grouped());
  ASSERT_EQ(group->GetShapeCount(), 2);
  const auto* member = dynamic_cast<const TdtpEffectShape*>(group->GetShape(1));
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->EffectCount(), static_cast<int>(RegisteredEffectClasses().size()));
  for (int i = 0; i < reopened.Pages(0)->GetShapeCount(); ++i) {
    if (const auto* bitmap = dynamic_cast<const TdtpBitmapShape*>(reopened.Pages(0)->GetShape(i))) {
      EXPECT_EQ(bitmap->Resource().Ext(), ".bmp");
      EXPECT_GT(bitmap->Resource().Bytes().Size(), 0);
    }
  }
  EXPECT_EQ(reopened.HandleColor(), static_cast<TColor>(0x00ABCDEF));
  EXPECT_EQ(reopened.Quality(), sfSpline);
  EXPECT_EQ(reopened.HotZoneScrolling(), hzsWhenMouseDown);
  EXPECT_TRUE(reopened.SnapToGrid());
  EXPECT_FLOAT_EQ(reopened.StepAngle(), 15);
  EXPECT_FLOAT_EQ(reopened.DefaultPageWidth(), 297);
  EXPECT_FLOAT_EQ(reopened.DefaultMarginRight(), 12.5f);
  EXPECT_EQ(reopened.DefaultGridColor(), static_cast<TColor>(0x00EEEEEE));
  EXPECT_TRUE(reopened.DefaultBackgroundTiled());
  EXPECT_EQ(reopened.ThumbnailHeight(), 48);
  EXPECT_TRUE(reopened.ReadOnly());
}

}  // namespace
}  // namespace kivrano
