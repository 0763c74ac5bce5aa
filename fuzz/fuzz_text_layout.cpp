// Text from drawings reaches the font engine as arbitrary bytes: decoding, measuring, caret
// positions, formatted layout and rasterising must cope with any of them.
//
// Input: byte 0 and 1 the format flags, byte 2 the font height (signed), bytes 3 and 4 the
// rectangle's width and height, the rest the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Exception.h"
#include "platform/FontEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivrano;
  if (size < 5) return 0;
  try {
    const unsigned flags = static_cast<unsigned>(data[0] | (data[1] << 8));
    TFontRequest request;
    request.Family = (data[0] & 1) ? "Verdana" : "Times New Roman";
    request.Height = static_cast<int8_t>(data[2]);
    request.Bold = (data[1] & 0x10) != 0;
    request.Italic = (data[1] & 0x20) != 0;
    request.Underline = (data[1] & 0x40) != 0;
    request.StrikeOut = (data[1] & 0x80) != 0;
    auto font = TFontEngine::Instance().Acquire(request);
    const std::string_view text(reinterpret_cast<const char*>(data + 5), size - 5);

    const std::vector<int> carets = font->CaretPositions(text);
    if (carets.size() != Utf8ToCodePoints(text).size() + 1 || carets.back() != font->TextExtent(text).cx) std::abort();

    const TRect rect{-8, -8, -8 + data[3], -8 + data[4]};
    const TTextLayout layout = font->Layout(text, rect, flags);
    TCoverageMask mask(TRect{0, 0, 64, 64});
    font->Rasterize(layout, mask);
    (void)font->InkBounds(layout);
  } catch (const Exception&) {
  }
  return 0;
}
