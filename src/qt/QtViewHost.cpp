#include "qt/QtViewHost.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <string>

#include "base/Exception.h"
#include "engine/dtpCursors.h"
#include "engine/dtpDocument.h"
#include "platform/Dialogs.h"

namespace kivrano {

namespace {

// Runs an event handler; a failure is shown to the user as a message, as the toolkit shows errors
// that reach it, and the event counts as handled.
template <typename Handler>
bool ShowingFailures(Handler&& handler) {
  try {
    return handler();
  } catch (const Exception& e) {
    Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK}));
    return true;
  }
}

// Line scrolls per wheel notch.
constexpr int kLinesPerNotch = 3;
constexpr int kNotch = 120;

Qt::CursorShape CursorShapeOf(TCursor cursor) {
  switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
  }
}

// The Qt cursor of an id: a standard shape, or one of the program's own pictures.
QCursor QtCursorOf(TCursor cursor) {
  if (const TCursorImage* own = FindProgramCursor(cursor)) {
    const QImage image(reinterpret_cast<const uchar*>(own->Pixels.data()), own->Width, own->Height,
                       static_cast<qsizetype>(own->Width) * 4, QImage::Format_ARGB32);
    return QCursor(QPixmap::fromImage(image.copy()), own->HotX, own->HotY);
  }
  return QCursor(CursorShapeOf(cursor));
}

int ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

// The characters a key press types. Ctrl with a letter types its control character (Ctrl+C 3,
// Ctrl+V 22, Ctrl+X 24), whatever the platform puts in the event's text; the delete character
// that some platforms attach to the Delete key is not typed text.
std::u32string TypedCharacters(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && event.key() >= Qt::Key_A &&
      event.key() <= Qt::Key_Z) {
    return std::u32string(1, static_cast<char32_t>(event.key() - Qt::Key_A + 1));
  }
  std::u32string typed;
  for (char32_t ch : event.text().toUcs4()) {
    if (ch != 0x7F) typed += ch;
  }
  return typed;
}

bool ButtonOf(Qt::MouseButton button, TMouseButton& out) {
  switch (button) {
    case Qt::LeftButton: out = mbLeft; return true;
    case Qt::RightButton: out = mbRight; return true;
    case Qt::MiddleButton: out = mbMiddle; return true;
    default: return false;
  }
}

}  // namespace

int VirtualKeyOf(int qtKey) {
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return vkShift;
    case Qt::Key_Control: return vkControl;
    case Qt::Key_Alt: return vkMenu;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Minus: return 0xBD;
    default: return 0;
  }
}

TQtViewHost::TQtViewHost(QWidget* parent) : QAbstractScrollArea(parent) {
  clock_.start();
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);  // painting covers everything
  viewport()->setMouseTracking(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    connect(Bar(kind), &QAbstractSlider::actionTriggered, this, [this, kind](int action) { BarAction(kind, action); });
  }
}

TQtViewHost::~TQtViewHost() { SetDocument(nullptr); }

void TQtViewHost::SetDocument(TdtpDocument* document) {
  if (document == document_) return;
  if (document_) document_->SetHost(nullptr);
  timers_.clear();
  document_ = document;
  presentOnly_ = QRegion();
  if (document_) {
    BindInput();
    document_->SetHost(this);
    document_->Resize();
  }
  viewport()->update();
}

QScrollBar* TQtViewHost::Bar(TScrollBarKind kind) const {
  return kind == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
}

int TQtViewHost::ClientWidth() const { return viewport()->width(); }
int TQtViewHost::ClientHeight() const { return viewport()->height(); }

void TQtViewHost::BindInput() {
  // The handlers look the document up when they run: detaching it leaves nothing dangling.
  input_.OnMouseDown = [this](TMouseButton b, int shift, int x, int y) {
    if (document_) document_->MouseDown(b, shift, x, y);
  };
  input_.OnMouseUp = [this](TMouseButton b, int shift, int x, int y) {
    if (document_) document_->MouseUp(b, shift, x, y);
  };
  input_.OnMouseMove = [this](int shift, int x, int y) {
    if (document_) document_->MouseMove(shift, x, y);
  };
  input_.OnDblClick = [this](TMouseButton b, int shift, int x, int y) {
    if (document_) document_->DblClick(b, shift, x, y);
  };
  input_.OnKeyDown = [this](int key, int shift) {
    if (document_) document_->KeyDown(key, shift);
  };
  input_.OnKeyUp = [this](int key, int shift) {
    if (document_) document_->KeyUp(key, shift);
  };
  input_.OnKeyPress = [this](char32_t ch) {
    if (document_) document_->KeyPress(ch);
  };
}

void TQtViewHost::InvalidateRect(const TRect& rect) {
  const QRect r(rect.Left, rect.Top, rect.Width(), rect.Height());
  presentOnly_ -= r;
  viewport()->update(r);
}

void TQtViewHost::InvalidateAll() {
  presentOnly_ = QRegion();
  viewport()->update();
}

void TQtViewHost::PresentRect(const TRect& rect) {
  const QRect r(rect.Left, rect.Top, rect.Width(), rect.Height());
  presentOnly_ += r;
  viewport()->update(r);
}

void TQtViewHost::ScrollContent(int dx, int dy) {
  presentOnly_ = QRegion();
  viewport()->scroll(dx, dy);
}

void TQtViewHost::SetScrollBar(TScrollBarKind kind, int min, int max, int page, int position) {
  QScrollBar* bar = Bar(kind);
  const QSignalBlocker block(bar);
  // The view's range includes the page; Qt's ends where the last page begins.
  bar->setRange(min, std::max(min, max - page));
  bar->setPageStep(std::max(page, 1));
  bar->setValue(position);
}

void TQtViewHost::SetScrollPosition(TScrollBarKind kind, int position) {
  QScrollBar* bar = Bar(kind);
  const QSignalBlocker block(bar);
  bar->setValue(position);
}

int TQtViewHost::ScrollPosition(TScrollBarKind kind) const { return Bar(kind)->value(); }

void TQtViewHost::BarAction(TScrollBarKind kind, int action) {
  if (!document_) return;
  QScrollBar* bar = Bar(kind);
  TScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
    case QAbstractSlider::SliderToMinimum: code = scTop; break;
    case QAbstractSlider::SliderToMaximum: code = scBottom; break;
    case QAbstractSlider::SliderMove: code = scTrack; break;
    default: return;
  }
  document_->ScrollMessage(kind, code, bar->sliderPosition());
  // The view decides where the thumb ends up.
  if (code != scTrack) {
    const float position = kind == sbHorizontal ? document_->ScrollX() : document_->ScrollY();
    bar->setSliderPosition(static_cast<int>(std::lround(position * document_->ScrollScale())));
  }
}

void TQtViewHost::scrollContentsBy(int /*dx*/, int /*dy*/) {
  // Scrolling is the view's business (BarAction); Qt only reports the bars' movement here.
}

void TQtViewHost::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  viewport()->setCursor(QtCursorOf(cursor));
}

void TQtViewHost::SetFocus() { setFocus(Qt::OtherFocusReason); }
bool TQtViewHost::Focused() const { return hasFocus(); }

int TQtViewHost::StartTimer(int intervalMs, std::function<void()> callback) {
  const int id = nextTimerId_++;
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(intervalMs);
  QObject::connect(timer.get(), &QTimer::timeout, this,
                   [callback = std::move(callback)] { ShowingFailures([&] { callback(); return true; }); });
  timer->start();
  timers_[id] = std::move(timer);
  return id;
}

void TQtViewHost::StopTimer(int id) { timers_.erase(id); }

void TQtViewHost::ProcessMessages() { QCoreApplication::processEvents(); }

bool TQtViewHost::KeyDown(TVirtualKey key) const {
  const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
  const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
  switch (key) {
    case vkShift: return modifiers & Qt::ShiftModifier;
    case vkControl: return modifiers & Qt::ControlModifier;
    case vkMenu: return modifiers & Qt::AltModifier;
    case vkLButton: return buttons & Qt::LeftButton;
    case vkRButton: return buttons & Qt::RightButton;
    case vkMButton: return buttons & Qt::MiddleButton;
  }
  return false;
}

uint32_t TQtViewHost::TickCount() const { return static_cast<uint32_t>(clock_.elapsed()); }

TPoint TQtViewHost::PointerPosition() const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  return TPoint{p.x(), p.y()};
}

void TQtViewHost::Popup(const std::vector<TViewMenuItem>& items, TPoint at) {
  QMenu menu(this);
  for (const TViewMenuItem& item : items) {
    QAction* action = menu.addAction(QString::fromStdString(item.Caption));
    action->setEnabled(item.Enabled);
    if (item.OnClick) QObject::connect(action, &QAction::triggered, &menu, [click = item.OnClick] { click(); });
  }
  menu.exec(viewport()->mapToGlobal(QPoint(at.X, at.Y)));
}

bool TQtViewHost::HasClipboardText() const { return !QGuiApplication::clipboard()->text().isEmpty(); }
std::string TQtViewHost::ClipboardText() const { return QGuiApplication::clipboard()->text().toStdString(); }
void TQtViewHost::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

QMimeData* ViewDragData(const std::string& selectionXml) {
  auto* data = new QMimeData;
  data->setData(kSelectionMimeType, QByteArray::fromStdString(selectionXml));
  return data;
}

void TQtViewHost::StartViewDrag(const std::string& selectionXml) { pendingViewDrag_ = selectionXml; }

bool TQtViewHost::event(QEvent* event) {
  return ShowingFailures([&] { return QAbstractScrollArea::event(event); });
}

bool TQtViewHost::viewportEvent(QEvent* event) {
  return ShowingFailures([&] { return QAbstractScrollArea::viewportEvent(event); });
}

void TQtViewHost::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  if (!document_) {
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    return;
  }
  for (const QRect& r : event->region() - presentOnly_) {
    document_->Paint(TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  }
  presentOnly_ -= event->region();
  const TBitmap32& surface = document_->WindowSurface();
  if (surface.Empty()) return;
  // Canvas pixels carry alpha 0: the surface is presented as opaque RGB.
  const QImage image(reinterpret_cast<const uchar*>(surface.Bits()), surface.Width(), surface.Height(),
                     static_cast<qsizetype>(surface.Width()) * 4, QImage::Format_RGB32);
  for (const QRect& r : event->region()) painter.drawImage(r, image, r);
}

void TQtViewHost::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (document_) document_->Resize();
  viewport()->update();
}

void TQtViewHost::wheelEvent(QWheelEvent* event) {
  if (!document_) return;
  const QPoint delta = event->angleDelta();
  const int notches = (delta.y() != 0 ? delta.y() : delta.x()) / kNotch;
  const bool towardsUser = notches < 0;
  if (event->modifiers() & Qt::ControlModifier) {
    for (int i = 0; i < std::abs(notches); ++i) {
      if (towardsUser) {
        document_->ZoomOut();
      } else {
        document_->ZoomIn();
      }
    }
  } else {
    const bool horizontal = (event->modifiers() & Qt::ShiftModifier) || delta.y() == 0;
    const TScrollBarKind kind = horizontal ? sbHorizontal : sbVertical;
    for (int i = 0; i < std::abs(notches) * kLinesPerNotch; ++i)
      document_->ScrollMessage(kind, towardsUser ? scLineDown : scLineUp, 0);
  }
  event->accept();
}

namespace {

// Hands a button event to a handler: the button, the shift state (plus extra bits) and the point.
void ForwardButton(const QMouseEvent* event, const std::function<void(TMouseButton, int, int, int)>& handler,
                   int extraShift = 0) {
  TMouseButton button;
  if (!handler || !ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  handler(button, ShiftOf(event->modifiers(), event->buttons()) | extraShift, p.x(), p.y());
}

}  // namespace

void TQtViewHost::mousePressEvent(QMouseEvent* event) { ForwardButton(event, input_.OnMouseDown); }
void TQtViewHost::mouseReleaseEvent(QMouseEvent* event) { ForwardButton(event, input_.OnMouseUp); }
void TQtViewHost::mouseDoubleClickEvent(QMouseEvent* event) { ForwardButton(event, input_.OnDblClick, ssDouble); }

void TQtViewHost::mouseMoveEvent(QMouseEvent* event) {
  if (!input_.OnMouseMove) return;
  const QPoint p = event->position().toPoint();
  input_.OnMouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
  // A drag of the view starts while the button is still down; it returns once dropped.
  if (pendingViewDrag_) {
    auto* drag = new QDrag(this);
    drag->setMimeData(ViewDragData(*pendingViewDrag_));
    pendingViewDrag_.reset();
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
  }
}

void TQtViewHost::keyPressEvent(QKeyEvent* event) {
  const int key = VirtualKeyOf(event->key());
  const int shift = ShiftOf(event->modifiers(), QGuiApplication::mouseButtons());
  if (key != 0 && input_.OnKeyDown) input_.OnKeyDown(key, shift);
  if (input_.OnKeyPress) {
    for (char32_t ch : TypedCharacters(*event)) input_.OnKeyPress(ch);
  }
}

bool TQtViewHost::focusNextPrevChild(bool next) {
  // Tab belongs to a shape edited in place (it ends the edit) rather than moving the focus.
  if (document_ && document_->DragState() == dsEditing) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void TQtViewHost::keyReleaseEvent(QKeyEvent* event) {
  const int key = VirtualKeyOf(event->key());
  if (key != 0 && input_.OnKeyUp) input_.OnKeyUp(key, ShiftOf(event->modifiers(), QGuiApplication::mouseButtons()));
}

void TQtViewHost::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  if (input_.OnFocusChanged) input_.OnFocusChanged(true);
}

void TQtViewHost::contextMenuEvent(QContextMenuEvent* event) {
  if (document_) document_->ContextPopup(event->pos().x(), event->pos().y());
  event->accept();
}

void TQtViewHost::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  if (input_.OnFocusChanged) input_.OnFocusChanged(false);
}

}  // namespace kivrano
