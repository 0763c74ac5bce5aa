#pragma once

// The XML tree through which every persistent object writes and reads itself: the document, its
// nodes with attributes and typed child values, byte payloads, and the text-encoding stream that
// stores the text as 8-bit "windows-1252" or as UTF-16 with a byte-order mark.
//
// Text is held as UTF-8 in memory. Values of nodes and attributes are kept in their stored
// (escaped) form; Text(), AttributeText() and the typed getters unescape.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/GraphicStyles.h"
#include "base/Stream.h"
#include "base/Types.h"

namespace kivrano {

class TXmlDocument;

enum TXmlNodeKind {
  xnElement = 0,
  xnCloseTag = 1,
  xnEmptyElement = 2,
  xnComment = 3,
  xnCData = 4,
  xnDeclaration = 5,
  xnStyleSheet = 6,
  xnOther = 7
};

enum TXmlLayout { xlIndented = 0, xlCompact = 1, xlLineFeed = 2 };

// bcRadix64 is read only: writing with it produces no payload text.
enum TXmlBinaryCoding { bcHex = 0, bcBase64 = 1, bcRadix64 = 2 };

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// What PutFont/GetFont store of a font.
struct TXmlFontData {
  std::string Name = "Arial";
  TColor Color = clBlack;
  int Size = 14;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strikeout = false;
  friend bool operator==(const TXmlFontData&, const TXmlFontData&) = default;
};

// What PutPen/GetPen store of a pen.
struct TXmlPenData {
  TColor Color = clBlack;
  TPenMode Mode = pmCopy;
  TPenStyle Style = psSolid;
  int Width = 1;
  friend bool operator==(const TXmlPenData&, const TXmlPenData&) = default;
};

// What PutBrush/GetBrush store of a brush.
struct TXmlBrushData {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const TXmlBrushData&, const TXmlBrushData&) = default;
};

// Elements nested deeper than this fail to read with "Elements nested too deeply in element %s".
constexpr int kMaxXmlDepth = 1000;

class TXmlNode {
 public:
  explicit TXmlNode(TXmlDocument* document);
  TXmlNode(TXmlDocument* document, const std::string& name);
  TXmlNode(TXmlDocument* document, const std::string& name, const std::string& text);
  TXmlNode(TXmlDocument* document, TXmlNodeKind kind);
  ~TXmlNode();
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  // --- structure ---
  TXmlDocument* Document() const { return document_; }
  void SetDocument(TXmlDocument* document) { document_ = document; }
  TXmlNode* Parent() const { return parent_; }
  TXmlNodeKind Kind() const { return kind_; }
  void SetKind(TXmlNodeKind kind) { kind_ = kind; }
  const std::string& Name() const { return name_; }
  // Fails with "Illegal character in node name \"%s\"" when name holds a tab, LF, CR or space.
  void SetName(const std::string& name);
  // The stored (escaped) text; for byte payloads the encoded text with its line breaks.
  const std::string& Value() const { return value_; }
  void SetValue(std::string value) { value_ = std::move(value); }
  std::string Text() const;
  void SetText(const std::string& text);
  int Level() const;

  int ChildCount() const { return static_cast<int>(children_.size()); }
  TXmlNode* Children(int index) const;
  int AddChild(std::unique_ptr<TXmlNode> node);
  TXmlNode* NewChild(const std::string& name);
  TXmlNode* FindChild(const std::string& name) const;
  TXmlNode* FindOrNewChild(const std::string& name);
  int ChildIndex(const std::string& name) const { return ChildIndexFrom(name, 0); }
  int ChildIndexFrom(const std::string& name, int start) const;
  void FindChildren(const std::string& name, std::vector<TXmlNode*>& list) const;
  void DeleteChild(int index);
  std::unique_ptr<TXmlNode> DetachChild(TXmlNode* node);
  void ClearChildren();
  void Clear();
  bool IsEmpty() const;
  bool IsClear() const { return name_.empty() && IsEmpty(); }

  // --- reading and writing ---
  void ParseStream(TStream& stream);
  void ParseText(const std::string& text);
  void WriteStream(TStream& stream) const;
  std::string AsText() const;
  void CopyFrom(const TXmlNode& node);

  // --- attributes (names compare without regard to case; lookups take the first match) ---
  int AttributeCount() const { return static_cast<int>(attributes_.size()); }
  std::string AttributeName(int index) const;
  std::string AttributePair(int index) const;
  std::string AttributeText(int index) const;
  void SetAttributeText(int index, const std::string& text);
  void AddAttribute(const std::string& name, const std::string& text);
  void AddAttributeInt(const std::string& name, int value);
  std::string AttributeByName(const std::string& name) const;
  int AttributeIndex(const std::string& name) const;
  bool HasAttribute(const std::string& name) const { return AttributeIndex(name) >= 0; }
  void SetAttribute(const std::string& name, const std::string& text);
  void SetAttributeInt(const std::string& name, int value);
  int GetAttributeInt(const std::string& name, int defaultValue) const;
  void ClearAttributes() { attributes_.clear(); }

  // --- conversions of this node's own text ---
  int TextAsInteger(int defaultValue) const;
  double TextAsFloat(double defaultValue) const;
  bool TextAsBool(bool defaultValue) const;
  TDateTime TextAsDateTime(TDateTime defaultValue) const;

  // --- typed child values: Get* read the first child called name, Put* write FindOrNewChild(name)
  // unless the document does not store defaults and value equals defaultValue ---
  void PutString(const std::string& name, const std::string& value, const std::string& defaultValue);
  std::string GetString(const std::string& name, const std::string& defaultValue) const;
  void PutInteger(const std::string& name, int value, int defaultValue);
  int GetInteger(const std::string& name, int defaultValue) const;
  void PutHex(const std::string& name, int value, int defaultValue, int digits);
  // System colours (negative values) are written as their RGB value.
  void PutColor(const std::string& name, TColor value, TColor defaultValue);
  // Fails with "'%s' is not a valid integer value" on a present child whose text is no integer.
  TColor GetColor(const std::string& name, TColor defaultValue) const;
  void PutFloat(const std::string& name, double value, double defaultValue);
  double GetFloat(const std::string& name, double defaultValue) const;
  void PutBool(const std::string& name, bool value, bool defaultValue);
  bool GetBool(const std::string& name, bool defaultValue) const;
  void PutDateTime(const std::string& name, TDateTime value, TDateTime defaultValue);
  TDateTime GetDateTime(const std::string& name, TDateTime defaultValue) const;
  void PutFont(const std::string& name, const TXmlFontData& font);
  TXmlFontData GetFont(const std::string& name) const;
  void PutPen(const std::string& name, const TXmlPenData& pen);
  TXmlPenData GetPen(const std::string& name) const;
  void PutBrush(const std::string& name, const TXmlBrushData& brush);
  TXmlBrushData GetBrush(const std::string& name) const;

  // --- byte payloads, in the document's BinaryCoding (bcHex without a document) ---
  // Replaces Value with the encoded bytes, in runs of 76 characters on lines of their own when the
  // layout breaks lines.
  void WriteBinary(const void* buffer, size_t count);
  // Number of bytes Value decodes to. Fails with "Error while calculating streamlength" or, for
  // bcRadix64, "Cannot determine stream length".
  int64_t BinaryLength() const;
  // Decodes the first count bytes of Value into buffer; fails with "Missing data in binary stream"
  // (buffer untouched) when Value holds fewer.
  void ReadBinary(void* buffer, size_t count) const;

 private:
  friend class TXmlDocument;
  friend class TXmlReader;
  friend class TXmlWriter;

  bool StoresValue(bool equalsDefault) const;
  TXmlBinaryCoding Coding() const;

  TXmlDocument* document_ = nullptr;
  TXmlNode* parent_ = nullptr;
  TXmlNodeKind kind_ = xnElement;
  std::string name_;
  std::string value_;
  std::vector<std::string> attributes_;  // "name=value", value quoted and escaped as in the tag
  std::vector<std::unique_ptr<TXmlNode>> children_;
  char otherIntro_ = '!';  // '!' or '?': how an xnOther node was introduced
};

class TXmlDocument {
 public:
  TXmlDocument();
  explicit TXmlDocument(const std::string& rootName);
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  void ResetOptions();
  void Clear();
  bool IsEmpty() const { return !root_ || root_->IsClear(); }

  // Reads XML text from the current position to the end of stream, without a text-encoding layer.
  void ParseStream(TStream& stream);
  void ParseText(const std::string& text);
  // Reads a stored file form: 8-bit "windows-1252" text or UTF-16 with a byte-order mark.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& path);
  // Writes the prolog and the root as UTF-8 text, without a text-encoding layer.
  void WriteStream(TStream& stream);
  // Writes the stored file form: UTF-16 with a byte-order mark when WideText is set or when the
  // text holds characters "windows-1252" cannot represent, else 8-bit "windows-1252".
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& path);
  std::string AsText();
  void CopyFrom(TXmlDocument& other);

  TXmlNode* Root() const { return root_.get(); }

  TXmlBinaryCoding BinaryCoding() const { return binaryCoding_; }
  void SetBinaryCoding(TXmlBinaryCoding coding) { binaryCoding_ = coding; }
  std::vector<std::string>& Comments() { return comments_; }
  const std::vector<std::string>& Comments() const { return comments_; }
  const std::string& Encoding() const { return encoding_; }
  void SetEncoding(const std::string& encoding) { encoding_ = encoding; }
  bool WideText() const { return wideText_; }
  void SetWideText(bool wide) { wideText_ = wide; }
  const std::string& StyleSheet() const { return styleSheet_; }
  void SetStyleSheet(const std::string& styleSheet) { styleSheet_ = styleSheet; }
  const std::string& Version() const { return version_; }
  void SetVersion(const std::string& version) { version_ = version; }
  bool StoreDefaults() const { return storeDefaults_; }
  void SetStoreDefaults(bool store) { storeDefaults_ = store; }
  TXmlLayout Layout() const { return layout_; }
  void SetLayout(TXmlLayout layout) { layout_ = layout; }

  // After the start tag of a node has been read.
  std::function<void(TXmlDocument& sender, TXmlNode& node)> OnNodeStart;
  // After a node has been read completely, also when reading it failed.
  std::function<void(TXmlDocument& sender, TXmlNode& node)> OnNodeDone;
  // Stream position while reading (0 and the size) or writing (also after each node).
  std::function<void(TXmlDocument& sender, int64_t position)> OnProgress;
  // Stored text that could not be represented: raised once per load for unpaired UTF-16
  // surrogates, which arrive as U+FFFD. Saving never loses text (see SaveToStream).
  std::function<void(TXmlDocument& sender)> OnTextLoss;

 private:
  friend class TXmlNode;
  friend class TXmlReader;

  void TakeTopLevel(TXmlNode& container);

  std::unique_ptr<TXmlNode> root_;
  TXmlNode* readContainer_ = nullptr;  // the temporary container of top-level nodes while reading
  TXmlBinaryCoding binaryCoding_ = bcBase64;
  std::vector<std::string> comments_;
  std::string encoding_ = "windows-1252";
  bool wideText_ = false;
  std::string styleSheet_;
  std::string version_ = "1.0";
  bool storeDefaults_ = true;
  TXmlLayout layout_ = xlCompact;
};

// A stream over another (not owned) stream that presents stored text as UTF-8. Reading detects a
// UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian); without one the bytes are
// "windows-1252". Writing produces UTF-16 little-endian with the mark FF FE when wide, else
// "windows-1252". The first read or write fixes the mode. Positions count UTF-8 bytes of the
// presented text.
class TUtf8Stream : public TStream {
 public:
  explicit TUtf8Stream(TStream* stream, bool wide = false);
  ~TUtf8Stream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  // Writes out a UTF-8 sequence left incomplete by the last Write (as "windows-1252" bytes).
  void Flush();

  bool Wide() const { return wide_; }
  bool SwapBytes() const { return swap_; }

  // True when every character of the UTF-8 text has a "windows-1252" byte (bytes that are no valid
  // UTF-8 count as "windows-1252" characters themselves).
  static bool FitsCodePage(const uint8_t* text, size_t size);

  // Raised once per stream when text cannot be represented: a character "windows-1252" lacks on
  // writing 8-bit text (written as "?"), or an unpaired UTF-16 surrogate on reading.
  std::function<void()> OnLoss;

 private:
  enum Mode { mdNone, mdReading, mdWriting };
  void StartReading();
  void StartWriting();
  void Lose();
  // Appends the stored form of a character, or of a byte that is no UTF-8, to out.
  void EmitCharacter(std::vector<uint8_t>& out, uint32_t cp);
  void EmitByte(std::vector<uint8_t>& out, uint8_t byte);

  TStream* stream_;
  Mode mode_ = mdNone;
  bool wide_;
  bool swap_ = false;
  bool lossRaised_ = false;
  std::vector<uint8_t> text_;  // reading: the whole text, decoded to UTF-8
  int64_t position_ = 0;       // reading: position in text_; writing: UTF-8 bytes accepted
  std::string pending_;        // writing: the start of a UTF-8 sequence cut by a Write
};

}  // namespace kivrano
