#include "platform/LanguageText.h"

#include <cstdint>

#include "base/CodePage.h"
#include "base/Exception.h"

namespace kivrano {

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t lead = static_cast<uint8_t>(bytes[i]);
    int extra;
    char32_t cp;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, cp = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const uint8_t next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are no valid UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) AppendUtf8(out, Windows1252ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::vector<std::string> DecodeLanguageLines(std::string_view bytes) {
  if (bytes.size() > kMaxLanguageFileSize) throw Exception("Language file too large");
  const std::string text = IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
  std::string_view rest = text;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  std::vector<std::string> lines;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace kivrano
