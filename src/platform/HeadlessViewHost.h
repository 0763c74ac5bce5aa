#pragma once

#include <map>
#include <set>

#include "platform/ViewHost.h"

namespace kivrano {

// A view host without a window, for tests and command-line rendering. It records what the view asks
// of its window; time passes only when the caller advances it, which fires due timers.
class THeadlessViewHost : public IViewHost {
 public:
  THeadlessViewHost(int clientWidth = 800, int clientHeight = 600);

  int ClientWidth() const override { return clientWidth_; }
  int ClientHeight() const override { return clientHeight_; }
  void SetClientSize(int width, int height);

  void InvalidateRect(const TRect& rect) override { invalidated_.push_back(rect); }
  void InvalidateAll() override { ++invalidateAllCount_; }
  void PresentRect(const TRect& rect) override { presented_.push_back(rect); }
  void ScrollContent(int dx, int dy) override { scrolls_.push_back(TPoint{dx, dy}); }

  void SetScrollBar(TScrollBarKind kind, int min, int max, int page, int position) override;
  void SetScrollPosition(TScrollBarKind kind, int position) override { bars_[kind].Position = position; }
  int ScrollPosition(TScrollBarKind kind) const override { return bars_[kind].Position; }

  void SetCursor(TCursor cursor) override { cursor_ = cursor; }
  TCursor CurrentCursor() const override { return cursor_; }
  void SetFocus() override { focused_ = true; }
  bool Focused() const override { return focused_; }

  int StartTimer(int intervalMs, std::function<void()> callback) override;
  void StopTimer(int id) override { timers_.erase(id); }
  void ProcessMessages() override { ++processMessagesCount_; }

  bool KeyDown(TVirtualKey key) const override { return keysDown_.count(key) != 0; }
  uint32_t TickCount() const override { return tick_; }
  TPoint PointerPosition() const override { return pointer_; }

  void Popup(const std::vector<TViewMenuItem>& items, TPoint at) override;

  bool HasClipboardText() const override { return hasClipboard_; }
  std::string ClipboardText() const override { return clipboard_; }
  void SetClipboardText(const std::string& text) override;
  // Records the drag's data; the drop is left to the test.
  void StartViewDrag(const std::string& selectionXml) override { viewDrags_.push_back(selectionXml); }

  // Test controls.
  // Advances the tick counter by ms, firing every timer each time its interval has elapsed.
  void AdvanceTime(uint32_t ms);
  void SetKeyDown(TVirtualKey key, bool down);
  void SetPointerPosition(TPoint p) { pointer_ = p; }
  void ClearClipboard();

  struct ScrollBarState {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Position = 0;
  };
  const ScrollBarState& ScrollBar(TScrollBarKind kind) const { return bars_[kind]; }
  const std::vector<TRect>& Invalidated() const { return invalidated_; }
  int InvalidateAllCount() const { return invalidateAllCount_; }
  const std::vector<TRect>& Presented() const { return presented_; }
  const std::vector<TPoint>& Scrolls() const { return scrolls_; }
  int ProcessMessagesCount() const { return processMessagesCount_; }
  int TimerCount() const { return static_cast<int>(timers_.size()); }
  // The data of every view drag started, in order.
  const std::vector<std::string>& ViewDrags() const { return viewDrags_; }
  const std::vector<TViewMenuItem>& LastPopup() const { return lastPopup_; }
  TPoint LastPopupPoint() const { return lastPopupAt_; }
  // Forgets recorded invalidations and scrolls.
  void ResetRecords();

 private:
  struct Timer {
    int Interval = 0;
    uint32_t Elapsed = 0;
    std::function<void()> Callback;
  };

  int clientWidth_;
  int clientHeight_;
  std::vector<TRect> invalidated_;
  int invalidateAllCount_ = 0;
  std::vector<TRect> presented_;
  std::vector<TPoint> scrolls_;
  ScrollBarState bars_[2];
  TCursor cursor_ = crDefault;
  bool focused_ = false;
  std::map<int, Timer> timers_;
  int nextTimerId_ = 1;
  int processMessagesCount_ = 0;
  std::set<int> keysDown_;
  uint32_t tick_ = 0;
  TPoint pointer_;
  std::vector<TViewMenuItem> lastPopup_;
  std::vector<std::string> viewDrags_;
  TPoint lastPopupAt_;
  bool hasClipboard_ = false;
  std::string clipboard_;
};

}  // namespace kivrano
