#include <limits>

#include "storage/XmlCodec.h"
#include "storage/XmlDocuments.h"
#include "storage/XmlReader.h"
#include "storage/XmlWriter.h"

namespace kivrano {

TXmlDocument::TXmlDocument() : root_(std::make_unique<TXmlNode>(this)) {}

TXmlDocument::TXmlDocument(const std::string& rootName) : TXmlDocument() { root_->SetName(rootName); }

TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::ResetOptions() {
  comments_.clear();
  styleSheet_.clear();
  encoding_ = "windows-1252";
  wideText_ = false;
  version_ = "1.0";
  layout_ = xlCompact;
  storeDefaults_ = true;
  binaryCoding_ = bcBase64;
}

void TXmlDocument::Clear() {
  ResetOptions();
  if (root_) root_->Clear();
}

void TXmlDocument::ParseStream(TStream& stream) { TXmlReader::ReadDocument(*this, stream); }

void TXmlDocument::ParseText(const std::string& text) {
  TMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  ParseStream(stream);
}

void TXmlDocument::TakeTopLevel(TXmlNode& container) {
  TXmlNode* element = nullptr;
  for (int i = 0; i < container.ChildCount(); ++i) {
    TXmlNode* node = container.Children(i);
    node->parent_ = nullptr;
    if (node->Kind() != xnElement && node->Kind() != xnEmptyElement) continue;
    if (element) throw Exception("More than one root element found in xml");
    element = node;
  }
  if (!element) throw Exception("No root element found in xml");
  root_ = container.DetachChild(element);
  for (int i = 0; i < container.ChildCount(); ++i) {
    TXmlNode* node = container.Children(i);
    switch (node->Kind()) {
      case xnDeclaration:
        if (node->HasAttribute("version")) version_ = node->AttributeByName("version");
        if (node->HasAttribute("encoding")) encoding_ = node->AttributeByName("encoding");
        break;
      case xnStyleSheet:
        if (!styleSheet_.empty()) throw Exception("Multiple stylesheets in root not supported");
        styleSheet_ = node->Text();
        break;
      case xnComment: comments_.push_back(node->Text()); break;
      case xnCData: throw Exception("No CDATA allowed in root");
      default: break;
    }
  }
}

void TXmlDocument::LoadFromStream(TStream& stream) {
  Clear();
  TUtf8Stream text(&stream);
  text.OnLoss = [this] {
    if (OnTextLoss) OnTextLoss(*this);
  };
  ParseStream(text);
  wideText_ = text.Wide();
}

void TXmlDocument::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  LoadFromStream(file);
}

void TXmlDocument::WriteStream(TStream& stream) {
  if (!root_) throw Exception("XML root element not defined.");
  const std::string lineBreak = layout_ == xlIndented ? "\r\n" : "\n";
  std::string prolog;
  if (!version_.empty() || !encoding_.empty()) {
    prolog = "<?xml ";
    if (!version_.empty()) prolog += "version=" + XmlQuote(XmlEscape(version_));
    if (!encoding_.empty()) prolog += " encoding=" + XmlQuote(XmlEscape(encoding_));
    prolog += "?>" + lineBreak;
  }
  if (!styleSheet_.empty()) prolog += "<?xml-stylesheet " + styleSheet_ + "?>" + lineBreak;
  for (const std::string& comment : comments_)
    if (!comment.empty()) prolog += "<!--" + XmlEscape(comment) + "-->" + lineBreak;

  if (OnProgress) OnProgress(*this, 0);
  TXmlWriter writer(stream, layout_, this);
  writer.Write(prolog);
  writer.WriteNode(*root_, root_->Level());
  writer.Flush();
  if (OnProgress) OnProgress(*this, stream.Size());
}

void TXmlDocument::SaveToStream(TStream& stream) {
  TMemoryStream text;
  WriteStream(text);
  const auto& bytes = text.Bytes();
  TUtf8Stream stored(&stream, wideText_ || !TUtf8Stream::FitsCodePage(bytes.data(), bytes.size()));
  stored.OnLoss = [this] {
    if (OnTextLoss) OnTextLoss(*this);
  };
  constexpr size_t kChunk = 1 << 20;
  for (size_t at = 0; at < bytes.size(); at += kChunk)
    stored.WriteBuffer(bytes.data() + at, static_cast<int32_t>(std::min(kChunk, bytes.size() - at)));
  stored.Flush();
}

void TXmlDocument::SaveToFile(const std::string& path) {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
}

std::string TXmlDocument::AsText() {
  TMemoryStream stream;
  WriteStream(stream);
  const auto& bytes = stream.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

void TXmlDocument::CopyFrom(TXmlDocument& other) {
  // The text is taken before clearing, so that copying a document onto itself keeps it.
  TMemoryStream text;
  other.WriteStream(text);
  Clear();
  text.SetPosition(0);
  ParseStream(text);
}

}  // namespace kivrano
