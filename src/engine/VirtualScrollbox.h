#pragma once

#include "base/Colors.h"
#include "base/Types.h"
#include "platform/ViewHost.h"

namespace kivrano {

// Scroll requests of a scroll bar, per axis.
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

// A window control whose drawing area (the virtual area) is larger than its client area. Positions
// and sizes are single-precision pixels; the scroll bars work in units of ScrollScale per pixel so
// that no range exceeds 30000. The window itself is reached only through an IViewHost; without one
// the control behaves as an unparented window of 150 x 250 pixels.
class TVirtScrollBox {
 public:
  TVirtScrollBox();
  virtual ~TVirtScrollBox();
  TVirtScrollBox(const TVirtScrollBox&) = delete;
  TVirtScrollBox& operator=(const TVirtScrollBox&) = delete;

  // Attaches the control to its window (none detaches it).
  void SetHost(IViewHost* host);
  IViewHost* Host() const { return host_; }
  bool HasParentWindow() const { return host_ != nullptr; }

  int ClientWidth() const;
  int ClientHeight() const;

  float ScrollX() const { return scrollX_; }
  float ScrollY() const { return scrollY_; }
  float VirtualWidth() const { return virtualWidth_; }
  float VirtualHeight() const { return virtualHeight_; }
  float ScrollScale() const { return scrollScale_; }
  int LineStep() const { return lineStep_; }
  void SetLineStep(int value) { lineStep_ = value; }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool value);

  // The desk colour around the page and the fill of thumbnails.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  // The control's own cursor; ShowCursor puts any cursor on the window.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  void ShowCursor(TCursor cursor);

  // Scrolls by (dx, dy) pixels within the allowed range; on return dx and dy hold the whole pixels
  // actually scrolled.
  virtual void ScrollBy(int& dx, int& dy);
  // Sets the scroll position and the virtual size.
  virtual void SetVirtualArea(float x, float y, float width, float height);
  void UpdateScrollBars();
  void HideScrollBars();
  // A scroll-bar request; position is the thumb position for scPosition and scTrack.
  void ScrollMessage(TScrollBarKind kind, TScrollCode code, int position);
  // The window was resized.
  void Resize();

  void Invalidate();
  void InvalidateRect(const TRect& rect);

 protected:
  // After the scroll position changed.
  virtual void ScrollChanged() {}
  // After Resize has updated the scroll bars.
  virtual void Resized() {}
  // After SetHost attached a window.
  virtual void HostAttached() {}
  // Moves the window content by (dx, dy) pixels after a scroll; the host repaints what scrolls in.
  virtual void ScrollWindowContent(int dx, int dy);

 private:
  void SetAxisPosition(TScrollBarKind kind, float target);
  void UpdateBarPosition(TScrollBarKind kind, float position);

  IViewHost* host_ = nullptr;
  bool autoScroll_ = true;
  float scrollX_ = 0;
  float scrollY_ = 0;
  float virtualWidth_ = 0;
  float virtualHeight_ = 0;
  float scrollScale_ = 1;
  int lineStep_ = 9;
  TColor color_ = clAppWorkSpace;
  TCursor cursor_ = crDefault;
};

}  // namespace kivrano
