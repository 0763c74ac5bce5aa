#include "engine/VirtualScrollbox.h"

#include <algorithm>
#include <cmath>

#include "engine/dtpGeometry.h"

namespace kivrano {

namespace {

constexpr int kUnhostedWidth = 150;
constexpr int kUnhostedHeight = 250;
constexpr float kMaxScrollRange = 30000;

int Nint(float v) { return RoundToInt(v); }

}  // namespace

TVirtScrollBox::TVirtScrollBox() = default;
TVirtScrollBox::~TVirtScrollBox() = default;

void TVirtScrollBox::SetHost(IViewHost* host) {
  if (host == host_) return;
  host_ = host;
  if (host_) {
    host_->SetCursor(cursor_);
    HostAttached();
  }
}

int TVirtScrollBox::ClientWidth() const { return host_ ? host_->ClientWidth() : kUnhostedWidth; }
int TVirtScrollBox::ClientHeight() const { return host_ ? host_->ClientHeight() : kUnhostedHeight; }

void TVirtScrollBox::SetAutoScroll(bool value) {
  if (value == autoScroll_) return;
  autoScroll_ = value;
  if (value) {
    UpdateScrollBars();
  } else {
    HideScrollBars();
    scrollX_ = 0;
    scrollY_ = 0;
  }
}

void TVirtScrollBox::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Invalidate();
}

void TVirtScrollBox::SetCursor(TCursor value) {
  cursor_ = value;
  ShowCursor(value);
}

void TVirtScrollBox::ShowCursor(TCursor cursor) {
  if (host_) host_->SetCursor(cursor);
}

void TVirtScrollBox::ScrollBy(int& dx, int& dy) {
  const float oldX = scrollX_;
  const float oldY = scrollY_;
  const float newX = std::clamp(oldX + static_cast<float>(dx), 0.0f,
                                std::max(virtualWidth_ - static_cast<float>(ClientWidth()), 0.0f));
  const float newY = std::clamp(oldY + static_cast<float>(dy), 0.0f,
                                std::max(virtualHeight_ - static_cast<float>(ClientHeight()), 0.0f));
  dx = Nint(newX - oldX);
  dy = Nint(newY - oldY);
  if (dx == 0 && dy == 0) return;
  scrollX_ = newX;
  scrollY_ = newY;
  ScrollChanged();
  if (host_) {
    ScrollWindowContent(-dx, -dy);
    UpdateBarPosition(sbHorizontal, scrollX_);
    UpdateBarPosition(sbVertical, scrollY_);
  }
}

void TVirtScrollBox::SetVirtualArea(float x, float y, float width, float height) {
  if (x == scrollX_ && y == scrollY_ && width == virtualWidth_ && height == virtualHeight_) return;
  if (x != scrollX_ || y != scrollY_) {
    scrollX_ = x;
    scrollY_ = y;
    ScrollChanged();
  }
  virtualWidth_ = width;
  virtualHeight_ = height;
  UpdateScrollBars();
}

void TVirtScrollBox::UpdateScrollBars() {
  if (!host_ || !autoScroll_) return;
  const float largest = std::max(virtualWidth_, virtualHeight_);
  scrollScale_ = largest > kMaxScrollRange ? kMaxScrollRange / largest : 1.0f;
  const float maxX = std::max(virtualWidth_ - static_cast<float>(ClientWidth()), 0.0f);
  const float maxY = std::max(virtualHeight_ - static_cast<float>(ClientHeight()), 0.0f);
  const float x = std::clamp(scrollX_, 0.0f, maxX);
  const float y = std::clamp(scrollY_, 0.0f, maxY);
  if (x != scrollX_ || y != scrollY_) {
    scrollX_ = x;
    scrollY_ = y;
    ScrollChanged();
    Invalidate();
  }
  host_->SetScrollBar(sbHorizontal, 0, Nint(virtualWidth_ * scrollScale_),
                      Nint(static_cast<float>(ClientWidth()) * scrollScale_), Nint(scrollX_ * scrollScale_));
  host_->SetScrollBar(sbVertical, 0, Nint(virtualHeight_ * scrollScale_),
                      Nint(static_cast<float>(ClientHeight()) * scrollScale_), Nint(scrollY_ * scrollScale_));
}

void TVirtScrollBox::HideScrollBars() {
  if (!host_) return;
  host_->SetScrollBar(sbHorizontal, 0, 0, 0, 0);
  host_->SetScrollBar(sbVertical, 0, 0, 0, 0);
}

void TVirtScrollBox::ScrollMessage(TScrollBarKind kind, TScrollCode code, int position) {
  if (!autoScroll_) return;
  const bool horizontal = kind == sbHorizontal;
  const float size = horizontal ? virtualWidth_ : virtualHeight_;
  const float client = static_cast<float>(horizontal ? ClientWidth() : ClientHeight());
  const float current = horizontal ? scrollX_ : scrollY_;
  float target = current;
  switch (code) {
    case scLineUp: target = current - static_cast<float>(lineStep_); break;
    case scLineDown: target = current + static_cast<float>(lineStep_); break;
    case scPageUp: target = current - client; break;
    case scPageDown: target = current + client; break;
    case scPosition:
    case scTrack: target = static_cast<float>(position) / scrollScale_; break;
    case scTop: target = 0; break;
    case scBottom: target = size - client; break;
    case scEndScroll: return;
  }
  target = std::clamp(target, 0.0f, std::max(size - client, 0.0f));
  SetAxisPosition(kind, target);
}

void TVirtScrollBox::SetAxisPosition(TScrollBarKind kind, float target) {
  float& position = kind == sbHorizontal ? scrollX_ : scrollY_;
  const int delta = Nint(target - position);
  if (delta == 0) return;
  position = target;
  ScrollChanged();
  if (host_) {
    if (kind == sbHorizontal) {
      ScrollWindowContent(-delta, 0);
    } else {
      ScrollWindowContent(0, -delta);
    }
    UpdateBarPosition(kind, position);
  }
}

void TVirtScrollBox::UpdateBarPosition(TScrollBarKind kind, float position) {
  const int barPosition = Nint(position * scrollScale_);
  if (host_->ScrollPosition(kind) != barPosition) host_->SetScrollPosition(kind, barPosition);
}

void TVirtScrollBox::ScrollWindowContent(int dx, int dy) {
  if (host_) host_->ScrollContent(dx, dy);
}

void TVirtScrollBox::Resize() {
  UpdateScrollBars();
  Resized();
}

void TVirtScrollBox::Invalidate() {
  if (host_) host_->InvalidateAll();
}

void TVirtScrollBox::InvalidateRect(const TRect& rect) {
  if (host_) host_->InvalidateRect(rect);
}

}  // namespace kivrano
