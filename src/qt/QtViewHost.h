#pragma once

// The Qt window behind a document view: a scroll area whose viewport presents the view's window
// surface. The view's requests (repaints, scrolling, scroll bars, cursors, timers, clipboard) go
// to Qt; Qt's events (paint, resize, scroll bars, wheel, mouse, keys, focus) come back to the view.

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QRegion>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/ViewHost.h"

class QMimeData;
class QTimer;

namespace kivrano {

class TdtpDocument;

// Pointer and key input in the view's terms: client pixels, virtual-key codes, shift bits. The
// interaction code binds these; an unbound event is dropped.
struct TViewInput {
  std::function<void(TMouseButton, int shift, int x, int y)> OnMouseDown;
  std::function<void(TMouseButton, int shift, int x, int y)> OnMouseUp;
  std::function<void(int shift, int x, int y)> OnMouseMove;
  std::function<void(TMouseButton, int shift, int x, int y)> OnDblClick;
  std::function<void(int key, int shift)> OnKeyDown;
  std::function<void(int key, int shift)> OnKeyUp;
  std::function<void(char32_t ch)> OnKeyPress;
  std::function<void(bool focused)> OnFocusChanged;
};

// The virtual-key code of a Qt key (0 for keys without one).
int VirtualKeyOf(int qtKey);

// The MIME type under which a view drag carries the dragged selection as "Selection" XML.
inline constexpr const char* kSelectionMimeType = "application/x-kivrano-selection";
// The data of a view drag: the selection XML under kSelectionMimeType.
QMimeData* ViewDragData(const std::string& selectionXml);

class TQtViewHost : public QAbstractScrollArea, public IViewHost {
 public:
  explicit TQtViewHost(QWidget* parent = nullptr);
  ~TQtViewHost() override;

  // Shows the document's view in this widget (none detaches it).
  void SetDocument(TdtpDocument* document);
  TdtpDocument* Document() const { return document_; }
  TViewInput& Input() { return input_; }

  // ---- IViewHost ----
  int ClientWidth() const override;
  int ClientHeight() const override;
  void InvalidateRect(const TRect& rect) override;
  void InvalidateAll() override;
  // Shows surface pixels the view drew itself (drag outlines) without asking it to paint.
  void PresentRect(const TRect& rect) override;
  void ScrollContent(int dx, int dy) override;
  void SetScrollBar(TScrollBarKind kind, int min, int max, int page, int position) override;
  void SetScrollPosition(TScrollBarKind kind, int position) override;
  int ScrollPosition(TScrollBarKind kind) const override;
  void SetCursor(TCursor cursor) override;
  TCursor CurrentCursor() const override { return cursor_; }
  void SetFocus() override;
  bool Focused() const override;
  int StartTimer(int intervalMs, std::function<void()> callback) override;
  void StopTimer(int id) override;
  void ProcessMessages() override;
  bool KeyDown(TVirtualKey key) const override;
  uint32_t TickCount() const override;
  TPoint PointerPosition() const override;
  void Popup(const std::vector<TViewMenuItem>& items, TPoint at) override;
  bool HasClipboardText() const override;
  std::string ClipboardText() const override;
  void SetClipboardText(const std::string& text) override;
  // The drag runs once the pointer event that started it has been handled (see mouseMoveEvent).
  void StartViewDrag(const std::string& selectionXml) override;

 protected:
  // Failures of the view's handlers end here: the toolkit shows their text in a message box
  // instead of letting an exception cross the event loop.
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QScrollBar* Bar(TScrollBarKind kind) const;
  void BarAction(TScrollBarKind kind, int action);
  // Routes the input to the document's interaction handlers.
  void BindInput();

  TdtpDocument* document_ = nullptr;
  TViewInput input_;
  TCursor cursor_ = crDefault;
  // Areas updated only to present the surface: painting them again would wipe drag outlines.
  QRegion presentOnly_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
  int nextTimerId_ = 1;
  QElapsedTimer clock_;
  // Data of a view drag requested during the current pointer event, run when that event is done.
  std::optional<std::string> pendingViewDrag_;
};

}  // namespace kivrano
