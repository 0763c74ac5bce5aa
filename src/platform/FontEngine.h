#pragma once

// The font engine: family resolution through fontconfig, glyph outlines and coverage through
// FreeType. It knows nothing of raster surfaces: text is laid out into glyph placements and
// rasterised into plain 8-bit coverage masks that the surface and the canvas composite.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Types.h"

namespace kivrano {

// Format flags of the formatted text call. The values are those callers pass numerically
// (left 0, centre 1, right 2). Text is always taken literally: no prefix characters.
enum TTextFormatFlag : unsigned {
  tfLeft = 0x0000,
  tfTop = 0x0000,
  tfCenter = 0x0001,
  tfRight = 0x0002,
  tfVCenter = 0x0004,
  tfBottom = 0x0008,
  tfWordBreak = 0x0010,
  tfSingleLine = 0x0020,
  tfExpandTabs = 0x0040,
  tfNoClip = 0x0100,
  tfExternalLeading = 0x0200,
  tfCalcRect = 0x0400,
  tfNoPrefix = 0x0800,
};

// What a font is asked for. Height is in device pixels: positive is the cell height (ascent plus
// descent), negative the character (em) height, 0 a default of 12 pixels em height.
struct TFontRequest {
  std::string Family;
  int Height = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  friend bool operator==(const TFontRequest&, const TFontRequest&) = default;
};

// Metrics of a sized font in whole pixels. Offsets of the decoration bars are measured from the
// baseline downwards to the top of the bar (strike-out offsets are therefore negative).
struct TFontMetrics {
  int Ascent = 0;
  int Descent = 0;
  int Height = 0;  // Ascent + Descent: the cell height
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  int UnderlineOffset = 0;
  int UnderlineThickness = 1;
  int StrikeOutOffset = 0;
  int StrikeOutThickness = 1;
};

// A glyph placed on a baseline: its pen position in device pixels.
struct TGlyphPlacement {
  uint32_t Glyph = 0;
  int X = 0;
  int Y = 0;
};

// The result of laying out text in a rectangle with format flags.
struct TTextLayout {
  std::vector<TGlyphPlacement> Glyphs;
  std::vector<TRect> Bars;      // underline and strike-out bars, fully covered
  std::vector<TRect> LineBoxes; // the character cells of each laid-out line
  TRect CalcRect;               // left and top of the rectangle, widest line, all lines' height
  TRect Clip;                   // where drawing is clipped to (the rectangle unless tfNoClip)
  bool Clipped = true;
};

// An 8-bit coverage buffer over a rectangle of device pixels (0 = untouched, 255 = covered).
class TCoverageMask {
 public:
  TCoverageMask() = default;
  explicit TCoverageMask(const TRect& area);
  const TRect& Area() const { return FArea; }
  bool IsEmpty() const { return FArea.Width() <= 0 || FArea.Height() <= 0; }
  uint8_t* Row(int y) { return FData.data() + static_cast<size_t>(y - FArea.Top) * FArea.Width(); }
  const uint8_t* Row(int y) const {
    return FData.data() + static_cast<size_t>(y - FArea.Top) * FArea.Width();
  }
  uint8_t At(int x, int y) const;
  // Adds coverage, saturating at 255 (adjacent anti-aliased edges of two glyphs sum up).
  void Add(int x, int y, unsigned coverage);
  void FillRect(const TRect& r);

 private:
  TRect FArea;
  std::vector<uint8_t> FData;
};

// Decodes UTF-8; every byte of a malformed sequence becomes U+FFFD.
std::u32string Utf8ToCodePoints(std::string_view text);

class TFontFace;

// A font at one pixel size with its glyph cache. Obtained from TFontEngine::Acquire.
class TScaledFont {
 public:
  TScaledFont(std::shared_ptr<TFontFace> face, const TFontRequest& request, bool synthBold,
              bool synthItalic);
  ~TScaledFont();
  TScaledFont(const TScaledFont&) = delete;
  TScaledFont& operator=(const TScaledFont&) = delete;

  const TFontRequest& Request() const { return FRequest; }
  const TFontMetrics& Metrics() const { return FMetrics; }
  // The family fontconfig chose for the request.
  const std::string& ResolvedFamily() const;

  uint32_t GlyphIndex(char32_t c);
  int Advance(uint32_t glyph);
  int Kerning(uint32_t left, uint32_t right);

  // Width of one line of text (advances plus kerning) and the cell height.
  TSize TextExtent(std::string_view text);
  // The x offset of every character boundary of one line: count + 1 values, one per code point
  // plus the end; each is the previous plus that character's advance and its kerning with the
  // next character, so the last equals TextExtent's width.
  std::vector<int> CaretPositions(std::string_view text);

  TTextLayout Layout(std::string_view text, const TRect& rect, unsigned flags);
  // Box of the pixels the layout's glyphs and bars can touch (before clipping).
  TRect InkBounds(const TTextLayout& layout);
  // Adds the layout's coverage inside the mask's area.
  void Rasterize(const TTextLayout& layout, TCoverageMask& mask);

 private:
  struct TGlyph;
  struct TLine {
    size_t Begin = 0;
    size_t End = 0;  // code points [Begin, End) drawn
  };

  TGlyph& Glyph(uint32_t index);
  void LoadOutline(uint32_t index);
  void RenderImage(TGlyph& g, uint32_t index);
  void RenderDirect(uint32_t index, int x, int y, TCoverageMask& mask);
  // Places the code points [begin, end) of a line from x = 0; returns the width.
  int64_t PlaceLine(const std::u32string& text, size_t begin, size_t end, bool expandTabs,
                std::vector<TGlyphPlacement>* out);
  void WrapParagraph(const std::u32string& text, size_t begin, size_t end, int64_t maxWidth,
                     bool expandTabs, std::vector<TLine>& lines);

  std::shared_ptr<TFontFace> FFace;
  TFontRequest FRequest;
  bool FSynthBold;
  bool FSynthItalic;
  void* FSize = nullptr;  // the FreeType size object of this scale
  double FScale = 1.0;    // device pixels per loaded pixel (huge sizes load smaller)
  int FEmbolden = 0;      // synthetic bold strength, 26.6
  TFontMetrics FMetrics;
  std::array<uint32_t, 128> FAsciiGlyphs{};
  std::unordered_map<char32_t, uint32_t> FGlyphIndexes;
  std::vector<std::unique_ptr<TGlyph>> FGlyphs;  // by glyph index, loaded on first use
  bool FHasKerning = false;
  std::vector<int16_t> FKerningCache;
};

// The process-wide engine: fontconfig resolution, faces and sized fonts, all cached. Like all
// painting it is used from the user-interface thread only.
class TFontEngine {
 public:
  static TFontEngine& Instance();
  ~TFontEngine();
  TFontEngine(const TFontEngine&) = delete;
  TFontEngine& operator=(const TFontEngine&) = delete;

  // A sized font for the request; equal requests share one instance while it is in use.
  std::shared_ptr<TScaledFont> Acquire(const TFontRequest& request);
  // The family name fontconfig resolves a name and style to ("Verdana" to an installed sans).
  std::string ResolveFamily(const std::string& name, bool bold, bool italic);

 private:
  struct TResolved;
  TFontEngine();
  const TResolved& Resolve(const std::string& name, bool bold, bool italic);
  std::shared_ptr<TFontFace> Face(const std::string& file, int index, const std::string& family);

  std::shared_ptr<void> FLibrary;
  std::unordered_map<std::string, std::unique_ptr<TResolved>> FResolved;
  std::unordered_map<std::string, std::shared_ptr<TFontFace>> FFaces;
  std::vector<std::pair<TFontRequest, std::shared_ptr<TScaledFont>>> FSized;
};

}  // namespace kivrano
