#include "storage/XmlReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "storage/XmlCodec.h"

namespace kivrano {

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kHistory = 2;  // characters kept for stepping back across a block boundary

struct TagEntry {
  std::string_view start;  // without the leading "<"
  std::string_view end;
  TXmlNodeKind kind;
};

// Searched for the longest start that matches after "<".
constexpr TagEntry kTags[] = {
    {"![CDATA[", "]]>", xnCData}, {"?xml-stylesheet", "?>", xnStyleSheet}, {"?xml", "?>", xnDeclaration},
    {"!--", "-->", xnComment},    {"!", ">", xnOther},                     {"?", "?>", xnOther},
    {"/", ">", xnCloseTag},       {"", ">", xnElement}};
constexpr int kTagCount = sizeof kTags / sizeof kTags[0];

// Reads up to terminator; true when found (terminator removed from out), false at the end of the
// stream with everything read in out.
bool ReadUpTo(TXmlCharSource& source, std::string_view terminator, std::string& out) {
  bool crSeen = false;
  const char last = terminator.back();
  for (;;) {
    source.TakeUntil(last, &out, crSeen);
    int c = source.Next();
    if (c < 0) return false;
    out += static_cast<char>(c);
    if (out.size() >= terminator.size() && std::string_view(out).substr(out.size() - terminator.size()) == terminator) {
      out.resize(out.size() - terminator.size());
      return true;
    }
  }
}

// Finds the tag-table entry after a "<" that has been taken.
const TagEntry& ReadTagKind(TXmlCharSource& source) {
  const TagEntry* candidate = &kTags[kTagCount - 1];
  unsigned alive = (1u << kTagCount) - 1;
  for (size_t matched = 0;; ++matched) {
    int c = source.Next();
    if (c < 0) break;
    unsigned next = 0;
    for (int i = 0; i < kTagCount; ++i)
      if ((alive >> i & 1) && kTags[i].start.size() > matched && kTags[i].start[matched] == c) next |= 1u << i;
    if (next == 0) {
      source.Back(1);
      break;
    }
    alive = next;
    for (int i = 0; i < kTagCount; ++i)
      if ((alive >> i & 1) && kTags[i].start.size() == matched + 1) candidate = &kTags[i];
  }
  return *candidate;
}

bool IsQuoteChar(char c) { return c == '"' || c == '\''; }

// Splits trimmed tag text at white space outside quoted runs, then joins to its predecessor every
// token that begins with "=", and after that every token that begins with a quote.
std::vector<std::string> TagLines(std::string_view text) {
  std::vector<std::string> tokens;
  std::string current;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (IsQuoteChar(c)) {
      quote = c;
    } else if (XmlIsWhiteSpace(c)) {
      if (!current.empty()) tokens.push_back(std::move(current));
      current.clear();
      continue;
    }
    current += c;
  }
  if (!current.empty()) tokens.push_back(std::move(current));

  auto joinWhere = [](std::vector<std::string>& lines, auto startsJoin) {
    std::vector<std::string> joined;
    for (auto& line : lines) {
      if (!joined.empty() && startsJoin(line[0])) {
        joined.back() += line;
      } else {
        joined.push_back(std::move(line));
      }
    }
    lines = std::move(joined);
  };
  joinWhere(tokens, [](char c) { return c == '='; });
  joinWhere(tokens, IsQuoteChar);
  return tokens;
}

void RaiseNodeStart(TXmlNode& node) {
  TXmlDocument* document = node.Document();
  if (document && document->OnNodeStart) document->OnNodeStart(*document, node);
}

void RaiseNodeDone(TXmlNode& node) {
  TXmlDocument* document = node.Document();
  if (document && document->OnNodeDone) document->OnNodeDone(*document, node);
}

// Runs body between OnNodeStart and OnNodeDone; OnNodeDone is raised also when body fails.
template <class Body>
void ReadBetweenEvents(TXmlNode& node, Body body) {
  RaiseNodeStart(node);
  try {
    body();
  } catch (...) {
    try {
      RaiseNodeDone(node);
    } catch (...) {
      // the first failure is the one to report
    }
    throw;
  }
  RaiseNodeDone(node);
}

}  // namespace

TXmlCharSource::TXmlCharSource(TStream& stream) : stream_(stream) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
    inPlace_ = true;
    data_ = memory->Memory();
    end_ = static_cast<size_t>(memory->Size());
    cur_ = static_cast<size_t>(std::min<int64_t>(memory->Position(), memory->Size()));
  }
}

TXmlCharSource::~TXmlCharSource() {
  try {
    if (inPlace_) {
      stream_.SetPosition(static_cast<int64_t>(cur_));
    } else if (end_ > cur_) {
      stream_.Seek(-static_cast<int64_t>(end_ - cur_), soCurrent);
    }
  } catch (...) {
    // Leaving the stream's position unsynchronised is all that can go wrong here.
  }
}

bool TXmlCharSource::Refill() {
  if (inPlace_) return false;
  size_t keep = std::min(cur_, kHistory);
  if (buffer_.empty()) buffer_.resize(kHistory + kBlockSize);
  std::memmove(buffer_.data(), buffer_.data() + cur_ - keep, keep);
  base_ += static_cast<int64_t>(cur_ - keep);
  int32_t n = stream_.Read(buffer_.data() + keep, static_cast<int32_t>(kBlockSize));
  data_ = buffer_.data();
  cur_ = keep;
  end_ = keep + static_cast<size_t>(std::max(n, 0));
  return n > 0;
}

void TXmlCharSource::TakeUntil(char stop, std::string* out, bool& crSeen) {
  for (;;) {
    if (cur_ == end_ && !Refill()) return;
    const uint8_t* from = data_ + cur_;
    size_t length = end_ - cur_;
    const void* hit = std::memchr(from, stop, length);
    size_t taken = hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - from) : length;
    if (!crSeen && std::memchr(from, '\r', taken)) crSeen = true;
    if (out) out->append(reinterpret_cast<const char*>(from), taken);
    cur_ += taken;
    if (hit) return;
  }
}

void TXmlReader::SplitTag(TXmlNode& node, const std::string& text) {
  std::string_view trimmed = XmlTrim(text);
  if (node.kind_ == xnElement || node.kind_ == xnEmptyElement) {
    // Most tags are a bare name.
    if (!trimmed.empty() && trimmed.find_first_of("\t\n\r \"'=") == std::string_view::npos) {
      node.name_.assign(trimmed);
      return;
    }
  }
  std::vector<std::string> lines = TagLines(trimmed);
  size_t firstAttribute = 0;
  if (node.kind_ == xnDeclaration) {
    node.name_ = "xml";
  } else if (node.kind_ == xnStyleSheet) {
    node.name_ = "xml-stylesheet";
    node.value_ = std::string(trimmed);
  } else {
    if (lines.empty()) throw Exception("Missing element name");
    node.name_ = std::move(lines[0]);
    firstAttribute = 1;
  }
  if (lines.size() > firstAttribute)
    node.attributes_.assign(std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(firstAttribute)),
                            std::make_move_iterator(lines.end()));
}

void TXmlReader::ReadNode(TXmlNode& node, TXmlCharSource& source, int depth) {
  int c;
  do c = source.Next();
  while (c >= 0 && XmlIsWhiteSpace(static_cast<char>(c)));
  if (c != '<') return;

  const TagEntry& tag = ReadTagKind(source);
  node.kind_ = tag.kind;
  std::string text;
  switch (tag.kind) {
    case xnCloseTag:
    case xnOther:
    case xnComment:
    case xnCData: {
      node.name_ = tag.kind == xnComment ? "Comment" : tag.kind == xnCData ? "CData" : "Unknown";
      if (tag.kind == xnOther) node.otherIntro_ = tag.start[0];
      ReadBetweenEvents(node, [&] {
        ReadUpTo(source, tag.end, text);
        node.value_ = std::move(text);
      });
      return;
    }
    default: break;
  }

  ReadUpTo(source, tag.end, text);
  if (tag.kind == xnElement && !text.empty() && text.back() == '/') {
    node.kind_ = xnEmptyElement;
    text.pop_back();
  }
  SplitTag(node, text);
  ReadBetweenEvents(node, [&] {
    if (node.kind_ == xnElement) ReadContent(node, source, depth);
  });
}

void TXmlReader::ReadContent(TXmlNode& node, TXmlCharSource& source, int depth) {
  std::string content;
  bool hasChildren = false;
  bool crSeen = false;
  for (;;) {
    source.TakeUntil('<', hasChildren ? nullptr : &content, crSeen);
    if (source.Next() < 0) throw Exception("Missing close tag in element " + node.name_);
    int c;
    do c = source.Next();
    while (c >= 0 && XmlIsWhiteSpace(static_cast<char>(c)));
    if (c < 0) throw Exception("Missing data after \"<\" in element " + node.name_);
    if (c == '/') {
      std::string close;
      if (!ReadUpTo(source, ">", close)) throw Exception("Missing \">\" in close tag of element " + node.name_);
      if (!XmlSameText(XmlTrim(close), node.name_)) throw Exception("Incorrect close tag in element " + node.name_);
      if (hasChildren && crSeen) {
        size_t cr = content.rfind('\r');
        content.resize(cr == std::string::npos ? 0 : cr);
      }
      node.value_ = std::move(content);
      return;
    }
    if (depth >= kMaxXmlDepth) throw Exception("Elements nested too deeply in element " + node.name_);
    crSeen = false;
    hasChildren = true;
    source.Back(2);
    auto child = std::make_unique<TXmlNode>(node.document_);
    TXmlNode* added = child.get();
    node.AddChild(std::move(child));
    ReadNode(*added, source, depth + 1);
  }
}

void TXmlReader::ReadDocument(TXmlDocument& document, TStream& stream) {
  auto container = std::make_unique<TXmlNode>(&document);
  struct ContainerScope {
    TXmlDocument& document;
    ~ContainerScope() { document.readContainer_ = nullptr; }
  } scope{document};
  document.readContainer_ = container.get();
  if (document.OnProgress) document.OnProgress(document, 0);
  {
    TXmlCharSource source(stream);
    do {
      auto child = std::make_unique<TXmlNode>(&document);
      TXmlNode* added = child.get();
      container->AddChild(std::move(child));
      ReadNode(*added, source, 1);
      if (added->Name().empty()) container->DeleteChild(container->ChildCount() - 1);
    } while (!source.AtEnd());
  }
  if (document.OnProgress) document.OnProgress(document, stream.Size());
  document.TakeTopLevel(*container);
}

}  // namespace kivrano
