#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Types.h"

namespace kivrano {

// Cursor ids. Standard cursors are small negative numbers; the program's own cursors are registered
// under -30 ... -38 (see the interaction code). 0 is the window's default cursor.
using TCursor = int16_t;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TScrollBarKind { sbHorizontal, sbVertical };

// Shift-state bits of pointer and key input.
enum TShiftFlag : int { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys whose state the engine queries.
enum TVirtualKey { vkShift = 0x10, vkControl = 0x11, vkMenu = 0x12, vkLButton = 0x01, vkRButton = 0x02, vkMButton = 0x04 };

// One entry of a popup menu shown by the view.
struct TViewMenuItem {
  std::string Caption;
  bool Enabled = true;
  std::function<void()> OnClick;
};

// The window behind a document view. The view talks to its window only through this interface, so
// that the engine runs headless in tests and inside a toolkit widget in the program.
class IViewHost {
 public:
  virtual ~IViewHost() = default;

  // Size of the client area in pixels.
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;

  // Repaint requests. Rectangles are in client pixels, right and bottom exclusive.
  virtual void InvalidateRect(const TRect& rect) = 0;
  virtual void InvalidateAll() = 0;
  // The view drew straight onto its window surface inside rect (XOR overlays): show those pixels
  // without asking the view to paint. A host that cannot tell the two apart repaints.
  virtual void PresentRect(const TRect& rect) { InvalidateRect(rect); }
  // Moves the present window content by (dx, dy) pixels; what scrolls in is invalidated.
  virtual void ScrollContent(int dx, int dy) = 0;

  // Scroll bars: range min ... max, page size and thumb position, in scroll-bar units.
  virtual void SetScrollBar(TScrollBarKind kind, int min, int max, int page, int position) = 0;
  virtual void SetScrollPosition(TScrollBarKind kind, int position) = 0;
  virtual int ScrollPosition(TScrollBarKind kind) const = 0;

  virtual void SetCursor(TCursor cursor) = 0;
  virtual TCursor CurrentCursor() const = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;

  // Window timers: the callback runs on the user-interface thread every interval milliseconds until
  // the timer is stopped. Returns a non-zero id.
  virtual int StartTimer(int intervalMs, std::function<void()> callback) = 0;
  virtual void StopTimer(int id) = 0;
  // Runs pending window messages (used inside long loops such as thumbnail refreshes).
  virtual void ProcessMessages() = 0;

  virtual bool KeyDown(TVirtualKey key) const = 0;
  // Milliseconds of the system tick counter.
  virtual uint32_t TickCount() const = 0;
  // Pointer position in client pixels.
  virtual TPoint PointerPosition() const = 0;

  // Shows a popup menu at a client point; returns when the menu has closed.
  virtual void Popup(const std::vector<TViewMenuItem>& items, TPoint at) = 0;

  // Plain-text clipboard.
  virtual bool HasClipboardText() const = 0;
  virtual std::string ClipboardText() const = 0;
  virtual void SetClipboardText(const std::string& text) = 0;

  // Toolkit drag-and-drop of the whole view, started when a moved selection leaves it. The data is
  // the selection as "Selection" XML, for drop targets of the application; returns when the drop is
  // done. A host without drag-and-drop ignores it.
  virtual void StartViewDrag(const std::string& selectionXml) { (void)selectionXml; }
};

}  // namespace kivrano
