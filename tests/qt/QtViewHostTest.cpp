// The Qt view host: the window shows the view's surface, and Qt's scroll-bar, wheel, resize, mouse,
// key, focus and timer events reach the view.

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/dtpCursors.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "base/Exception.h"
#include "platform/Dialogs.h"
#include "qt/QtViewHost.h"

using namespace kivrano;

namespace {

// A red block painted on the image.
class TRedBlock : public TdtpShape {
 public:
  void PaintBitmap(TBitmap32& bitmap) override {
    bitmap.FillRectClipped(PaintLeft(), PaintTop(), PaintRight(), PaintBottom(), 0xFFFF0000);
  }
};

void SendWheel(QWidget* target, int notches, Qt::KeyboardModifiers modifiers) {
  const QPointF at(20, 20);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, modifiers);
  QApplication::sendEvent(target, &event);
}

}  // namespace

class QtViewHostTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TdtpDocument> doc;
  std::unique_ptr<TQtViewHost> view;

 private slots:
  void init() {
    doc = std::make_unique<TdtpDocument>();
    auto block = std::make_unique<TRedBlock>();
    block->SetSmartHitTest(false);
    block->SetBounds(20, 20, 40, 30);
    doc->LockUndo();
    doc->AddShape(std::move(block));
    doc->UnlockUndo();
    view = std::make_unique<TQtViewHost>();
    view->resize(400, 200);
    view->SetDocument(doc.get());
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
  }

  void draggingMovesAShapeAndShowsTheCopyCursorWithCtrl() {
    TdtpShape* block = doc->Shapes(0);
    const TFloatPoint centre = block->LocalToScreen(TFloatPoint{20, 15});
    const QPoint from(static_cast<int>(centre.X), static_cast<int>(centre.Y));
    const QPoint to = from + QPoint(30, 12);
    QWidget* port = view->viewport();
    SendMouse(port, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(block->Selected());
    SendMouse(port, QEvent::MouseMove, from + QPoint(15, 6), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(view->CurrentCursor(), crSizeCopy);
    QCOMPARE(port->cursor().shape(), Qt::BitmapCursor);
    SendMouse(port, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    QVERIFY(doc->OverlayDrawn());
    SendMouse(port, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(doc->ShapeCount(), 1);
    QVERIFY(std::fabs(block->DocLeft() - (20 + 30 / doc->ScreenDpm())) < 0.01f);
    QVERIFY(std::fabs(block->DocTop() - (20 + 12 / doc->ScreenDpm())) < 0.01f);
  }

  void cleanup() {
    view.reset();
    doc.reset();
  }

  void showsTheWindowSurface() {
    const QImage shown = view->viewport()->grab().toImage();
    const TBitmap32& surface = doc->WindowSurface();
    QCOMPARE(surface.Width(), view->viewport()->width());
    const TFloatPoint inside = doc->CurrentPage()->GetShape(0)->LocalToScreen(TFloatPoint{20, 15});
    const QPoint p(static_cast<int>(inside.X), static_cast<int>(inside.Y));
    QCOMPARE(shown.pixel(p) & 0xFFFFFFu, 0xFF0000u);
    for (const QPoint q : {QPoint(1, 1), QPoint(200, 120), p})
      QCOMPARE(shown.pixel(q) & 0xFFFFFFu, surface.GetPixel(q.x(), q.y()) & 0xFFFFFFu);
  }

  void scrollBarsFollowTheView() {
    QScrollBar* bar = view->verticalScrollBar();
    const int client = view->ClientHeight();
    QCOMPARE(bar->maximum(), static_cast<int>(std::nearbyint(doc->VirtualHeight())) - client);
    QCOMPARE(bar->pageStep(), client);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(doc->ScrollY(), 9.0f);
    QCOMPARE(bar->value(), 9);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(doc->ScrollY(), 9.0f + client);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(doc->ScrollY(), doc->VirtualHeight() - client);
    bar->setSliderPosition(40);  // dragging the thumb
    QCOMPARE(doc->ScrollY(), 40.0f);
    // What scrolled in is painted: the window matches the surface.
    const QImage shown = view->viewport()->grab().toImage();
    QCOMPARE(shown.pixel(10, client - 5) & 0xFFFFFFu, doc->WindowSurface().GetPixel(10, client - 5) & 0xFFFFFFu);
  }

  void wheelScrollsAndZooms() {
    SendWheel(view->viewport(), -1, Qt::NoModifier);
    QCOMPARE(doc->ScrollY(), 27.0f);
    SendWheel(view->viewport(), 1, Qt::NoModifier);
    QCOMPARE(doc->ScrollY(), 0.0f);
    SendWheel(view->viewport(), 1, Qt::ControlModifier);
    QVERIFY(std::fabs(doc->ZoomPercent() - 110) < 1e-3);
    SendWheel(view->viewport(), -1, Qt::ControlModifier);
    QVERIFY(std::fabs(doc->ZoomPercent() - 100) < 1e-3);
  }

  void resizingRefitsThePage() {
    const float before = doc->ScreenDpm();
    view->resize(600, 300);
    QApplication::processEvents();
    QVERIFY(doc->ScreenDpm() > before);
    QCOMPARE(doc->WindowSurface().Width(), view->viewport()->width());
  }

  void mouseAndKeysReachTheInput() {
    struct Press {
      TMouseButton button;
      int shift, x, y;
    };
    std::vector<Press> downs;
    std::vector<int> keys;
    std::vector<char32_t> chars;
    view->Input().OnMouseDown = [&](TMouseButton b, int shift, int x, int y) { downs.push_back({b, shift, x, y}); };
    view->Input().OnKeyDown = [&](int key, int) { keys.push_back(key); };
    view->Input().OnKeyPress = [&](char32_t ch) { chars.push_back(ch); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 20));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::ControlModifier, QPoint(30, 40));
    QCOMPARE(downs.size(), size_t{2});
    QCOMPARE(downs[0].button, mbLeft);
    QCOMPARE(downs[0].shift, ssShift | ssLeft);
    QCOMPARE(downs[0].x, 10);
    QCOMPARE(downs[0].y, 20);
    QCOMPARE(downs[1].button, mbRight);
    QCOMPARE(downs[1].shift, ssCtrl | ssRight);
    QTest::keyClick(view.get(), Qt::Key_Delete);
    QTest::keyClick(view.get(), Qt::Key_Left);
    QTest::keyClick(view.get(), 'a');
    QCOMPARE(keys, (std::vector<int>{0x2E, 0x25, 'A'}));
    QCOMPARE(chars, (std::vector<char32_t>{U'a'}));
  }

  void failuresOfHandlersAreShownAsMessages() {
    THeadlessDialogs dialogs;
    IDialogs* previous = SetDialogs(&dialogs);
    view->Input().OnMouseDown = [](TMouseButton, int, int, int) { throw Exception("Working already"); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    SetDialogs(previous);
    QCOMPARE(dialogs.Shown().size(), size_t{1});
    QCOMPARE(dialogs.Shown()[0].Text, std::string("Working already"));
  }

  void cursorsTimersAndFocus() {
    view->SetCursor(crHandPoint);
    QCOMPARE(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(view->CurrentCursor(), crHandPoint);
    view->SetCursor(crSizeWE);
    QCOMPARE(view->viewport()->cursor().shape(), Qt::SizeHorCursor);
    int ticks = 0;
    const int id = view->StartTimer(5, [&ticks] { ++ticks; });
    QTRY_VERIFY(ticks >= 2);
    view->StopTimer(id);
    const int stopped = ticks;
    QTest::qWait(30);
    QCOMPARE(ticks, stopped);
    view->activateWindow();
    view->clearFocus();
    QTRY_VERIFY(!view->Focused());
    std::vector<bool> focus;
    view->Input().OnFocusChanged = [&focus](bool f) { focus.push_back(f); };
    view->SetFocus();
    QTRY_VERIFY(view->Focused());
    QCOMPARE(focus, std::vector<bool>{true});
  }
};

QTEST_MAIN(QtViewHostTest)
#include "QtViewHostTest.moc"
