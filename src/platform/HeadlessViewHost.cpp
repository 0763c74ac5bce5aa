#include "platform/HeadlessViewHost.h"

#include <vector>

namespace kivrano {

THeadlessViewHost::THeadlessViewHost(int clientWidth, int clientHeight)
    : clientWidth_(clientWidth), clientHeight_(clientHeight) {}

void THeadlessViewHost::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
}

void THeadlessViewHost::SetScrollBar(TScrollBarKind kind, int min, int max, int page, int position) {
  bars_[kind] = ScrollBarState{min, max, page, position};
}

int THeadlessViewHost::StartTimer(int intervalMs, std::function<void()> callback) {
  const int id = nextTimerId_++;
  timers_[id] = Timer{intervalMs > 0 ? intervalMs : 1, 0, std::move(callback)};
  return id;
}

void THeadlessViewHost::AdvanceTime(uint32_t ms) {
  // Step one millisecond at a time so that timers fire in the order their intervals elapse and a
  // callback sees the tick count of its own moment.
  for (uint32_t i = 0; i < ms; ++i) {
    ++tick_;
    std::vector<int> due;
    for (auto& [id, timer] : timers_) {
      if (++timer.Elapsed >= static_cast<uint32_t>(timer.Interval)) {
        timer.Elapsed = 0;
        due.push_back(id);
      }
    }
    for (int id : due) {
      auto it = timers_.find(id);  // an earlier callback may have stopped it
      if (it != timers_.end()) {
        auto callback = it->second.Callback;
        if (callback) callback();
      }
    }
  }
}

void THeadlessViewHost::SetKeyDown(TVirtualKey key, bool down) {
  if (down) {
    keysDown_.insert(key);
  } else {
    keysDown_.erase(key);
  }
}

void THeadlessViewHost::Popup(const std::vector<TViewMenuItem>& items, TPoint at) {
  lastPopup_ = items;
  lastPopupAt_ = at;
}

void THeadlessViewHost::SetClipboardText(const std::string& text) {
  clipboard_ = text;
  hasClipboard_ = true;
}

void THeadlessViewHost::ClearClipboard() {
  clipboard_.clear();
  hasClipboard_ = false;
}

void THeadlessViewHost::ResetRecords() {
  invalidated_.clear();
  invalidateAllCount_ = 0;
  scrolls_.clear();
  presented_.clear();
}

}  // namespace kivrano
