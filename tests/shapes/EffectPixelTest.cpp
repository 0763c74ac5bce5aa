// Pixel arithmetic of the colour and shadow effects.

#include <gtest/gtest.h>

#include <memory>

#include "ShapeTestSupport.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpColorEffects.h"
#include "shapes/dtpShadowEffects.h"

namespace kivrano {
namespace {

TColor32 Applied(TdtpEffect& effect, TColor32 pixel) {
  auto b = test::NewSurface(1, 1, pixel);
  effect.Apply(*b);
  return b->GetPixel(0, 0);
}

struct BrightContrCase {
  float Brightness;
  float Contrast;
  TColor32 In;
  TColor32 Out;
};

TEST(BrightContrEffect, MapsEveryChannelThroughTheRoundedClampedLine) {
  const BrightContrCase cases[] = {
      {0, 1, 0xFF102030, 0xFF102030},    // the identity
      {300, 1, 0xFF102030, 0xFFFFFFFF},  // every visible pixel white ...
      {300, 1, 0x40102030, 0x40FFFFFF},  // ... alpha kept
      {300, 1, 0x00102030, 0x00102030},  // invisible pixels untouched
      {-300, 1, 0xFFF0E0D0, 0xFF000000},
      {0, 2, 0xFF64C87F, 0xFF49FF7F},    // 100 -> 73, 200 -> 273 clamped, 127 stays
      {0, 0.5f, 0xFF000200, 0xFF404040},  // (-127 * 0.5 + 127) = 63.5 and 64.5 both round to 64
      {10, 0, 0xFF00FF80, 0xFF898989},   // no contrast: everything at 127 + 10
  };
  for (const BrightContrCase& c : cases) {
    TdtpBrightContrEffect effect;
    effect.SetBrightness(c.Brightness);
    effect.SetContrast(c.Contrast);
    EXPECT_EQ(Applied(effect, c.In), c.Out) << c.Brightness << " " << c.Contrast << " " << std::hex << c.In;
  }
}

TEST(ColorLUTEffect, StartsAsIdentityAndUsesOneTablePerChannel) {
  TdtpColorLUTEffect effect;
  EXPECT_EQ(Applied(effect, 0xFF123456), 0xFF123456u);
  effect.RedTable()[0x12] = 1;
  effect.GreenTable()[0x34] = 2;
  effect.BlueTable()[0x56] = 3;
  EXPECT_EQ(Applied(effect, 0x80123456), 0x80010203u);
}

struct HslCase {
  float Hue;
  float Saturation;
  float Lightness;
  TColor32 In;
  TColor32 Out;
};

TEST(HSLAdjustEffect, TurnsHueAndShiftsSaturationAndLightness) {
  const HslCase cases[] = {
      {0, 0, 0, 0xFFFF0000, 0xFFFF0000},
      {1.5f, 0, 0, 0xFFFF0000, 0xFF00FFFF},    // half a turn: red becomes cyan
      {1.5f, 0, 0, 0x7FFF0000, 0x7F00FFFF},    // alpha kept
      {-0.5f, 0, 0, 0xFF00FF00, 0xFFFF00FF},   // negative turns wrap as well: green to magenta
      {2.0f, 0, 0, 0xFF00FF00, 0xFF00FF00},    // whole turns change nothing
      {1.0f / 3, 0, 0, 0xFFFF0000, 0xFF00FF00},
      {0, -1, 0, 0xFFFF0000, 0xFF808080},      // no saturation: grey of lightness 0.5 (127.5 -> 128)
      {0, 0, 1, 0xFF336699, 0xFFFFFFFF},
      {0, 0, -1, 0xFF336699, 0xFF000000},
      {0, 0, -0.2f, 0xFF808080, 0xFF4D4D4D},   // lightness 128 / 255 - 0.2
      {1.5f, 0, 0, 0x00FF0000, 0x00FF0000},    // invisible pixels untouched
  };
  for (const HslCase& c : cases) {
    TdtpHSLAdjustEffect effect;
    effect.SetHue(c.Hue);
    effect.SetSaturation(c.Saturation);
    effect.SetLightness(c.Lightness);
    EXPECT_EQ(Applied(effect, c.In), c.Out) << c.Hue << " " << c.Saturation << " " << c.Lightness;
  }
}

TEST(HSLAdjustEffect, HugeTurnsEndAndGiveAColour) {
  TdtpHSLAdjustEffect effect;
  effect.SetHue(1.0e30f);
  EXPECT_EQ(AlphaOf(Applied(effect, 0xFFFF0000)), 255);
  effect.SetHue(-1.0e30f);
  EXPECT_EQ(AlphaOf(Applied(effect, 0xFFFF0000)), 255);
}

TEST(ColorFunctionEffect, BaseFunctionChangesNothing) {
  TdtpColorFunctionEffect effect;
  EXPECT_EQ(Applied(effect, 0x80123456), 0x80123456u);
}

// A shadow on a shape of a document rendering at one dot per millimetre, so that the offsets and
// the blur window are whole pixels.
class ShadowTest : public ::testing::Test {
 protected:
  ShadowTest() {
    f.doc.SetRenderDpm(1);
    auto owner = std::make_unique<TdtpEffectShape>();
    owner->SetBounds(0, 0, 10, 10);
    shape = owner.get();
    f.doc.LockUndo();
    f.doc.AddShape(std::move(owner));
    f.doc.UnlockUndo();
    auto effect = std::make_unique<TdtpShadowEffect>();
    shadow = effect.get();
    shape->AddEffect(std::move(effect));
    shadow->SetColor(0xFF0000);  // blue
    shadow->SetBlur(0);
    shadow->SetIntensity(1);
    shadow->SetDeltaX(2);
    shadow->SetDeltaY(1);
  }

  // A transparent 8 x 6 image with one shape pixel at (1, 1).
  std::unique_ptr<TBitmap32> ImageWithDot(TColor32 dot) {
    auto b = test::NewSurface(8, 6);
    b->SetPixel(1, 1, dot);
    return b;
  }

  test::DocumentFixture f;
  TdtpEffectShape* shape = nullptr;
  TdtpShadowEffect* shadow = nullptr;
};

TEST_F(ShadowTest, LiesUnderTheShapeOffsetRightAndDown) {
  ASSERT_EQ(shape->GetRenderDpm(), 1.0f);
  auto image = ImageWithDot(0xFFFF0000);
  TBitmap32& b = *image;
  shadow->Apply(b);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFFFF0000u);  // the opaque shape pixel is unchanged
  EXPECT_EQ(b.GetPixel(3, 2), 0xFF0000FFu);  // the shadow in its colour where the image was clear
  int shadowPixels = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) shadowPixels += AlphaOf(b.GetPixel(x, y)) != 0;
  EXPECT_EQ(shadowPixels, 2);
}

TEST_F(ShadowTest, IntensityScalesTheShadowsAlpha) {
  struct {
    float Intensity;
    TColor32 Shadow;
  } const cases[] = {
      {1, 0xFF0000FF},
      {0.5f, 0x7F0000FF},  // level 32640 -> alpha 127
      {0.7f, 0xB20000FF},  // level round(45696) -> alpha 178
      {0, 0},              // every level 0: nothing becomes visible
      {-1, 0},
  };
  for (const auto& c : cases) {
    shadow->SetIntensity(c.Intensity);
    auto image = ImageWithDot(0xFFFF0000);
    TBitmap32& b = *image;
    shadow->Apply(b);
    EXPECT_EQ(b.GetPixel(3, 2), c.Shadow) << c.Intensity;
  }
}

TEST_F(ShadowTest, ShowsThroughWhereTheShapeIsTranslucent) {
  shadow->SetDeltaX(0);
  shadow->SetDeltaY(0);
  auto image = ImageWithDot(0x80FF0000);
  TBitmap32& b = *image;
  shadow->Apply(b);
  // The shape pixel lies over its own shadow (blue at alpha 128).
  EXPECT_EQ(b.GetPixel(1, 1), Merge(0x80FF0000, 0x800000FF, 255));
}

TEST_F(ShadowTest, NarrowBlurWindowsLeaveTheShadowSharp) {
  for (const float blur : {0.0f, 1.0f, 1.4f}) {
    shadow->SetBlur(blur);
    auto image = ImageWithDot(0xFFFF0000);
    TBitmap32& b = *image;
    shadow->Apply(b);
    EXPECT_EQ(b.GetPixel(3, 2), 0xFF0000FFu) << blur;
    EXPECT_EQ(b.GetPixel(4, 2), 0u) << blur;
  }
}

TEST_F(ShadowTest, BlurSpreadsTheShadow) {
  shadow->SetBlur(3);
  auto image = test::NewSurface(16, 16);
  TBitmap32& b = *image;
  b.FillRect(4, 4, 8, 8, 0xFFFF0000);
  shadow->Apply(b);
  // Beyond the sharp shadow's right edge (x 9) the blurred shadow still shows, fading outwards.
  const int near = AlphaOf(b.GetPixel(10, 7));
  const int far = AlphaOf(b.GetPixel(11, 7));
  EXPECT_GT(near, 0);
  EXPECT_GT(near, far);
  EXPECT_EQ(BlueOf(b.GetPixel(10, 7)), 255);
  EXPECT_EQ(b.GetPixel(5, 5), 0xFFFF0000u);
}

TEST_F(ShadowTest, FollowsTheRenderResolution) {
  f.doc.SetRenderDpm(2);
  auto image = ImageWithDot(0xFFFF0000);
  TBitmap32& b = *image;
  shadow->Apply(b);
  EXPECT_EQ(b.GetPixel(5, 3), 0xFF0000FFu);
}

struct CurbCase {
  float DeltaX, DeltaY, Blur;
  float Left, Top, Right, Bottom;
};

TEST(ShadowEffect, WidensTheMarginsByBlurAndOffset) {
  const CurbCase cases[] = {
      {2, 1, 1.5f, 0.25f, 1.25f, 4.25f, 3.25f},  // the defaults
      {5, -4, 1, 0, 5.5f, 6.5f, 0},
      {0, 0, 0, 0, 0, 0, 0},
  };
  for (const CurbCase& c : cases) {
    TdtpShadowEffect e;
    e.SetDeltaX(c.DeltaX);
    e.SetDeltaY(c.DeltaY);
    e.SetBlur(c.Blur);
    float l = 1, t = 1, r = 1, b = 1;
    e.AdjustCurbs(l, t, r, b);
    EXPECT_FLOAT_EQ(l, 1 + c.Left);
    EXPECT_FLOAT_EQ(t, 1 + c.Top);
    EXPECT_FLOAT_EQ(r, 1 + c.Right);
    EXPECT_FLOAT_EQ(b, 1 + c.Bottom);
  }
}

}  // namespace
}  // namespace kivrano
