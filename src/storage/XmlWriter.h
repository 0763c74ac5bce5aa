#pragma once

// The XML writer: the prolog of a document and nodes in the document's layout.

#include <cstdint>
#include <string>

#include "base/Stream.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

class TXmlWriter {
 public:
  // progressDocument receives OnProgress with the stream position after each node.
  TXmlWriter(TStream& stream, TXmlLayout layout, TXmlDocument* progressDocument);
  ~TXmlWriter();
  TXmlWriter(const TXmlWriter&) = delete;
  TXmlWriter& operator=(const TXmlWriter&) = delete;

  void Write(const std::string& text) { Append(text); }
  void WriteNode(const TXmlNode& node, int level);
  // Writes out what is buffered.
  void Flush();
  int64_t Position();

  static const char* LineBreak(TXmlLayout layout);

 private:
  void Append(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void ReportProgress();

  static constexpr size_t kFlushSize = 64 * 1024;
  TStream& stream_;
  TXmlLayout layout_;
  TXmlDocument* progressDocument_;
  std::string buffer_;
  int64_t flushed_ = 0;
  int64_t base_ = -1;  // stream position before the first byte written, once known
};

}  // namespace kivrano
