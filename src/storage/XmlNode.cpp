#include <algorithm>

#include "storage/XmlCodec.h"
#include "storage/XmlDocuments.h"
#include "storage/XmlReader.h"
#include "storage/XmlWriter.h"

namespace kivrano {

namespace {

std::string_view EntryName(const std::string& entry) {
  size_t eq = entry.find('=');
  return std::string_view(entry).substr(0, eq);
}

std::string MakeEntry(const std::string& name, const std::string& text) {
  return name + "=" + XmlQuote(XmlEscape(text));
}

// Sets the layout of a document for the lifetime of the scope.
class LayoutScope {
 public:
  LayoutScope(TXmlDocument* document, TXmlLayout layout) : document_(document) {
    if (document_) {
      saved_ = document_->Layout();
      document_->SetLayout(layout);
    }
  }
  ~LayoutScope() {
    if (document_) document_->SetLayout(saved_);
  }
  LayoutScope(const LayoutScope&) = delete;
  LayoutScope& operator=(const LayoutScope&) = delete;

 private:
  TXmlDocument* document_;
  TXmlLayout saved_ = xlCompact;
};

template <class Enum>
Enum OrdinalOr(int ordinal, Enum last, Enum fallback) {
  return ordinal >= 0 && ordinal <= static_cast<int>(last) ? static_cast<Enum>(ordinal) : fallback;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Structure

TXmlNode::TXmlNode(TXmlDocument* document) : document_(document) {}

TXmlNode::TXmlNode(TXmlDocument* document, const std::string& name) : document_(document) { SetName(name); }

TXmlNode::TXmlNode(TXmlDocument* document, const std::string& name, const std::string& text)
    : TXmlNode(document, name) {
  SetText(text);
}

TXmlNode::TXmlNode(TXmlDocument* document, TXmlNodeKind kind) : document_(document), kind_(kind) {}

TXmlNode::~TXmlNode() = default;

void TXmlNode::SetName(const std::string& name) {
  if (name == name_) return;
  if (name.find_first_of("\t\n\r ") != std::string::npos)
    throw Exception("Illegal character in node name \"" + name + "\"");
  name_ = name;
}

std::string TXmlNode::Text() const { return XmlUnescape(value_); }

void TXmlNode::SetText(const std::string& text) { value_ = XmlEscape(text); }

int TXmlNode::Level() const {
  int level = 0;
  for (const TXmlNode* node = this; node->parent_ && node->document_ && node->parent_ != node->document_->readContainer_;
       node = node->parent_)
    ++level;
  return level;
}

TXmlNode* TXmlNode::Children(int index) const {
  return index >= 0 && index < ChildCount() ? children_[static_cast<size_t>(index)].get() : nullptr;
}

int TXmlNode::AddChild(std::unique_ptr<TXmlNode> node) {
  if (!node) return -1;
  node->parent_ = this;
  children_.push_back(std::move(node));
  return ChildCount() - 1;
}

TXmlNode* TXmlNode::NewChild(const std::string& name) {
  auto node = std::make_unique<TXmlNode>(document_, name);
  TXmlNode* result = node.get();
  AddChild(std::move(node));
  return result;
}

TXmlNode* TXmlNode::FindChild(const std::string& name) const { return Children(ChildIndex(name)); }

TXmlNode* TXmlNode::FindOrNewChild(const std::string& name) {
  TXmlNode* node = FindChild(name);
  return node ? node : NewChild(name);
}

int TXmlNode::ChildIndexFrom(const std::string& name, int start) const {
  for (int i = std::max(start, 0); i < ChildCount(); ++i)
    if (XmlSameText(children_[static_cast<size_t>(i)]->name_, name)) return i;
  return -1;
}

void TXmlNode::FindChildren(const std::string& name, std::vector<TXmlNode*>& list) const {
  list.clear();
  for (const auto& child : children_)
    if (XmlSameText(child->name_, name)) list.push_back(child.get());
}

void TXmlNode::DeleteChild(int index) {
  if (index >= 0 && index < ChildCount()) children_.erase(children_.begin() + index);
}

std::unique_ptr<TXmlNode> TXmlNode::DetachChild(TXmlNode* node) {
  auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& child) { return child.get() == node; });
  if (it == children_.end()) return nullptr;
  std::unique_ptr<TXmlNode> detached = std::move(*it);
  children_.erase(it);
  detached->parent_ = nullptr;
  return detached;
}

void TXmlNode::ClearChildren() { children_.clear(); }

void TXmlNode::Clear() {
  name_.clear();
  value_.clear();
  attributes_.clear();
  children_.clear();
}

bool TXmlNode::IsEmpty() const { return value_.empty() && children_.empty() && attributes_.empty(); }

// ---------------------------------------------------------------------------------------------
// Reading and writing

void TXmlNode::ParseStream(TStream& stream) {
  TXmlCharSource source(stream);
  TXmlReader::ReadNode(*this, source, 1);
}

void TXmlNode::ParseText(const std::string& text) {
  if (text.empty()) return;
  TMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  ParseStream(stream);
}

void TXmlNode::WriteStream(TStream& stream) const {
  TXmlWriter writer(stream, document_ ? document_->Layout() : xlCompact, document_);
  writer.WriteNode(*this, Level());
  writer.Flush();
}

std::string TXmlNode::AsText() const {
  TMemoryStream stream;
  WriteStream(stream);
  const auto& bytes = stream.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

void TXmlNode::CopyFrom(const TXmlNode& node) {
  std::string text;
  {
    LayoutScope compactSource(node.document_, xlCompact);
    text = node.AsText();
  }
  // The text is taken first, so that copying from a descendant or from this node itself works.
  LayoutScope compact(document_, xlCompact);
  Clear();
  ParseText(text);
}

// ---------------------------------------------------------------------------------------------
// Attributes

std::string TXmlNode::AttributeName(int index) const {
  if (index < 0 || index >= AttributeCount()) return "";
  return std::string(EntryName(attributes_[static_cast<size_t>(index)]));
}

std::string TXmlNode::AttributePair(int index) const {
  return index >= 0 && index < AttributeCount() ? attributes_[static_cast<size_t>(index)] : "";
}

std::string TXmlNode::AttributeText(int index) const {
  if (index < 0 || index >= AttributeCount()) return "";
  const std::string& entry = attributes_[static_cast<size_t>(index)];
  size_t eq = entry.find('=');
  if (eq == std::string::npos) return "";
  return XmlUnescape(XmlUnquote(std::string_view(entry).substr(eq + 1)));
}

void TXmlNode::SetAttributeText(int index, const std::string& text) {
  if (index < 0 || index >= AttributeCount()) return;
  attributes_[static_cast<size_t>(index)] = MakeEntry(AttributeName(index), text);
}

void TXmlNode::AddAttribute(const std::string& name, const std::string& text) {
  attributes_.push_back(MakeEntry(name, text));
}

void TXmlNode::AddAttributeInt(const std::string& name, int value) { AddAttribute(name, std::to_string(value)); }

std::string TXmlNode::AttributeByName(const std::string& name) const { return AttributeText(AttributeIndex(name)); }

int TXmlNode::AttributeIndex(const std::string& name) const {
  for (int i = 0; i < AttributeCount(); ++i)
    if (XmlSameText(EntryName(attributes_[static_cast<size_t>(i)]), name)) return i;
  return -1;
}

void TXmlNode::SetAttribute(const std::string& name, const std::string& text) {
  int index = AttributeIndex(name);
  if (index >= 0) {
    SetAttributeText(index, text);
  } else {
    AddAttribute(name, text);
  }
}

void TXmlNode::SetAttributeInt(const std::string& name, int value) { SetAttribute(name, std::to_string(value)); }

int TXmlNode::GetAttributeInt(const std::string& name, int defaultValue) const {
  int index = AttributeIndex(name);
  int value;
  return index >= 0 && XmlTextToInt(AttributeText(index), value) ? value : defaultValue;
}

// ---------------------------------------------------------------------------------------------
// Conversions of the node's own text

int TXmlNode::TextAsInteger(int defaultValue) const {
  int value;
  return XmlTextToInt(Text(), value) ? value : defaultValue;
}

double TXmlNode::TextAsFloat(double defaultValue) const {
  double value;
  return XmlTextToFloat(Text(), value) ? value : defaultValue;
}

bool TXmlNode::TextAsBool(bool defaultValue) const {
  bool value;
  return XmlTextToBool(Text(), value) ? value : defaultValue;
}

TDateTime TXmlNode::TextAsDateTime(TDateTime defaultValue) const {
  TDateTime value;
  return XmlTextToDateTime(Text(), value) ? value : defaultValue;
}

// ---------------------------------------------------------------------------------------------
// Typed child values

bool TXmlNode::StoresValue(bool equalsDefault) const {
  return !(equalsDefault && document_ && !document_->StoreDefaults());
}

void TXmlNode::PutString(const std::string& name, const std::string& value, const std::string& defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(value);
}

std::string TXmlNode::GetString(const std::string& name, const std::string& defaultValue) const {
  const TXmlNode* child = FindChild(name);
  return child ? child->Text() : defaultValue;
}

void TXmlNode::PutInteger(const std::string& name, int value, int defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(std::to_string(value));
}

int TXmlNode::GetInteger(const std::string& name, int defaultValue) const {
  const TXmlNode* child = FindChild(name);
  return child ? child->TextAsInteger(defaultValue) : defaultValue;
}

void TXmlNode::PutHex(const std::string& name, int value, int defaultValue, int digits) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(XmlHexText(value, digits));
}

void TXmlNode::PutColor(const std::string& name, TColor value, TColor defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(XmlHexText(XmlColorToRGB(value), 8));
}

TColor TXmlNode::GetColor(const std::string& name, TColor defaultValue) const {
  const TXmlNode* child = FindChild(name);
  if (!child) return defaultValue;
  std::string text = child->Text();
  int value;
  if (!XmlTextToInt(text, value)) throw Exception("'" + text + "' is not a valid integer value");
  return value;
}

void TXmlNode::PutFloat(const std::string& name, double value, double defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(XmlFloatText(value));
}

double TXmlNode::GetFloat(const std::string& name, double defaultValue) const {
  const TXmlNode* child = FindChild(name);
  return child ? child->TextAsFloat(defaultValue) : defaultValue;
}

void TXmlNode::PutBool(const std::string& name, bool value, bool defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(XmlBoolText(value));
}

bool TXmlNode::GetBool(const std::string& name, bool defaultValue) const {
  const TXmlNode* child = FindChild(name);
  return child ? child->TextAsBool(defaultValue) : defaultValue;
}

void TXmlNode::PutDateTime(const std::string& name, TDateTime value, TDateTime defaultValue) {
  if (StoresValue(value == defaultValue)) FindOrNewChild(name)->SetText(XmlDateTimeText(value));
}

TDateTime TXmlNode::GetDateTime(const std::string& name, TDateTime defaultValue) const {
  const TXmlNode* child = FindChild(name);
  return child ? child->TextAsDateTime(defaultValue) : defaultValue;
}

// Each sub-value is written with the default its reader assumes when it is absent, so that a value
// left out as a default reads back unchanged.
void TXmlNode::PutFont(const std::string& name, const TXmlFontData& font) {
  const TXmlFontData defaults;
  TXmlNode* node = FindOrNewChild(name);
  node->PutString("Name", font.Name, defaults.Name);
  node->PutColor("Color", font.Color, defaults.Color);
  node->PutInteger("Size", font.Size, defaults.Size);
  node->PutBool("Bold", font.Bold, false);
  node->PutBool("Italic", font.Italic, false);
  node->PutBool("Underline", font.Underline, false);
  node->PutBool("Strikeout", font.Strikeout, false);
}

TXmlFontData TXmlNode::GetFont(const std::string& name) const {
  TXmlFontData font;
  const TXmlNode* node = FindChild(name);
  if (!node) return font;
  font.Name = node->GetString("Name", font.Name);
  font.Color = node->GetColor("Color", font.Color);
  font.Size = node->GetInteger("Size", font.Size);
  font.Bold = node->GetBool("Bold", false);
  font.Italic = node->GetBool("Italic", false);
  font.Underline = node->GetBool("Underline", false);
  font.Strikeout = node->GetBool("Strikeout", false);
  return font;
}

void TXmlNode::PutPen(const std::string& name, const TXmlPenData& pen) {
  const TXmlPenData defaults;
  TXmlNode* node = FindOrNewChild(name);
  node->PutColor("Color", pen.Color, defaults.Color);
  node->PutInteger("Mode", pen.Mode, defaults.Mode);
  node->PutInteger("Style", pen.Style, defaults.Style);
  node->PutInteger("Width", pen.Width, defaults.Width);
}

TXmlPenData TXmlNode::GetPen(const std::string& name) const {
  TXmlPenData pen;
  const TXmlNode* node = FindChild(name);
  if (!node) return pen;
  pen.Color = node->GetColor("Color", pen.Color);
  pen.Mode = OrdinalOr(node->GetInteger("Mode", pen.Mode), pmNotXor, pen.Mode);
  pen.Style = OrdinalOr(node->GetInteger("Style", pen.Style), psInsideFrame, pen.Style);
  pen.Width = node->GetInteger("Width", pen.Width);
  return pen;
}

void TXmlNode::PutBrush(const std::string& name, const TXmlBrushData& brush) {
  const TXmlBrushData defaults;
  TXmlNode* node = FindOrNewChild(name);
  node->PutColor("Color", brush.Color, defaults.Color);
  node->PutInteger("Style", brush.Style, defaults.Style);
}

TXmlBrushData TXmlNode::GetBrush(const std::string& name) const {
  TXmlBrushData brush;
  const TXmlNode* node = FindChild(name);
  if (!node) return brush;
  brush.Color = node->GetColor("Color", brush.Color);
  brush.Style = OrdinalOr(node->GetInteger("Style", brush.Style), bsDiagCross, brush.Style);
  return brush;
}

// ---------------------------------------------------------------------------------------------
// Byte payloads

TXmlBinaryCoding TXmlNode::Coding() const { return document_ ? document_->BinaryCoding() : bcHex; }

void TXmlNode::WriteBinary(const void* buffer, size_t count) {
  constexpr size_t kRun = 76;
  std::string encoded = XmlEncodeBinary(Coding(), static_cast<const uint8_t*>(buffer), count);
  TXmlLayout layout = document_ ? document_->Layout() : xlCompact;
  std::string separator = TXmlWriter::LineBreak(layout);
  if (!separator.empty() && layout == xlIndented) separator.append(2 * static_cast<size_t>(Level()), ' ');
  if (separator.empty()) {
    value_ = std::move(encoded);
    return;
  }
  std::string value = separator;
  value.reserve(encoded.size() + (encoded.size() / kRun + 2) * separator.size());
  for (size_t at = 0; at < encoded.size(); at += kRun) {
    value.append(encoded, at, kRun);
    value += separator;
  }
  value_ = std::move(value);
}

int64_t TXmlNode::BinaryLength() const { return XmlBinaryLength(Coding(), XmlStripWhiteSpace(value_)); }

void TXmlNode::ReadBinary(void* buffer, size_t count) const {
  XmlDecodeBinary(Coding(), XmlStripWhiteSpace(value_), static_cast<uint8_t*>(buffer), count);
}

}  // namespace kivrano
