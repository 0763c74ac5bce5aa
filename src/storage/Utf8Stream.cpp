#include <algorithm>
#include <cstring>

#include "base/CodePage.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// The length of the run of 7-bit characters at the start of p.
size_t AsciiRun(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i + 8 <= n) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

constexpr int32_t kInvalid = -1;
constexpr int32_t kIncomplete = -2;

// The code point of the UTF-8 sequence at p and its length; kInvalid (length 1) for bytes that are
// no valid UTF-8, kIncomplete when a valid start is cut off after n bytes.
int32_t DecodeUtf8(const uint8_t* p, size_t n, size_t& length) {
  length = 1;
  uint8_t b0 = p[0];
  if (b0 < 0x80) return b0;
  size_t need;
  uint8_t low = 0x80, high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return kInvalid;
  }
  uint32_t cp = b0 & (0x3F >> need);
  for (size_t k = 1; k <= need; ++k) {
    if (k >= n) return kIncomplete;
    uint8_t b = p[k];
    if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return kInvalid;
    cp = cp << 6 | (b & 0x3F);
  }
  length = need + 1;
  return static_cast<int32_t>(cp);
}

}  // namespace

TUtf8Stream::TUtf8Stream(TStream* stream, bool wide) : stream_(stream), wide_(wide) {}

TUtf8Stream::~TUtf8Stream() {
  try {
    Flush();
  } catch (...) {
    // a failing target stream was reported by the writes before
  }
}

bool TUtf8Stream::FitsCodePage(const uint8_t* text, size_t size) {
  for (size_t i = 0; i < size;) {
    size_t ascii = AsciiRun(text + i, size - i);
    if (ascii > 0) {
      i += ascii;
      continue;
    }
    size_t length;
    int32_t cp = DecodeUtf8(text + i, size - i, length);
    if (cp >= 0 && UnicodeToWindows1252(static_cast<uint32_t>(cp)) < 0) return false;
    i += length;
  }
  return true;
}

void TUtf8Stream::Lose() {
  if (lossRaised_) return;
  lossRaised_ = true;
  if (OnLoss) OnLoss();
}

void TUtf8Stream::StartReading() {
  if (!stream_) throw Exception("Utf stream unassigned");
  mode_ = mdReading;
  uint8_t mark[2];
  int32_t n = stream_->Read(mark, 2);
  if (n == 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
    wide_ = true;
  } else if (n == 2 && mark[0] == 0xFE && mark[1] == 0xFF) {
    wide_ = true;
    swap_ = true;
  } else {
    wide_ = false;
    if (n > 0) stream_->Seek(-n, soCurrent);
  }

  std::vector<uint8_t> raw;
  uint8_t block[64 * 1024];
  while ((n = stream_->Read(block, sizeof block)) > 0) raw.insert(raw.end(), block, block + n);

  text_.clear();
  text_.reserve(raw.size() + raw.size() / 2);
  if (!wide_) {
    for (uint8_t b : raw) {
      if (b < 0x80) {
        text_.push_back(b);
      } else {
        AppendUtf8(text_, Windows1252ToUnicode(b));
      }
    }
    return;
  }
  size_t units = raw.size() / 2;  // an odd last byte is no code unit
  auto unit = [&](size_t i) -> uint32_t {
    uint8_t first = raw[2 * i], second = raw[2 * i + 1];
    return swap_ ? (uint32_t{first} << 8 | second) : (uint32_t{second} << 8 | first);
  };
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      AppendUtf8(text_, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(text_, kReplacement);
      Lose();
    } else {
      AppendUtf8(text_, u);
    }
  }
}

int32_t TUtf8Stream::Read(void* buffer, int32_t count) {
  if (mode_ == mdWriting) throw Exception("Cannot read from an UTF stream opened for writing");
  if (mode_ == mdNone) StartReading();
  if (count <= 0) return 0;
  int64_t n = std::min<int64_t>(count, static_cast<int64_t>(text_.size()) - position_);
  if (n <= 0) return 0;
  std::memcpy(buffer, text_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

void TUtf8Stream::EmitCharacter(std::vector<uint8_t>& out, uint32_t cp) {
  if (!wide_) {
    int byte = UnicodeToWindows1252(cp);
    if (byte < 0) {
      byte = '?';
      Lose();
    }
    out.push_back(static_cast<uint8_t>(byte));
    return;
  }
  auto put = [&](uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  };
  if (cp >= 0x10000) {
    put(0xD800 + ((cp - 0x10000) >> 10));
    put(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    put(cp);
  }
}

// Bytes that are no UTF-8 are taken as code page characters already.
void TUtf8Stream::EmitByte(std::vector<uint8_t>& out, uint8_t byte) {
  if (wide_) {
    EmitCharacter(out, Windows1252ToUnicode(byte));
  } else {
    out.push_back(byte);
  }
}

void TUtf8Stream::StartWriting() {
  if (!stream_) throw Exception("Utf stream unassigned");
  mode_ = mdWriting;
  if (wide_) {
    const uint8_t mark[2] = {0xFF, 0xFE};
    stream_->WriteBuffer(mark, 2);
  }
}

int32_t TUtf8Stream::Write(const void* buffer, int32_t count) {
  if (mode_ == mdReading) throw Exception("Cannot write to an UTF stream opened for reading");
  if (mode_ == mdNone) StartWriting();
  if (count <= 0) return 0;
  std::string input = std::move(pending_);
  pending_.clear();
  input.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
  const auto* p = reinterpret_cast<const uint8_t*>(input.data());

  std::vector<uint8_t> out;
  out.reserve(wide_ ? input.size() * 2 : input.size());
  for (size_t i = 0; i < input.size();) {
    size_t ascii = AsciiRun(p + i, input.size() - i);
    if (ascii > 0) {
      if (!wide_) {
        out.insert(out.end(), p + i, p + i + ascii);
      } else {
        for (size_t k = 0; k < ascii; ++k) {
          out.push_back(p[i + k]);
          out.push_back(0);
        }
      }
      i += ascii;
      continue;
    }
    size_t length;
    int32_t cp = DecodeUtf8(p + i, input.size() - i, length);
    if (cp == kIncomplete) {
      pending_.assign(input, i, std::string::npos);
      break;
    }
    if (cp == kInvalid) {
      EmitByte(out, p[i]);
    } else {
      EmitCharacter(out, static_cast<uint32_t>(cp));
    }
    i += length;
  }
  stream_->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
  position_ += count;
  return count;
}

void TUtf8Stream::Flush() {
  if (mode_ != mdWriting || pending_.empty()) return;
  // A cut sequence that never got its end: its bytes are code page characters.
  std::string rest = std::move(pending_);
  pending_.clear();
  std::vector<uint8_t> out;
  for (char c : rest) EmitByte(out, static_cast<uint8_t>(c));
  stream_->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

int64_t TUtf8Stream::Seek(int64_t offset, TSeekOrigin origin) {
  if (mode_ == mdNone) throw Exception("Cannot seek before reading or writing on UTF stream");
  const int64_t size = mode_ == mdReading ? static_cast<int64_t>(text_.size()) : position_;
  int64_t target = origin == soBeginning ? offset : origin == soCurrent ? position_ + offset : size + offset;
  if (mode_ == mdWriting) {
    if (target != position_) throw Exception("Cannot seek on an UTF stream opened for writing");
    return position_;
  }
  position_ = std::clamp<int64_t>(target, 0, size);
  return position_;
}

}  // namespace kivrano
