#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

// Records the notifications of a surface in the order they fire.
struct Recorder {
  std::vector<std::string> events;
  void Attach(TBitmap32& b) {
    b.OnChange = [this](TThreadPersistent*) { events.push_back("change"); };
    b.OnResize = [this](TThreadPersistent*) { events.push_back("resize"); };
    b.OnHandleChanged = [this](TBitmap32*) { events.push_back("handle"); };
  }
};

TEST(Bitmap32, NewSurfaceIsEmptyWithDefaults) {
  TBitmap32 b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.DrawMode(), dmOpaque);
  EXPECT_EQ(b.MasterAlpha(), 255);
  EXPECT_EQ(b.OuterColor(), 0u);
  EXPECT_EQ(b.StretchFilter(), sfNearest);
  EXPECT_EQ(b.PenColor(), 0xFFFFFFFFu);
  EXPECT_EQ(b.StippleStep(), 1.0f);
}

TEST(Bitmap32, SetSizeNotifiesInOrderAndZeroesPixels) {
  TBitmap32 b;
  Recorder r;
  r.Attach(b);
  EXPECT_TRUE(b.SetSize(3, 2));
  EXPECT_EQ(r.events, (std::vector<std::string>{"handle", "change", "resize"}));
  EXPECT_FALSE(b.Empty());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetPixel(x, y), 0u);
  r.events.clear();
  EXPECT_FALSE(b.SetSize(3, 2));  // same size: nothing happens
  EXPECT_TRUE(r.events.empty());
}

TEST(Bitmap32, NonPositiveDimensionsLeaveTheSurfaceEmpty) {
  const int sizes[][2] = {{0, 5}, {5, 0}, {-3, 4}, {4, -1}};
  for (const auto& s : sizes) {
    TBitmap32 b;
    b.SetSize(2, 2);
    EXPECT_TRUE(b.SetSize(s[0], s[1]));
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);  // an empty surface is 0 x 0 whichever side was given
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.Bits(), nullptr);
  }
}

TEST(Bitmap32, UnallocatableSizeFailsLeavesEmptyAndStillNotifies) {
  const int sizes[][2] = {{INT_MAX, INT_MAX}, {100000, 100000}, {INT_MAX, 2}};
  for (const auto& s : sizes) {
    TBitmap32 b;
    b.SetSize(4, 4);
    Recorder r;
    r.Attach(b);
    try {
      b.SetSize(s[0], s[1]);
      FAIL() << "no failure for " << s[0] << " x " << s[1];
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
    }
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(r.events, (std::vector<std::string>{"handle", "change", "resize"}));
    // The surface is usable again afterwards.
    EXPECT_TRUE(b.SetSize(2, 2));
    b.Clear(0xFF00FF00);
    EXPECT_EQ(b.GetPixel(1, 1), 0xFF00FF00u);
  }
}

TEST(Bitmap32, ChangedIsDeferredWhileUpdating) {
  TBitmap32 b;
  b.SetSize(2, 2);
  int changes = 0;
  b.OnChange = [&](TThreadPersistent* sender) {
    EXPECT_EQ(sender, &b);
    ++changes;
  };
  b.BeginUpdate();
  b.Clear(1);
  b.BeginUpdate();
  b.Clear(2);
  b.EndUpdate();
  b.Clear(3);
  EXPECT_EQ(changes, 0);
  b.EndUpdate();
  EXPECT_EQ(changes, 0);  // EndUpdate itself does not notify
  b.Clear(4);
  EXPECT_EQ(changes, 1);
}

TEST(Bitmap32, BatchNotifiesOnceEvenWhenItsWorkFails) {
  TBitmap32 b;
  b.SetSize(2, 2);
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.Batch([&] {
    b.Clear(1);
    b.Clear(2);
  });
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(b.Batch([&] {
    b.Clear(3);
    throw Exception("stop");
  }),
               Exception);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(b.UpdateCount(), 0);
}

TEST(Bitmap32, UnpairedEndUpdateFails) {
  TBitmap32 b;
  try {
    b.EndUpdate();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unpaired TThreadPersistent.EndUpdate");
  }
  EXPECT_EQ(b.UpdateCount(), 0);
}

TEST(Bitmap32, LockCountsTheSurfaceAndTheProcess) {
  TBitmap32 a;
  TBitmap32 b;
  const int before = TThreadPersistent::LockedObjectCount();
  a.Lock();
  a.Lock();  // the lock is re-entrant
  b.Lock();
  EXPECT_EQ(a.LockCount(), 2);
  EXPECT_EQ(TThreadPersistent::LockedObjectCount(), before + 3);
  b.Unlock();
  a.Unlock();
  a.Unlock();
  EXPECT_EQ(a.LockCount(), 0);
  EXPECT_EQ(TThreadPersistent::LockedObjectCount(), before);
}

TEST(Bitmap32, PropertySettersNotifyOnlyOnChange) {
  TBitmap32 b;
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.SetDrawMode(dmOpaque);
  b.SetMasterAlpha(255);
  b.SetStretchFilter(sfNearest);
  EXPECT_EQ(changes, 0);
  b.SetDrawMode(dmBlend);
  b.SetMasterAlpha(128);
  b.SetStretchFilter(sfSpline);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(b.DrawMode(), dmBlend);
  EXPECT_EQ(b.MasterAlpha(), 128);
  EXPECT_EQ(b.StretchFilter(), sfSpline);
}

TEST(Bitmap32, PixelLayoutIsRowMajorTopDownInBgraByteOrder) {
  TBitmap32 b;
  b.SetSize(3, 2);
  b.SetPixel(2, 1, 0x44112233);
  EXPECT_EQ(b.Bits()[1 * 3 + 2], 0x44112233u);
  EXPECT_EQ(b.PixelPtr(2, 1), b.Bits() + 5);
  EXPECT_EQ(b.ScanLine(1), b.Bits() + 3);
  uint8_t bytes[4];
  std::memcpy(bytes, b.PixelPtr(2, 1), 4);
  EXPECT_EQ(bytes[0], 0x33);  // blue
  EXPECT_EQ(bytes[1], 0x22);  // green
  EXPECT_EQ(bytes[2], 0x11);  // red
  EXPECT_EQ(bytes[3], 0x44);  // alpha
}

TEST(Bitmap32, SafePixelAccessOutsideTheSurface) {
  TBitmap32 b;
  b.SetSize(2, 2);
  b.SetOuterColor(0x12345678);
  b.Clear(0xFF000000);
  const int outside[][2] = {{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {INT_MIN, INT_MAX}};
  for (const auto& p : outside) {
    EXPECT_EQ(b.GetPixelSafe(p[0], p[1]), 0x12345678u);
    b.SetPixelSafe(p[0], p[1], 0xFFFFFFFF);
    b.BlendPixelSafe(p[0], p[1], 0xFFFFFFFF);
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b.Bits()[i], 0xFF000000u);
  b.SetPixelSafe(1, 1, 0xFFFFFFFF);
  b.BlendPixelSafe(0, 1, 0x80FF0000);
  EXPECT_EQ(b.GetPixelSafe(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetPixelSafe(0, 1), Blend(0x80FF0000, 0xFF000000));
}

TEST(Bitmap32, ClearFillsEveryPixelAndResetAlphaMakesOpaque) {
  TBitmap32 b;
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.Clear(0x12345678);  // empty: no effect, no notification
  EXPECT_EQ(changes, 0);
  b.SetSize(3, 3);
  changes = 0;
  b.Clear(0x12345678);
  EXPECT_EQ(changes, 1);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(b.Bits()[i], 0x12345678u);
  b.ResetAlpha();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(b.Bits()[i], 0xFF345678u);
}

}  // namespace
}  // namespace kivrano
