// In-place text editing inside the Qt view: typed characters, Enter, Escape, Tab, arrows,
// Backspace/Delete and the clipboard keys reach the shape under edit.

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "engine/dtpDocument.h"
#include "qt/QtViewHost.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"

using namespace kivrano;

class QtTextEditingTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TdtpDocument> doc;
  std::unique_ptr<QWidget> window;
  TQtViewHost* view = nullptr;
  TdtpTextShape* text = nullptr;
  TdtpMemoShape* memo = nullptr;

  template <typename T>
  T* Add(const char* content, float top) {
    auto shape = std::make_unique<T>();
    shape->SetSmartHitTest(false);
    shape->SetBounds(10, top, 40, 10);
    shape->SetText(content);
    T* raw = shape.get();
    doc->LockUndo();
    doc->AddShape(std::move(shape));
    doc->UnlockUndo();
    return raw;
  }

  void DoubleClick(const TdtpShape& shape) {
    const TFloatPoint centre = shape.LocalToScreen(TFloatPoint{shape.DocWidth() / 2, shape.DocHeight() / 2});
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(static_cast<int>(centre.X), static_cast<int>(centre.Y)));
  }

 private slots:
  void init() {
    doc = std::make_unique<TdtpDocument>();
    text = Add<TdtpTextShape>("Rondo", 10);
    memo = Add<TdtpMemoShape>("Warming up", 40);
    // A second focusable widget, so that Tab could move the focus away.
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    view = new TQtViewHost;
    layout->addWidget(view);
    layout->addWidget(new QLineEdit);
    window->resize(500, 500);
    view->SetDocument(doc.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    view->setFocus();
  }

  void cleanup() {
    view->SetDocument(nullptr);
    window.reset();
    doc.reset();
  }

  void typingBackspaceDeleteAndArrowsEditTheText() {
    DoubleClick(*text);
    QCOMPARE(doc->EditedShape(), static_cast<TdtpShape*>(text));
    QTest::keyClicks(view, "Hats");
    QCOMPARE(text->Text(), std::string("Hats"));
    QTest::keyClick(view, Qt::Key_Backspace);
    QTest::keyClick(view, Qt::Key_Home);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(text->Text(), std::string("at"));
    QTest::keyClick(view, Qt::Key_Right);
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(view, &accented);
    QCOMPARE(text->Text(), std::string("a\xC3\xA9t"));
    QTest::keyClick(view, Qt::Key_Escape);
    QCOMPARE(text->Text(), std::string("Rondo"));
    QCOMPARE(doc->DragState(), dsIdle);
  }

  void enterEndsATextButBreaksAMemoLine() {
    DoubleClick(*text);
    QTest::keyClicks(view, "Goal");
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(doc->DragState(), dsIdle);
    QCOMPARE(text->Text(), std::string("Goal"));

    DoubleClick(*memo);
    QCOMPARE(doc->EditedShape(), static_cast<TdtpShape*>(memo));
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClicks(view, "Rondo");
    QCOMPARE(doc->DragState(), dsEditing);
    QCOMPARE(memo->Text(), std::string("Warming up\rRondo"));
    // Tab ends the edit instead of moving the focus to the next widget.
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(doc->DragState(), dsIdle);
    QVERIFY(view->hasFocus());
    QCOMPARE(memo->Text(), std::string("Warming up\rRondo"));
  }

  void clipboardKeysReachTheEditor() {
    DoubleClick(*text);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("Rondo"));
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(text->Text(), std::string(""));
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text->Text(), std::string("RondoRondo"));
    QCOMPARE(doc->ShapeCount(), 2);  // the view's own shape clipboard stayed out of it
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(text->Text(), std::string("RondoRon"));
    QCOMPARE(QApplication::clipboard()->text(), QString("do"));
    QTest::keyClick(view, Qt::Key_Return);
  }

  void theCaretBlinksOnTheWidgetsTimer() {
    DoubleClick(*text);
    QVERIFY(!text->CaretHidden());
    QTRY_VERIFY_WITH_TIMEOUT(text->CaretHidden(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(!text->CaretHidden(), 2000);
    QTest::keyClick(view, Qt::Key_Escape);
  }
};

QTEST_MAIN(QtTextEditingTest)
#include "QtTextEditingTest.moc"
