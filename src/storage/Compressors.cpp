#include "storage/Compressors.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/Exception.h"
#include "base/ByteOrder.h"
#include "base/Stream.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

[[noreturn]] void Corrupt() { throw Exception(kCorruptCompressedData); }


// Rank coder layout.
constexpr size_t kRankHeader = 13;            // n, offset of the bit section, offset of the nibble section, g
constexpr size_t kBitOffsetField = 4;
constexpr size_t kNibbleOffsetField = 8;
constexpr size_t kHighestRankField = 12;
constexpr int kFirstClass2Rank = 3;
constexpr int kFirstClass3Rank = 19;

constexpr int RankClass(int rank) {
  return rank == 0 ? 0 : rank < kFirstClass2Rank ? 1 : rank < kFirstClass3Rank ? 2 : 3;
}

constexpr int RankCode(int rank) {
  return rank == 0 ? 0 : rank < kFirstClass2Rank ? rank - 1 : rank < kFirstClass3Rank ? rank - kFirstClass2Rank
                                                                                      : rank - kFirstClass3Rank;
}

// Number of entries of each class in one class byte (four 2-bit entries), per byte value.
struct ClassCounts {
  std::array<std::array<uint8_t, 4>, 256> perByte{};
  constexpr ClassCounts() {
    for (int b = 0; b < 256; ++b)
      for (int slot = 0; slot < 4; ++slot) ++perByte[b][(b >> (2 * slot)) & 3];
  }
};
constexpr ClassCounts kClassCounts;

// Largest rank-coded block for n input bytes: every byte in class 3 and the whole rank table.
size_t RankEncodedBound(size_t n) { return n + n / 4 + 272; }

constexpr int kMaxRecord = 127;

class RunLengthWriter {
 public:
  explicit RunLengthWriter(size_t inputLength) { out_.reserve(inputLength + inputLength / 3 + 8); }

  void Literals(const uint8_t* from, size_t count) {
    while (count > 0) {
      size_t c = std::min<size_t>(count, kMaxRecord);
      out_.push_back(static_cast<uint8_t>(c));
      out_.insert(out_.end(), from, from + c);
      from += c;
      count -= c;
    }
  }

  // Emits count (>= 2) copies of value as runs of 2 ... 127, never leaving a single byte behind.
  void Runs(uint8_t value, size_t count) {
    while (count > 0) {
      size_t c = std::min<size_t>(count, kMaxRecord);
      if (count - c == 1) --c;
      out_.push_back(static_cast<uint8_t>(1 - static_cast<int>(c)));
      out_.push_back(value);
      count -= c;
    }
  }

  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

}  // namespace

void DeltaEncode(uint8_t* buffer, size_t length) {
  for (size_t i = length; i > 1; --i) buffer[i - 1] = static_cast<uint8_t>(buffer[i - 1] - buffer[i - 2]);
}

void DeltaDecode(uint8_t* buffer, size_t length) {
  uint8_t sum = 0;
  for (size_t i = 0; i < length; ++i) {
    sum = static_cast<uint8_t>(sum + buffer[i]);
    buffer[i] = sum;
  }
}

std::vector<uint8_t> RankEncode(std::span<const uint8_t> input) {
  const size_t n = input.size();
  if (n > std::numeric_limits<uint32_t>::max()) throw Exception("Block too large to compress");

  std::array<size_t, 256> count{};
  for (uint8_t b : input) ++count[b];

  // A fixed exchange sort, so that equal counts always end in the same order.
  std::array<uint8_t, 256> order;
  for (int r = 0; r < 256; ++r) order[r] = static_cast<uint8_t>(r);
  for (int i = 0; i < 255; ++i)
    for (int j = 255; j > i; --j)
      if (count[order[i]] < count[order[j]]) std::swap(order[i], order[j]);

  int g = 255;
  for (int r = kFirstClass3Rank; r < 256; ++r)
    if (count[order[r]] == 0) {
      g = r;
      break;
    }

  std::array<uint8_t, 256> classOf{}, codeOf{};
  size_t k[4] = {};
  for (int r = 0; r < 256; ++r) {
    classOf[order[r]] = static_cast<uint8_t>(RankClass(r));
    codeOf[order[r]] = static_cast<uint8_t>(RankCode(r));
    k[RankClass(r)] += count[order[r]];
  }

  const size_t classStart = kRankHeader + static_cast<size_t>(g) + 1;
  const size_t class3Start = classStart + n / 4 + 1;
  const size_t nibbleStart = class3Start + k[3];
  const size_t bitStart = nibbleStart + k[2] / 2 + 1;
  std::vector<uint8_t> out(bitStart + k[1] / 8 + 1, 0);

  WriteLE32(&out[0], static_cast<uint32_t>(n));
  WriteLE32(&out[kBitOffsetField], static_cast<uint32_t>(bitStart));
  WriteLE32(&out[kNibbleOffsetField], static_cast<uint32_t>(nibbleStart));
  out[kHighestRankField] = static_cast<uint8_t>(g);
  std::memcpy(&out[kRankHeader], order.data(), static_cast<size_t>(g) + 1);

  // Branch-free: every byte writes its class-3 code slot and ORs masked bits and nibbles, and only
  // the counter of its own class moves on. A class-3 slot written past the last code lands on the
  // first nibble byte, so the nibbles are gathered apart and copied in last.
  uint8_t* classes = &out[classStart];
  uint8_t* codes3 = &out[class3Start];
  uint8_t* bits = &out[bitStart];
  std::vector<uint8_t> nibbles(k[2] / 2 + 1, 0);
  size_t k1 = 0, k2 = 0, k3 = 0;
  const uint32_t fourOfRank0 = 0x01010101u * order[0];
  for (size_t i = 0; i < n; ++i) {
    // Four bytes of rank 0 leave their class byte at 0 and add nothing else.
    if ((i & 3) == 0 && n - i >= 4) {
      uint32_t four;
      std::memcpy(&four, &input[i], 4);
      if (four == fourOfRank0) {
        i += 3;
        continue;
      }
    }
    const uint8_t b = input[i];
    const unsigned cls = classOf[b];
    const unsigned code = codeOf[b];
    const unsigned is1 = cls == 1, is2 = cls == 2, is3 = cls == 3;
    classes[i >> 2] |= static_cast<uint8_t>(cls << (2 * (i & 3)));
    bits[k1 >> 3] |= static_cast<uint8_t>((code * is1) << (k1 & 7));
    nibbles[k2 >> 1] |= static_cast<uint8_t>((code * is2) << (4 * (k2 & 1)));
    codes3[k3] = static_cast<uint8_t>(code);
    k1 += is1;
    k2 += is2;
    k3 += is3;
  }
  std::memcpy(&out[nibbleStart], nibbles.data(), nibbles.size());
  return out;
}

uint32_t RankDecodedLength(std::span<const uint8_t> bytes) {
  if (bytes.size() < kRankHeader) Corrupt();
  return ReadLE32(bytes.data());
}

std::vector<uint8_t> RankDecode(std::span<const uint8_t> bytes) {
  const size_t length = bytes.size();
  const uint64_t n = RankDecodedLength(bytes);
  const uint64_t bitStart = ReadLE32(&bytes[kBitOffsetField]);
  const uint64_t nibbleStart = ReadLE32(&bytes[kNibbleOffsetField]);
  const int g = bytes[kHighestRankField];
  // The encoder always stores ranks 0 ... 19 at least.
  if (g < kFirstClass3Rank) Corrupt();
  const uint64_t classStart = kRankHeader + static_cast<uint64_t>(g) + 1;
  const uint64_t class3Start = classStart + n / 4 + 1;
  if (class3Start > length || nibbleStart < class3Start || bitStart < nibbleStart || bitStart > length) Corrupt();

  // Count the entries of each class so that every section can be checked before decoding.
  const uint8_t* classes = bytes.data() + classStart;
  uint64_t k[4] = {};
  for (uint64_t i = 0; i < n / 4; ++i)
    for (int c = 0; c < 4; ++c) k[c] += kClassCounts.perByte[classes[i]][c];
  for (uint64_t i = n & ~uint64_t{3}; i < n; ++i) ++k[(classes[i >> 2] >> (2 * (i & 3))) & 3];
  // Every section must hold its entries plus the trailing byte the encoder always adds (the class-3
  // codes have none); the decoding loop below relies on that slack.
  if (k[3] > nibbleStart - class3Start || k[2] / 2 + 1 > bitStart - nibbleStart || k[1] / 8 + 1 > length - bitStart)
    Corrupt();

  // Ranks above g are never stored; their table entries stay 0 and any code reaching them is damage.
  std::array<uint8_t, kFirstClass3Rank + 256> order{};
  std::memcpy(order.data(), &bytes[kRankHeader], static_cast<size_t>(g) + 1);
  const uint8_t* codes3 = bytes.data() + class3Start;
  const uint8_t* nibbles = bytes.data() + nibbleStart;
  const uint8_t* bitSection = bytes.data() + bitStart;
  const unsigned highestCode3 = static_cast<unsigned>(g - kFirstClass3Rank);

  // Branch-free like the encoder: the next bit, nibble and class-3 code are all read, the class
  // masks out all but its own and adds its first rank.
  static constexpr unsigned kFirstRank[4] = {0, 1, kFirstClass2Rank, kFirstClass3Rank};
  std::vector<uint8_t> out(n);
  size_t k1 = 0, k2 = 0, k3 = 0;
  unsigned damaged = 0;
  for (size_t i = 0; i < n; ++i) {
    // Smooth pictures give long stretches of class 0: take four at a time.
    if ((i & 3) == 0 && classes[i >> 2] == 0 && n - i >= 4) {
      std::memset(&out[i], order[0], 4);
      i += 3;
      continue;
    }
    const unsigned cls = (classes[i >> 2] >> (2 * (i & 3))) & 3;
    const unsigned is1 = cls == 1, is2 = cls == 2, is3 = cls == 3;
    const unsigned bit = (bitSection[k1 >> 3] >> (k1 & 7)) & 1;
    const unsigned nibble = (nibbles[k2 >> 1] >> (4 * (k2 & 1))) & 15;
    const unsigned code3 = codes3[k3];
    const unsigned field = (bit & (0u - is1)) | (nibble & (0u - is2)) | (code3 & (0u - is3));
    damaged |= is3 & (code3 > highestCode3);
    out[i] = order[kFirstRank[cls] + field];
    k1 += is1;
    k2 += is2;
    k3 += is3;
  }
  if (damaged) Corrupt();
  return out;
}

std::vector<uint8_t> RunLengthEncode(std::span<const uint8_t> input) {
  const size_t n = input.size();
  const uint8_t* in = input.data();
  if (n < 3) {
    std::vector<uint8_t> single{static_cast<uint8_t>(n)};
    single.insert(single.end(), input.begin(), input.end());
    return single;
  }
  RunLengthWriter out(n);
  size_t s = 0;          // first pending byte
  bool literal = true;   // the pending bytes are literals (else a run that started at s)
  for (size_t p = 2; p < n; ++p) {
    const bool triple = in[p - 2] == in[p - 1] && in[p - 1] == in[p];
    if (triple) {
      if (literal) {
        out.Literals(in + s, p - 2 - s);
        s = p - 2;
        literal = false;
      }
    } else if (!literal) {
      // The run s ... p - 1 ended; its last byte stays pending.
      out.Runs(in[s], p - 1 - s);
      s = p - 1;
      literal = true;
    }
  }
  if (literal || n - s == 1)
    out.Literals(in + s, n - s);
  else
    out.Runs(in[s], n - s);
  return out.Take();
}

std::vector<uint8_t> RunLengthDecode(std::span<const uint8_t> bytes, size_t maxLength) {
  // First pass: check every record and add up the output, so the result is allocated once and only
  // when it fits.
  size_t total = 0;
  for (size_t at = 0; at < bytes.size();) {
    const int c = static_cast<int8_t>(bytes[at++]);
    size_t produced;
    if (c >= 0) {
      if (bytes.size() - at < static_cast<size_t>(c)) Corrupt();
      produced = static_cast<size_t>(c);
      at += produced;
    } else {
      if (at == bytes.size()) Corrupt();
      produced = static_cast<size_t>(1 - c);
      ++at;
    }
    if (produced > maxLength - total) Corrupt();
    total += produced;
  }
  std::vector<uint8_t> out(total);
  uint8_t* to = out.data();
  for (size_t at = 0; at < bytes.size();) {
    const int c = static_cast<int8_t>(bytes[at++]);
    if (c > 0) {
      std::memcpy(to, bytes.data() + at, static_cast<size_t>(c));
      to += c;
      at += static_cast<size_t>(c);
    } else if (c < 0) {
      std::memset(to, bytes[at++], static_cast<size_t>(1 - c));
      to += 1 - c;
    }
  }
  return out;
}

namespace {

// Byte p of every group of k bytes goes to plane p (split), or comes back from it (join).
int MovePlanes(uint8_t* buffer, size_t size, int k, bool split) {
  if (k < 1 || k > 8) return -4;
  const size_t groups = size / static_cast<size_t>(k);
  const std::vector<uint8_t> source(buffer, buffer + groups * static_cast<size_t>(k));
  for (size_t p = 0; p < static_cast<size_t>(k); ++p) {
    for (size_t i = 0; i < groups; ++i) {
      const size_t interleaved = i * static_cast<size_t>(k) + p;
      const size_t planar = p * groups + i;
      buffer[split ? planar : interleaved] = source[split ? interleaved : planar];
    }
  }
  return 0;
}

}  // namespace

int SplitPlanes(uint8_t* buffer, size_t size, int k) { return MovePlanes(buffer, size, k, true); }

int JoinPlanes(uint8_t* buffer, size_t size, int k) { return MovePlanes(buffer, size, k, false); }

namespace {

std::vector<uint8_t> CompressDeltaCoded(std::span<const uint8_t> deltas) {
  return RankEncode(RunLengthEncode(RankEncode(deltas)));
}

}  // namespace

std::vector<uint8_t> CompressBytes(std::span<const uint8_t> source) {
  std::vector<uint8_t> deltas(source.begin(), source.end());
  DeltaEncode(deltas.data(), deltas.size());
  return CompressDeltaCoded(deltas);
}

std::vector<uint8_t> DecompressBytes(std::span<const uint8_t> compressed, size_t sourceSize) {
  const std::vector<uint8_t> records = RankDecode(compressed);
  const std::vector<uint8_t> ranked = RunLengthDecode(records, RankEncodedBound(sourceSize));
  if (RankDecodedLength(ranked) != sourceSize) Corrupt();
  std::vector<uint8_t> out = RankDecode(ranked);
  DeltaDecode(out.data(), out.size());
  return out;
}

namespace {

// Sizes are stored as 32-bit integers; the compressed form of this many bytes still fits one.
constexpr int64_t kMaxPayloadSource = std::numeric_limits<int32_t>::max() / 3;

}  // namespace

void WriteCompressedStream(TXmlNode* node, const std::string& name, TMemoryStream* stream) {
  if (!node || name.empty() || !stream || stream->Size() == 0) return;
  const int64_t size = stream->Size();
  if (size > kMaxPayloadSource) throw Exception("Stream too large to compress");
  DeltaEncode(stream->Memory(), static_cast<size_t>(size));
  const std::vector<uint8_t> compressed =
      CompressDeltaCoded(std::span<const uint8_t>(stream->Memory(), static_cast<size_t>(size)));
  TXmlNode* payload = node->NewChild(name);
  payload->PutInteger("SourceSize", static_cast<int>(size), 0);
  payload->PutInteger("CompressedSize", static_cast<int>(compressed.size()), 0);
  payload->NewChild("Buffer")->WriteBinary(compressed.data(), compressed.size());
}

void ReadCompressedStream(TXmlNode* node, const std::string& name, TMemoryStream* stream) {
  if (!node || name.empty() || !stream) return;
  const TXmlNode* payload = node->FindChild(name);
  if (!payload) return;
  const int compressedSize = payload->GetInteger("CompressedSize", 0);
  const int sourceSize = payload->GetInteger("SourceSize", 0);
  if (compressedSize == 0 || sourceSize == 0) return;
  if (compressedSize < 0 || sourceSize < 0) Corrupt();
  const TXmlNode* buffer = payload->FindChild("Buffer");
  if (!buffer) {
    stream->Clear();
    return;
  }
  // Every coding spends at least one character per byte: a shorter text cannot hold the payload,
  // and checking first keeps a forged size from allocating.
  if (static_cast<size_t>(compressedSize) > buffer->Value().size()) throw Exception("Missing data in binary stream");
  std::vector<uint8_t> compressed(static_cast<size_t>(compressedSize));
  buffer->ReadBinary(compressed.data(), compressed.size());
  const std::vector<uint8_t> bytes = DecompressBytes(compressed, static_cast<size_t>(sourceSize));
  stream->Clear();
  stream->WriteBuffer(bytes.data(), sourceSize);
  stream->SetPosition(0);
}

}  // namespace kivrano
