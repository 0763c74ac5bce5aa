#pragma once

// The XML reader: pulls characters one at a time from a stream and builds nodes.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

// Character-at-a-time access to a stream with stepping back. Memory streams are read in place;
// other streams through a block buffer. The stream is left positioned after the last character
// taken when the source is destroyed.
class TXmlCharSource {
 public:
  explicit TXmlCharSource(TStream& stream);
  ~TXmlCharSource();
  TXmlCharSource(const TXmlCharSource&) = delete;
  TXmlCharSource& operator=(const TXmlCharSource&) = delete;

  // The next character, or -1 at the end of the stream.
  int Next() {
    if (cur_ == end_ && !Refill()) return -1;
    return data_[cur_++];
  }
  // Steps back over up to n characters already taken.
  void Back(size_t n) { cur_ -= std::min(n, cur_); }
  // Takes characters up to (not including) stop or the end, appending them to out when given; sets
  // crSeen when a CR was among them.
  void TakeUntil(char stop, std::string* out, bool& crSeen);
  bool AtEnd() { return cur_ == end_ && !Refill(); }
  int64_t Position() const { return base_ + static_cast<int64_t>(cur_); }
  int64_t StreamSize() { return stream_.Size(); }

 private:
  bool Refill();

  TStream& stream_;
  bool inPlace_ = false;
  const uint8_t* data_ = nullptr;
  size_t cur_ = 0;
  size_t end_ = 0;
  int64_t base_ = 0;  // stream position of data_[0]
  std::vector<uint8_t> buffer_;
};

class TXmlReader {
 public:
  // Reading a node (the node's ParseStream).
  static void ReadNode(TXmlNode& node, TXmlCharSource& source, int depth);
  // Reading a document (the document's ParseStream).
  static void ReadDocument(TXmlDocument& document, TStream& stream);

 private:
  static void ReadContent(TXmlNode& node, TXmlCharSource& source, int depth);
  static void SplitTag(TXmlNode& node, const std::string& text);
};

}  // namespace kivrano
