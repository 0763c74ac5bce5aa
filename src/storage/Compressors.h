#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace kivrano {

class TMemoryStream;
class TXmlNode;

// The byte compressor behind picture payloads: delta coding, then a rank coder that stores each byte
// in 0, 1, 4 or 8 bits by how often its value occurs, a run-length coder, and the rank coder again.
//
// The decoders check their input: damaged bytes fail with kCorruptCompressedData and never make a
// decoder read or write outside its buffers or allocate more than the input can describe.

inline constexpr const char* kCorruptCompressedData = "Corrupted compressed stream";

// In place: each byte becomes its difference to the byte before it (the first to 0), modulo 256.
void DeltaEncode(uint8_t* buffer, size_t length);
// In place: each byte becomes the running sum, modulo 256.
void DeltaDecode(uint8_t* buffer, size_t length);

// Rank coding. The output starts with a 13-byte header (length, offset of the 1-bit section, offset
// of the 4-bit section, highest stored rank g), the rank table (g + 1 bytes), then the 2-bit class of
// every byte, the 8-bit codes, the 4-bit codes and the 1-bit codes.
std::vector<uint8_t> RankEncode(std::span<const uint8_t> input);
std::vector<uint8_t> RankDecode(std::span<const uint8_t> bytes);
// The length a rank-coded block declares (its first four bytes); fails on a block too short to hold
// a header.
uint32_t RankDecodedLength(std::span<const uint8_t> bytes);

// Run-length coding: records of a signed control byte c, then c literal bytes (c >= 0) or one byte
// repeated 1 - c times (c < 0).
std::vector<uint8_t> RunLengthEncode(std::span<const uint8_t> input);
// Fails when a record is cut short or the output would exceed maxLength.
std::vector<uint8_t> RunLengthDecode(std::span<const uint8_t> bytes,
                                     size_t maxLength = std::numeric_limits<size_t>::max());

// Plane split for k = 1 ... 8: the bytes 0, k, 2k, ..., then 1, k + 1, ..., each plane size / k bytes
// long, then the size % k tail bytes unchanged. JoinPlanes is the inverse. Both return 0, or -4 and
// leave the buffer alone when k is out of range.
int SplitPlanes(uint8_t* buffer, size_t size, int k);
int JoinPlanes(uint8_t* buffer, size_t size, int k);

// Whole pipeline over a byte block.
std::vector<uint8_t> CompressBytes(std::span<const uint8_t> source);
// Inverse of CompressBytes; the result must be sourceSize bytes long.
std::vector<uint8_t> DecompressBytes(std::span<const uint8_t> compressed, size_t sourceSize);

// Payload element: adds a child `name` to node holding "SourceSize", "CompressedSize" and the
// compressed bytes in "Buffer". Does nothing for a null node or stream, an empty name or an empty
// stream. The stream's bytes are delta-coded in place on the way (the caller's stream changes).
// Streams above 715 MB fail with "Stream too large to compress", before anything changes.
void WriteCompressedStream(TXmlNode* node, const std::string& name, TMemoryStream* stream);
// Reads a payload element back into stream (positioned at 0). Leaves the stream alone when node,
// name or stream is missing, the element is absent or a size is 0; empties it when "Buffer" is
// missing. A damaged payload fails with kCorruptCompressedData, a short "Buffer" with "Missing data
// in binary stream"; the stream is then unchanged.
void ReadCompressedStream(TXmlNode* node, const std::string& name, TMemoryStream* stream);

}  // namespace kivrano
