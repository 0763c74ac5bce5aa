#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "base/Exception.h"
#include "storage/Compressors.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

void ExpectCorrupt(const std::function<void()>& action) {
  try {
    action();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), kCorruptCompressedData);
  }
}

TEST(DeltaCoding, DifferencesWrapModulo256AndRunningSumRestores) {
  Bytes b = {5, 7, 6, 0, 255};
  DeltaEncode(b.data(), b.size());
  EXPECT_EQ(b, (Bytes{5, 2, 255, 250, 255}));
  DeltaDecode(b.data(), b.size());
  EXPECT_EQ(b, (Bytes{5, 7, 6, 0, 255}));
}

struct RankCase {
  const char* what;
  Bytes input;
  Bytes encoded;
};

TEST(RankEncode, KnownBlocksByteForByte) {
  Bytes mixed = Of("yxzxyQxRzSxyTxUzV");
  for (int v = 0x30; v <= 0x44; ++v) mixed.push_back(static_cast<uint8_t>(v));
  const RankCase cases[] = {
      {"abc",
       Of("abc"),
       {0x03, 0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0x13, 0x63, 0x62, 0x61, 0x03, 0x04,
        0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x05, 0x00, 0x01}},
      // All four classes, ties among the values seen once, nibbles low first, bits lowest first.
      {"mixed", mixed, {0x26, 0x00, 0x00, 0x00, 0x4A, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x1E, 0x78, 0x79,
                        0x7A, 0x56, 0x55, 0x54, 0x53, 0x52, 0x51, 0x44, 0x43, 0x42, 0x41, 0x40, 0x3F, 0x3E, 0x3D,
                        0x3C, 0x3B, 0x3A, 0x39, 0x38, 0x37, 0x36, 0x35, 0x34, 0x33, 0x32, 0x31, 0x30, 0x1E, 0x11,
                        0x89, 0x49, 0x62, 0xFE, 0xFF, 0xFF, 0xAA, 0xAA, 0x0A, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05,
                        0x04, 0x03, 0x02, 0x01, 0x00, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x00, 0x2A}},
  };
  for (const RankCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RankEncode(c.input), c.encoded);
    EXPECT_EQ(RankDecode(c.encoded), c.input);
  }
}

TEST(RankEncode, EveryValuePresentStoresTheWholeTable) {
  Bytes input;
  for (int v = 0; v < 256; ++v) input.insert(input.end(), static_cast<size_t>(v % 3 + 1), static_cast<uint8_t>(v));
  const Bytes out = RankEncode(input);
  EXPECT_EQ(out.at(12), 255);
  EXPECT_EQ(RankDecode(out), input);
}

struct RunCase {
  const char* input;
  Bytes encoded;
};

TEST(RunLengthEncode, DocumentedExamplesAndTheirInverse) {
  const RunCase cases[] = {
      {"AAAAB", {0xFE, 0x41, 0x02, 0x41, 0x42}},
      {"AAAAAAAAAA", {0xF7, 0x41}},
      {"abcdef", {0x06, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66}},
      {"ABBBC", {0x01, 0x41, 0xFF, 0x42, 0x02, 0x42, 0x43}},
      {"AB", {0x02, 0x41, 0x42}},
      {"", {0x00}},
      {"AAA", {0xFE, 0x41}},
      {"AAAB", {0xFF, 0x41, 0x02, 0x41, 0x42}},
      {"AAABBB", {0xFF, 0x41, 0x01, 0x41, 0xFE, 0x42}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(RunLengthEncode(Of(c.input)), c.encoded);
    EXPECT_EQ(RunLengthDecode(c.encoded), Of(c.input));
  }
}

TEST(RunLengthEncode, LongRunsAndLiteralsSplitAt127WithoutSingleLeftovers) {
  struct Case {
    size_t runLength;
    Bytes controls;  // control bytes in order
  };
  const Case cases[] = {
      {127, {0x82}},
      {128, {0x83, 0xFF}},        // 126 + 2: a run of 1 cannot be stored
      {129, {0x82, 0xFF}},        // 127 + 2
      {254, {0x82, 0x82}},
      {255, {0x82, 0x83, 0xFF}},  // 127 + 126 + 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runLength);
    const Bytes input(c.runLength, 0x55);
    const Bytes out = RunLengthEncode(input);
    Bytes controls;
    for (size_t i = 0; i < out.size(); i += 2) {
      controls.push_back(out[i]);
      EXPECT_EQ(out[i + 1], 0x55);
    }
    EXPECT_EQ(controls, c.controls);
    EXPECT_EQ(RunLengthDecode(out), input);
  }
  Bytes literals(300);
  for (size_t i = 0; i < literals.size(); ++i) literals[i] = static_cast<uint8_t>(i * 7 + i / 3);
  const Bytes out = RunLengthEncode(literals);
  ASSERT_EQ(out.size(), 303u);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[128], 127);
  EXPECT_EQ(out[256], 46);
  EXPECT_EQ(RunLengthDecode(out), literals);
}

TEST(PlaneSplit, GathersEveryKthByteAndKeepsTheTail) {
  Bytes b = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(SplitPlanes(b.data(), b.size(), 3), 0);
  EXPECT_EQ(b, (Bytes{0, 3, 6, 1, 4, 7, 2, 5, 8, 9}));
  EXPECT_EQ(JoinPlanes(b.data(), b.size(), 3), 0);
  EXPECT_EQ(b, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

  for (int k = 1; k <= 8; ++k) {
    for (size_t size : {0u, 1u, 7u, 8u, 9u, 100u}) {
      Bytes data(size);
      for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 13 + 1);
      Bytes work = data;
      ASSERT_EQ(SplitPlanes(work.data(), work.size(), k), 0);
      ASSERT_EQ(JoinPlanes(work.data(), work.size(), k), 0);
      EXPECT_EQ(work, data) << "k " << k << " size " << size;
    }
  }
  for (int k : {0, -1, 9}) {
    EXPECT_EQ(SplitPlanes(b.data(), b.size(), k), -4);
    EXPECT_EQ(JoinPlanes(b.data(), b.size(), k), -4);
  }
  EXPECT_EQ(b, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// Inputs of a given length with different statistics: every rank class, long runs, and the run
// pattern that makes the run-length stage grow the most.
Bytes Make(const std::string& kind, size_t n) {
  Bytes b(n);
  std::mt19937 rng(static_cast<unsigned>(n) + 17);
  for (size_t i = 0; i < n; ++i) {
    if (kind == "cycle") b[i] = static_cast<uint8_t>(i);
    else if (kind == "random") b[i] = static_cast<uint8_t>(rng());
    else if (kind == "constant") b[i] = 0xC3;
    else if (kind == "triples") b[i] = (i / 3) % 2 ? 'B' : 'A';
    else if (kind == "ramp") b[i] = static_cast<uint8_t>((i / 5) * 3 + (i % 5));
    else b[i] = static_cast<uint8_t>((rng() % 9 == 0) ? rng() % 40 : 7);  // mostly one value
  }
  return b;
}

TEST(Compressor, PipelineRoundTripsAwkwardLengthsAndContents) {
  const size_t lengths[] = {0, 1, 2, 3, 4, 5, 8, 255, 256, 257, 1024, 65535, 65536, 65537};
  for (const char* kind : {"cycle", "random", "constant", "triples", "ramp", "skewed"}) {
    for (size_t n : lengths) {
      SCOPED_TRACE(std::string(kind) + " " + std::to_string(n));
      const Bytes source = Make(kind, n);
      const Bytes compressed = CompressBytes(source);
      EXPECT_EQ(DecompressBytes(compressed, n), source);
      // Each stage on its own must round-trip too.
      EXPECT_EQ(RankDecode(RankEncode(source)), source);
      EXPECT_EQ(RunLengthDecode(RunLengthEncode(source)), source);
    }
  }
}

TEST(Compressor, PipelineGivesKnownBytes) {
  const Bytes source = {10, 10, 10, 10, 10, 10, 12, 14, 16, 18, 20, 20, 20, 20, 20, 20, 20, 20, 7, 7, 200, 201, 202, 203};
  const Bytes expected = {
      0x30, 0x00, 0x00, 0x00, 0x4E, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00, 0x1E, 0x00, 0x02, 0x01, 0xFF, 0x13,
      0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0xF3, 0xE0, 0x15, 0xC1,
      0x56, 0x18, 0x50, 0x2A, 0x28, 0x21, 0x20, 0x1E, 0x2D, 0xB1, 0xC4, 0x32, 0x52, 0xAF, 0xAA, 0xAA, 0xAA, 0xF6,
      0x3C, 0x35, 0x00, 0x05, 0x07, 0x08, 0x09, 0x00, 0x03, 0x06, 0x02, 0x0A, 0x04, 0x01, 0x00, 0x10, 0x37, 0x54,
      0x26, 0x98, 0xBA, 0xDC, 0xFE, 0x01, 0x91, 0x00};
  EXPECT_EQ(CompressBytes(source), expected);
  EXPECT_EQ(DecompressBytes(expected, source.size()), source);
}

TEST(Compressor, SmoothDataShrinks) {
  const Bytes source = Make("ramp", 100000);
  EXPECT_LT(CompressBytes(source).size(), source.size() / 4);
}

struct CorruptRank {
  const char* what;
  std::function<void(Bytes&)> damage;
};

TEST(RankDecode, RejectsDamagedBlocks) {
  const Bytes valid = RankEncode(Make("skewed", 500));
  const CorruptRank cases[] = {
      {"shorter than a header", [](Bytes& b) { b.resize(12); }},
      {"rank table cut", [](Bytes& b) { b.resize(20); }},
      {"highest rank below 19", [](Bytes& b) { b[12] = 18; }},
      {"length beyond the class section", [](Bytes& b) { b[3] = 0x7F; }},
      {"nibble section before class-3 codes", [](Bytes& b) { b[8] = 0; b[9] = 0; }},
      {"bit section before nibble section", [](Bytes& b) { b[4] = b[8] - 1; b[5] = b[9]; b[6] = b[10]; }},
      {"bit section beyond the end", [](Bytes& b) { b[6] = 1; }},
      {"bit section cut", [](Bytes& b) { b.erase(b.end() - 3, b.end()); }},
      {"class-3 code above the highest rank", [](Bytes& b) { b[b[12] + 14 + 500 / 4 + 1] = 0xF0; }},
  };
  for (const CorruptRank& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = valid;
    c.damage(b);
    ExpectCorrupt([&] { RankDecode(b); });
  }
}

TEST(RunLengthDecode, RejectsCutRecordsAndOversizedOutput) {
  ExpectCorrupt([] { RunLengthDecode(Bytes{0x03, 0x41, 0x42}); });
  ExpectCorrupt([] { RunLengthDecode(Bytes{0x02, 0x41, 0x42, 0xF7}); });
  ExpectCorrupt([] { RunLengthDecode(Bytes{0xF7, 0x41}, 9); });
  EXPECT_EQ(RunLengthDecode(Bytes{0xF7, 0x41}, 10), Bytes(10, 0x41));
  // Controls the encoder never writes still decode by the same rule.
  EXPECT_EQ(RunLengthDecode(Bytes{0x80, 0x00}), Bytes(129, 0x00));
}

TEST(DecompressBytes, EveryTruncationFailsCleanlyOrStillDecodes) {
  const Bytes source = Make("ramp", 3000);
  const Bytes compressed = CompressBytes(source);
  for (size_t cut = 0; cut < compressed.size(); ++cut) {
    const Bytes part(compressed.begin(), compressed.begin() + static_cast<std::ptrdiff_t>(cut));
    try {
      EXPECT_EQ(DecompressBytes(part, source.size()), source) << "cut " << cut;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), kCorruptCompressedData);
    }
  }
}

TEST(DecompressBytes, DeclaredSizeMustMatch) {
  const Bytes source = Make("random", 1000);
  const Bytes compressed = CompressBytes(source);
  for (size_t wrong : {999u, 1001u, 0u, 100000000u}) {
    SCOPED_TRACE(wrong);
    ExpectCorrupt([&] { DecompressBytes(compressed, wrong); });
  }
}

}  // namespace
}  // namespace kivrano
