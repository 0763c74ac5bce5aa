// Arbitrary text on the clipboard, pasted into a document and then worked on as a selection:
// grouped, aligned, restacked, copied, cut, ungrouped, undone and redone. Damaged text must paste
// nothing or end in a kivrano::Exception at worst.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "platform/HeadlessViewHost.h"
#include "shapes/dtpShapeClasses.h"

using namespace kivrano;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterStandardShapeClasses();
  THeadlessViewHost host(200, 160);
  TdtpDocument doc;
  doc.SetHost(&host);
  try {
    host.SetClipboardText(std::string(reinterpret_cast<const char*>(data), size));
    doc.CanPaste();
    doc.PasteFromClipboard();
    doc.SelectInRect(TRect{0, 0, 200, 160});
    doc.GroupSelection();
    doc.AlignHorzCenters();
    doc.BringToFront();
    doc.SendBackward();
    doc.CopyToClipboard();
    doc.PasteFromClipboard();
    doc.UngroupSelection();
    doc.AlignBottom();
    doc.CutToClipboard();
    doc.Undo();
    doc.Undo();
    doc.Redo();
    doc.PasteXml(doc.SelectionToXml());
  } catch (const Exception&) {
  }
  doc.SetHost(nullptr);
  return 0;
}
