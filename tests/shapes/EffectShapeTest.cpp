// The effect chain of effect shapes: ownership, order, margins, persistence and the class registry.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/dtpDocument.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpColorEffects.h"
#include "shapes/dtpShadowEffects.h"
#include "storage/XmlDocuments.h"
#include "ShapeTestSupport.h"

namespace kivrano {
namespace {

template <typename T>
T* Add(TdtpEffectShape& shape) {
  auto effect = std::make_unique<T>();
  T* raw = effect.get();
  shape.AddEffect(std::move(effect));
  return raw;
}

TEST(EffectShape, AddEffectOwnsAndIndexesTheEffects) {
  TdtpEffectShape shape;
  EXPECT_EQ(shape.AddEffect(nullptr), -1);
  EXPECT_EQ(shape.EffectCount(), 0);
  auto* shadow = Add<TdtpShadowEffect>(shape);
  auto* hsl = Add<TdtpHSLAdjustEffect>(shape);
  EXPECT_EQ(shape.EffectCount(), 2);
  EXPECT_EQ(shape.Effects(0), shadow);
  EXPECT_EQ(shape.Effects(1), hsl);
  EXPECT_EQ(shape.Effects(-1), nullptr);
  EXPECT_EQ(shape.Effects(2), nullptr);
  EXPECT_EQ(shadow->Shape(), &shape);
  EXPECT_EQ(hsl->Shape(), &shape);
}

TEST(EffectShape, AddingOrChangingAnEffectRendersTheShapeAgain) {
  test::DocumentFixture f;
  auto owned = std::make_unique<TdtpEffectShape>();
  TdtpEffectShape* shape = owned.get();
  shape->SetBounds(0, 0, 10, 10);
  f.doc.AddShape(std::move(owned));
  shape->PrepareCache();
  shape->SetDirty(false);
  f.ResetRecords();
  auto* shadow = Add<TdtpShadowEffect>(*shape);
  EXPECT_TRUE(shape->Dirty());
  EXPECT_EQ(f.shapeChanged, std::vector<TdtpShape*>{shape});
  shape->SetDirty(false);
  shadow->SetIntensity(0.3f);
  EXPECT_TRUE(shape->Dirty());
}

TEST(EffectShape, OnlyEnabledEffectsForceTheCache) {
  TdtpEffectShape shape;
  shape.SetSmartHitTest(false);
  EXPECT_FALSE(shape.NeedsFlip());
  auto* effect = Add<TdtpBrightContrEffect>(shape);
  EXPECT_TRUE(shape.NeedsFlip());
  EXPECT_TRUE(shape.NeedsCache());
  effect->SetEnabled(false);
  EXPECT_FALSE(shape.NeedsFlip());
  EXPECT_FALSE(shape.NeedsCache());
  shape.SetMirrored(true);
  EXPECT_TRUE(shape.NeedsFlip());
}

TEST(EffectShape, RunsEnabledEffectsInListOrder) {
  TdtpEffectShape shape;
  Add<TdtpBrightContrEffect>(shape)->SetBrightness(100);
  Add<TdtpBrightContrEffect>(shape)->SetContrast(0);  // everything to 127
  auto* skipped = Add<TdtpBrightContrEffect>(shape);
  skipped->SetBrightness(-300);
  skipped->SetEnabled(false);
  auto image = test::NewSurface(2, 1, 0xFF101010);
  TBitmap32& b = *image;
  shape.ApplyFlip(b);
  // Brightening first and then flattening gives 127; the other order would give 227.
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF7F7F7Fu);
}

TEST(EffectShape, MirrorsAfterTheEffects) {
  TdtpEffectShape shape;
  auto* shadow = Add<TdtpShadowEffect>(shape);
  shadow->SetBlur(0);
  shadow->SetIntensity(1);
  shadow->SetDeltaY(0);
  shadow->SetDeltaX(2 / kDefaultDpm);  // two pixels at the resolution without a document
  shape.SetMirrored(true);
  auto image = test::NewSurface(8, 1, 0);
  TBitmap32& b = *image;
  b.SetPixel(1, 0, 0xFFFF0000);
  shape.ApplyFlip(b);
  // The shadow fell two pixels right of the shape (x 3); mirroring puts the shape at 6, it at 4.
  EXPECT_EQ(b.GetPixel(6, 0), 0xFFFF0000u);
  EXPECT_EQ(b.GetPixel(4, 0), 0xFF000000u);
}

TEST(EffectShape, EffectsWidenTheShapesMarginsInOrder) {
  TdtpEffectShape shape;
  shape.SetBounds(0, 0, 10, 10);
  shape.SetCurbs(1, 1, 1, 1);
  auto* shadow = Add<TdtpShadowEffect>(shape);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbLeft(), 1.25f);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbTop(), 2.25f);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbRight(), 5.25f);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbBottom(), 4.25f);
  shadow->SetDeltaX(0);  // a change of the effect renders the shape again with new margins
  EXPECT_FLOAT_EQ(shape.EffectiveCurbLeft(), 3.25f);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbRight(), 3.25f);
  // The base's mirror rule comes last: both sides get the wider margin.
  shape.SetFlipped(true);
  EXPECT_FLOAT_EQ(shape.EffectiveCurbTop(), 4.25f);
}

TEST(EffectShape, SavesAndLoadsTheChain) {
  TdtpEffectShape source;
  source.SetBounds(1, 2, 30, 40);
  auto* shadow = Add<TdtpShadowEffect>(source);
  shadow->SetDeltaX(-1.5f);
  shadow->SetDeltaY(3);
  shadow->SetIntensity(0.25f);
  shadow->SetBlur(2.5f);
  shadow->SetColor(0x123456);
  shadow->SetSource(7);
  auto* bc = Add<TdtpBrightContrEffect>(source);
  bc->SetBrightness(-20);
  bc->SetContrast(1.5f);
  bc->SetEnabled(false);
  auto* hsl = Add<TdtpHSLAdjustEffect>(source);
  hsl->SetHue(0.25f);
  hsl->SetSaturation(-0.5f);
  hsl->SetLightness(0.125f);

  TdtpEffectShape target;
  const std::string text = test::SaveAndLoad(source, target);
  EXPECT_NE(text.find("<Effect Index=\"1\">"), std::string::npos) << text;
  EXPECT_NE(text.find("<Effect Index=\"3\">"), std::string::npos) << text;
  EXPECT_NE(text.find("<ClassName>TdtpShadowEffect</ClassName>"), std::string::npos) << text;

  ASSERT_EQ(target.EffectCount(), 3);
  auto* s = dynamic_cast<TdtpShadowEffect*>(target.Effects(0));
  auto* b = dynamic_cast<TdtpBrightContrEffect*>(target.Effects(1));
  auto* h = dynamic_cast<TdtpHSLAdjustEffect*>(target.Effects(2));
  ASSERT_TRUE(s && b && h);
  EXPECT_EQ(s->DeltaX(), -1.5f);
  EXPECT_EQ(s->DeltaY(), 3.0f);
  EXPECT_EQ(s->Intensity(), 0.25f);
  EXPECT_EQ(s->Blur(), 2.5f);
  EXPECT_EQ(s->Color(), 0x123456);
  EXPECT_EQ(s->Source(), 7);
  EXPECT_TRUE(s->Enabled());
  EXPECT_EQ(s->Shape(), &target);
  EXPECT_FALSE(b->Enabled());
  EXPECT_EQ(b->Brightness(), -20.0f);
  EXPECT_EQ(b->Contrast(), 1.5f);
  EXPECT_EQ(b->RedTable()[127], 107);  // the tables were rebuilt after loading
  EXPECT_EQ(h->Hue(), 0.25f);
  EXPECT_EQ(h->Saturation(), -0.5f);
  EXPECT_EQ(h->Lightness(), 0.125f);
  EXPECT_EQ(h->Source(), -2);
  // The margins follow the loaded shadow.
  EXPECT_FLOAT_EQ(target.EffectiveCurbLeft(), 3.75f + 1.5f);

  // Loading again replaces the chain instead of adding to it.
  test::SaveAndLoad(source, target);
  EXPECT_EQ(target.EffectCount(), 3);
}

TEST(EffectShape, LoadingUsesTheFileDefaults) {
  TXmlDocument xml;
  xml.ParseText(
      "<Shape><ClassName>TdtpEffectShape</ClassName>"
      "<Effect Index=\"9\"><ClassName>TdtpShadowEffect</ClassName></Effect>"
      "<Effect><ClassName>TdtpBrightContrEffect</ClassName><Enabled>True</Enabled></Effect></Shape>");
  TdtpEffectShape shape;
  shape.LoadFromXml(xml.Root());
  ASSERT_EQ(shape.EffectCount(), 2);
  auto* s = dynamic_cast<TdtpShadowEffect*>(shape.Effects(0));
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(s->Enabled());
  EXPECT_EQ(s->Source(), -2);
  EXPECT_EQ(s->DeltaX(), 0.0f);
  EXPECT_EQ(s->Intensity(), 0.0f);
  auto* b = dynamic_cast<TdtpBrightContrEffect*>(shape.Effects(1));
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Enabled());
  EXPECT_EQ(b->Contrast(), 0.0f);
  EXPECT_EQ(b->RedTable()[0], 127);
}

TEST(EffectShape, UnknownEffectClassesLoadAsThePlainEffect) {
  TXmlDocument xml;
  xml.ParseText(
      "<Shape><Effect><ClassName>TdtpSparkleEffect</ClassName><Enabled>True</Enabled></Effect>"
      "<Effect><ClassName>tdtpshadoweffect</ClassName><Enabled>True</Enabled></Effect></Shape>");
  TdtpEffectShape shape;
  shape.LoadFromXml(xml.Root());
  ASSERT_EQ(shape.EffectCount(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(shape.Effects(i)->ClassName(), "TdtpEffect");
  auto image = test::NewSurface(3, 3, 0x80123456);
  TBitmap32& b = *image;
  shape.ApplyFlip(b);
  EXPECT_EQ(b.GetPixel(1, 1), 0x80123456u);

  TdtpEffectShape again;
  const std::string text = test::SaveAndLoad(shape, again);
  EXPECT_NE(text.find("<ClassName>TdtpEffect</ClassName>"), std::string::npos) << text;
  EXPECT_EQ(text.find("Sparkle"), std::string::npos) << text;
}

TEST(EffectRegistry, FindsRegisteredClassesByExactName) {
  struct {
    const char* Name;
    const char* Found;
    bool Listed;
  } const cases[] = {
      {"TdtpEffect", "TdtpEffect", false},
      {"TdtpBrightContrEffect", "TdtpBrightContrEffect", true},
      {"TdtpHSLAdjustEffect", "TdtpHSLAdjustEffect", true},
      {"TdtpShadowEffect", "TdtpShadowEffect", true},
      {"TdtpColorLUTEffect", "TdtpEffect", false},
      {"", "TdtpEffect", false},
  };
  for (const auto& c : cases) {
    const TEffectClassHolder& holder = FindEffectClass(c.Name);
    EXPECT_EQ(holder.Name, c.Found) << c.Name;
    EXPECT_EQ(holder.Listed, c.Listed) << c.Name;
    EXPECT_EQ(holder.Create()->ClassName(), c.Found) << c.Name;
  }
}

class TdtpTestTintEffect : public TdtpColorLUTEffect {
 public:
  std::string ClassName() const override { return "TdtpTestTintEffect"; }
};

TEST(EffectRegistry, RegistersEachNameOnce) {
  const size_t before = RegisteredEffectClasses().size();
  RegisterEffectClass<TdtpTestTintEffect>(true);
  RegisterEffectClass<TdtpTestTintEffect>(false);
  RegisterEffectClass<TdtpShadowEffect>(false);
  EXPECT_EQ(RegisteredEffectClasses().size(), before + 1);
  EXPECT_TRUE(FindEffectClass("TdtpTestTintEffect").Listed);
  EXPECT_TRUE(FindEffectClass("TdtpShadowEffect").Listed);
}

TEST(Effect, DisplayNames) {
  EXPECT_EQ(TdtpShadowEffect().GetDisplayName(), "Shadow");
  EXPECT_EQ(TdtpBrightContrEffect().GetDisplayName(), "Brightness/Contrast");
  EXPECT_EQ(TdtpHSLAdjustEffect().GetDisplayName(), "HSL Adjustment");
  EXPECT_EQ(TdtpColorLUTEffect().GetDisplayName(), "ColorLUT");
  EXPECT_EQ(TdtpColorFunctionEffect().GetDisplayName(), "ColorFunction");
  EXPECT_EQ(TdtpEffect().GetDisplayName(), "");
}

}  // namespace
}  // namespace kivrano
