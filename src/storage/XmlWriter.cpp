#include "storage/XmlWriter.h"

#include <limits>

namespace kivrano {

TXmlWriter::TXmlWriter(TStream& stream, TXmlLayout layout, TXmlDocument* progressDocument)
    : stream_(stream), layout_(layout), progressDocument_(progressDocument) {}

TXmlWriter::~TXmlWriter() = default;

const char* TXmlWriter::LineBreak(TXmlLayout layout) {
  switch (layout) {
    case xlIndented: return "\r\n";
    case xlLineFeed: return "\n";
    case xlCompact: break;
  }
  return "";
}

void TXmlWriter::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    int32_t n = static_cast<int32_t>(std::min<size_t>(buffer_.size() - done, std::numeric_limits<int32_t>::max()));
    stream_.WriteBuffer(buffer_.data() + done, n);
    done += static_cast<size_t>(n);
  }
  flushed_ += static_cast<int64_t>(buffer_.size());
  buffer_.clear();
}

int64_t TXmlWriter::Position() {
  // The stream is asked once, after it has been written to (a text-encoding stream answers only
  // then); later positions are counted.
  if (base_ < 0) {
    Flush();
    base_ = stream_.Position() - flushed_;
  }
  return base_ + flushed_ + static_cast<int64_t>(buffer_.size());
}

void TXmlWriter::ReportProgress() {
  if (progressDocument_ && progressDocument_->OnProgress) progressDocument_->OnProgress(*progressDocument_, Position());
}

void TXmlWriter::WriteNode(const TXmlNode& node, int level) {
  const size_t indent = layout_ == xlIndented ? 2 * static_cast<size_t>(level) : 0;
  auto attributeText = [&] {
    for (int i = 0; i < node.AttributeCount(); ++i) {
      Append(" ");
      Append(node.attributes_[static_cast<size_t>(i)]);
    }
  };
  buffer_.append(indent, ' ');
  switch (node.Kind()) {
    case xnComment:
      Append("<!--");
      Append(node.Value());
      Append("-->");
      break;
    case xnCData:
      Append("<![CDATA[");
      Append(node.Value());
      Append("]]>");
      break;
    case xnDeclaration:
      Append("<?xml");
      attributeText();
      Append("?>");
      break;
    case xnStyleSheet:
      Append("<?xml-stylesheet");
      attributeText();
      Append("?>");
      break;
    case xnOther:
      // Written back as read: "<!" ... ">" or "<?" ... "?>".
      Append(node.otherIntro_ == '?' ? "<?" : "<!");
      Append(node.Value());
      Append(node.otherIntro_ == '?' ? "?>" : ">");
      break;
    case xnElement:
    case xnCloseTag:
    case xnEmptyElement: {
      const bool hasChildren = node.ChildCount() > 0;
      const bool hasValue = !node.Value().empty();
      const char* lineBreak = LineBreak(layout_);
      Append("<");
      Append(node.Name());
      attributeText();
      if (!hasValue && !hasChildren) Append("/");
      Append(">");
      Append(node.Value());
      if (hasChildren) {
        Append(lineBreak);
        for (const auto& child : node.children_) {
          WriteNode(*child, level + 1);
          Append(lineBreak);
        }
        buffer_.append(indent, ' ');
      }
      if (hasValue || hasChildren) {
        Append("</");
        Append(node.Name());
        Append(">");
      }
      break;
    }
  }
  ReportProgress();
}

}  // namespace kivrano
