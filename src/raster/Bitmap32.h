#pragma once

// TBitmap32: the 32-bit ARGB surface every shape, page and thumbnail is painted into, with its
// change notification, pixel, rectangle, line and stipple operations, persistence and utilities.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>

#include "base/Stream.h"
#include "base/Types.h"
#include "platform/Font.h"
#include "raster/Color32.h"
#include "raster/Geometry.h"

namespace kivrano {

struct TBmpImage;
class TThreadPersistent;

enum TStretchFilter { sfNearest = 0, sfLinear = 1, sfLinear2 = 2, sfSpline = 3 };
enum TDrawMode { dmOpaque = 0, dmBlend = 1, dmCustom = 2 };

// Combine callback of dmCustom: source colour, destination pixel (written in place), master alpha.
using TPixelCombineEvent = std::function<void(TColor32 f, TColor32& b, TColor32 m)>;
// Notification of a change of the object given as sender.
using TChangeEvent = std::function<void(TThreadPersistent* sender)>;
// ForEachPixel's per-pixel function: the new value from the pixel and the caller's argument.
using TPixelFunction = std::function<TColor32(TColor32 pixel, intptr_t argument)>;

// Lock, update bracketing and change notification.
class TThreadPersistent {
 public:
  TThreadPersistent() = default;
  virtual ~TThreadPersistent() = default;
  TThreadPersistent(const TThreadPersistent&) = delete;
  TThreadPersistent& operator=(const TThreadPersistent&) = delete;

  // Fires OnChange unless an update is open.
  virtual void Changed();
  void BeginUpdate() { ++updateCount_; }
  // Fails with "Unpaired TThreadPersistent.EndUpdate" when no update is open.
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // Runs work between BeginUpdate and EndUpdate and then calls Changed once, also when work fails.
  template <typename Work>
  void Batch(Work&& work) {
    BeginUpdate();
    try {
      work();
    } catch (...) {
      EndUpdate();
      Changed();
      throw;
    }
    EndUpdate();
    Changed();
  }

  // Enters this object's (recursive) lock, counting it among the process's locked objects.
  void Lock();
  void Unlock();
  int LockCount() const { return lockCount_; }
  static int LockedObjectCount();

  TChangeEvent OnChange;

 private:
  std::recursive_mutex lock_;
  int lockCount_ = 0;
  int updateCount_ = 0;
};

// A two-dimensional map: size and resize notification.
class TCustomMap : public TThreadPersistent {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // Resizes the map; true when the size changed.
  virtual bool SetSize(int width, int height);
  virtual void Delete() { SetSize(0, 0); }
  virtual bool Empty() const { return width_ == 0 || height_ == 0; }
  // Fires OnResize.
  virtual void Resized();

  TChangeEvent OnResize;

 protected:
  int width_ = 0;
  int height_ = 0;
};

class TBitmap32 : public TCustomMap {
 public:
  TBitmap32();
  ~TBitmap32() override;

  // --- Life cycle ---
  // Values below 1 become 0. Fails with "Can't allocate the DIB handle" when the pixel memory
  // cannot be had; the surface is then empty and the notifications have fired.
  bool SetSize(int width, int height) override;
  void Delete() override;
  bool Empty() const override;
  void Clear(TColor32 color);

  // --- Properties ---
  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode mode);
  int MasterAlpha() const { return masterAlpha_; }
  void SetMasterAlpha(int alpha);
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 color) { outerColor_ = color; }
  TStretchFilter StretchFilter() const { return stretchFilter_; }
  void SetStretchFilter(TStretchFilter filter);
  TColor32 PenColor() const { return penColor_; }
  void SetPenColor(TColor32 color) { penColor_ = color; }

  std::function<void(TBitmap32* sender)> OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;

  // --- Pixel access (the plain forms do no bounds test) ---
  TColor32* Bits() { return bits_.get(); }
  const TColor32* Bits() const { return bits_.get(); }
  TColor32* PixelPtr(int x, int y) { return bits_.get() + static_cast<ptrdiff_t>(y) * width_ + x; }
  const TColor32* PixelPtr(int x, int y) const { return bits_.get() + static_cast<ptrdiff_t>(y) * width_ + x; }
  TColor32* ScanLine(int y) { return PixelPtr(0, y); }
  const TColor32* ScanLine(int y) const { return PixelPtr(0, y); }
  bool InBounds(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  TColor32 GetPixel(int x, int y) const { return *PixelPtr(x, y); }
  void SetPixel(int x, int y, TColor32 c) { *PixelPtr(x, y) = c; }
  TColor32 GetPixelSafe(int x, int y) const { return InBounds(x, y) ? GetPixel(x, y) : outerColor_; }
  void SetPixelSafe(int x, int y, TColor32 c) {
    if (InBounds(x, y)) SetPixel(x, y, c);
  }
  void BlendPixel(int x, int y, TColor32 c) { BlendInto(c, *PixelPtr(x, y)); }
  void BlendPixelSafe(int x, int y, TColor32 c) {
    if (InBounds(x, y)) BlendPixel(x, y, c);
  }

  // --- Rectangles (x2 and y2 exclusive) ---
  void FillRect(int x1, int y1, int x2, int y2, TColor32 c);
  void FillRectClipped(int x1, int y1, int x2, int y2, TColor32 c);
  void FrameRectClipped(int x1, int y1, int x2, int y2, TColor32 c);
  void FrameRectStippled(int x1, int y1, int x2, int y2);

  // --- Straight lines (ends inclusive) ---
  void HorzLine(int x1, int y, int x2, TColor32 c);
  void HorzLineClipped(int x1, int y, int x2, TColor32 c);
  void HorzLineBlended(int x1, int y, int x2, TColor32 c);
  void VertLine(int x, int y1, int y2, TColor32 c);
  void VertLineClipped(int x, int y1, int y2, TColor32 c);
  void VertLineBlended(int x, int y1, int y2, TColor32 c);
  // Walk from the first end to the second with the stipple colours, blended.
  void HorzLineStippled(int x1, int y, int x2);
  void VertLineStippled(int x, int y1, int y2);

  // Bresenham lines; the end point is drawn only with includeLast.
  void DrawLine(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast = false);
  void DrawLineClipped(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast = false);
  void DrawLineBlended(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast = false);
  void MoveTo(int x, int y) { penPos_ = TPoint{x, y}; }
  void LineToClipped(int x, int y);
  void LineToBlended(int x, int y);
  TPoint PenPos() const { return penPos_; }

  // Anti-aliased lines in 16.16 fixed point.
  void MoveToFixed(TFixed x, TFixed y) {
    fixedPenX_ = x;
    fixedPenY_ = y;
  }
  void LineToAntialiased(TFixed x, TFixed y);
  void LineToAntialiasedStippled(TFixed x, TFixed y);
  // One splat at (x, y) in 24.8 fixed point over four pixels; the plain form does no bounds test.
  void PlotAntialiased(int x, int y, TColor32 c);
  void PlotAntialiasedSafe(int x, int y, TColor32 c);

  // --- Stipple ---
  void SetStipple(const TArrayOfColor32& pattern);
  const TArrayOfColor32& Stipple() const { return stipple_; }
  float StippleStep() const { return stippleStep_; }
  void SetStippleStep(float step) { stippleStep_ = step; }
  float StippleCounter() const { return stippleCounter_; }
  void SetStippleCounter(float counter) { stippleCounter_ = counter; }
  TColor32 NextStippleColor();
  void AdvanceStipple(float length);

  // --- Drawing of another surface onto this one (scaled with src's filter and draw mode) ---
  void Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& src);
  void Draw(const TRect& dstRect, const TBitmap32& src);
  // As Draw, reducing opaque linear pictures by area averaging.
  void DrawScaled(const TRect& dstRect, const TRect& srcRect, const TBitmap32& src);

  // --- Conversion and persistence ---
  // Copies size, pixels and the drawing properties; nullptr empties the surface.
  void Assign(const TBitmap32* source);
  void Assign(const TBitmap32& source) { Assign(&source); }
  // A decoded bitmap file: size and pixels.
  void Assign(const TBmpImage& image);
  void AssignTo(TBitmap32& target) const { target.Assign(this); }
  void AssignTo(TBmpImage& target) const;
  void ResetAlpha();
  // Reads a BMP file from the stream's position; fails on a damaged file.
  void LoadFromBmpStream(TStream& stream);
  // Writes a 32 bits-per-pixel BMP file.
  void SaveToBmpStream(TStream& stream) const;
  bool SameAs(const TBitmap32* other) const;
  // The stored "Data" form: width and height as 32-bit little-endian integers, then the pixels in
  // memory order, rows top to bottom.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

  // --- Text (Bitmap32Text.cpp) ---
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  // Takes over the font's name, style and colour and its size in points.
  void SetFont(const TFont& font);
  // Width and cell height of one line; an empty surface measures on a shared 8 x 8 surface.
  TSize TextExtent(std::string_view text) const;
  // Formatted text (tf* flags) in the font colour; touched pixels get alpha 0. Returns the
  // rectangle the text needs; with tfCalcRect nothing is drawn.
  TRect TextOut(const TRect& rect, unsigned flags, std::string_view text);

  // --- Utilities ---
  void Rotate90();
  void Rotate180();
  void Rotate270();
  void FlipHorizontal();
  void FlipVertical();
  void InvertAlpha();
  void MergeDrawAt(TBitmap32& dst, int x, int y, int masterAlpha) const;
  void MergeWith(const TBitmap32& src, int masterAlpha);
  void OffsetPixels(int dx, int dy);
  void AlphaToLevels(float scale);
  void LevelsToColor(TColor32 color);
  void BlurLevels(float radius);
  void ForEachPixel(const TPixelFunction& function, intptr_t argument);

 protected:
  // Fires OnHandleChanged.
  virtual void HandleChanged();

 private:
  struct FreeDeleter {
    void operator()(TColor32* p) const { std::free(p); }
  };
  using PixelMemory = std::unique_ptr<TColor32, FreeDeleter>;

  size_t PixelCount() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
  template <typename Plot>
  void WalkLine(int x1, int y1, int x2, int y2, bool includeLast, Plot plot);
  void WalkAntialiased(TFixed x, TFixed y, bool stippled);
  // One anti-aliased splat at 24.8 coordinates; safe skips pixels outside the surface.
  void Splat(int64_t x, int64_t y, TColor32 c, bool safe);
  void StippledRun(int fixed, int from, int to, bool horizontal);

  PixelMemory bits_;
  TFont font_;
  TDrawMode drawMode_ = dmOpaque;
  int masterAlpha_ = 255;
  TColor32 outerColor_ = 0;
  TColor32 penColor_ = 0xFFFFFFFF;
  float stippleCounter_ = 0;
  TArrayOfColor32 stipple_;
  float stippleStep_ = 1.0f;
  TStretchFilter stretchFilter_ = sfNearest;
  TPoint penPos_;
  TFixed fixedPenX_ = 0;
  TFixed fixedPenY_ = 0;
};

}  // namespace kivrano
