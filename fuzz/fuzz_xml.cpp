// Reads arbitrary bytes as a stored XML document, then exercises what callers do with a tree that
// was read: typed values, payload decoding, writing and reading back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/XmlDocuments.h"

namespace {

using namespace kivrano;

void Exercise(TXmlNode& node, int depth) {
  if (depth > 4) return;
  for (TXmlBinaryCoding coding : {bcHex, bcBase64, bcRadix64}) {
    if (node.Document()) node.Document()->SetBinaryCoding(coding);
    try {
      int64_t length = coding == bcRadix64 ? 16 : node.BinaryLength();
      std::vector<uint8_t> bytes(static_cast<size_t>(std::min<int64_t>(length, 1 << 16)));
      node.ReadBinary(bytes.data(), bytes.size());
    } catch (const Exception&) {
    }
  }
  try {
    (void)node.GetFont("Font");
    (void)node.GetPen("Pen");
    (void)node.GetBrush("Brush");
    (void)node.GetColor("Color", 0);
  } catch (const Exception&) {
  }
  (void)node.GetFloat("DocLeft", 0);
  (void)node.GetDateTime("Date", 0);
  (void)node.GetBool("Visible", true);
  (void)node.TextAsInteger(0);
  for (int i = 0; i < node.AttributeCount(); ++i) (void)node.AttributeText(i);
  for (int i = 0; i < std::min(node.ChildCount(), 8); ++i) Exercise(*node.Children(i), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TXmlDocument doc;
  try {
    doc.LoadFromStream(input);
  } catch (const Exception&) {
    return 0;
  }
  Exercise(*doc.Root(), 0);
  for (TXmlLayout layout : {xlIndented, xlCompact}) {
    doc.SetLayout(layout);
    try {
      TMemoryStream saved;
      doc.SaveToStream(saved);
      saved.SetPosition(0);
      TXmlDocument again;
      again.LoadFromStream(saved);
      TXmlNode copy(&again);
      copy.CopyFrom(*again.Root());
    } catch (const Exception&) {
    }
  }
  return 0;
}
