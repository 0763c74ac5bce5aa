#include "storage/XmlCodec.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Exception.h"

namespace kivrano {

namespace {

const char* EntityOf(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '\'': return "&apos;";
    case '"': return "&quot;";
    default: return nullptr;
  }
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Proleptic Gregorian day numbers relative to 1970-01-01.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

const int64_t kDateOrigin = DaysFromCivil(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

bool ValidDateTime(int y, int mo, int d, int h, int mi, int s, int ms) {
  return y >= 1 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 && d <= DaysInMonth(y, mo) && h >= 0 && h < 24 &&
         mi >= 0 && mi < 60 && s >= 0 && s < 60 && ms >= 0 && ms < 1000;
}

// 1-based substring as the date fields are addressed; shorter when the text ends early.
std::string_view Field(std::string_view text, size_t first, size_t length) {
  if (first - 1 >= text.size()) return {};
  return text.substr(first - 1, length);
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kRadix64[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ*-";
const char kHex[] = "0123456789ABCDEF";

// Characters outside the alphabet (and the pad "=") count as 0.
struct DecodeTable {
  int8_t value[256] = {};
  explicit DecodeTable(const char* alphabet) {
    for (int i = 0; i < 64; ++i) value[static_cast<uint8_t>(alphabet[i])] = static_cast<int8_t>(i);
  }
};

}  // namespace

bool XmlIsWhiteSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

std::string_view XmlTrim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && XmlIsWhiteSpace(text[first])) ++first;
  while (last > first && XmlIsWhiteSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool XmlSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (const char* entity = EntityOf(c)) {
      out += entity;
    } else {
      out += c;
    }
  }
  return out;
}

std::string XmlUnescape(std::string_view text) {
  static const struct {
    std::string_view entity;
    char c;
  } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
  size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, amp));
  out.reserve(text.size());
  size_t i = amp;
  while (i < text.size()) {
    if (text[i] == '&') {
      bool decoded = false;
      for (const auto& e : kEntities) {
        if (text.compare(i, e.entity.size(), e.entity) == 0) {
          out += e.c;
          i += e.entity.size();
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    out += text[i++];
  }
  return out;
}

std::string XmlQuote(std::string_view text) {
  char quote = text.find('"') == std::string_view::npos ? '"' : '\'';
  std::string out(1, quote);
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  out += quote;
  return out;
}

std::string XmlUnquote(std::string_view text) {
  if (text.size() < 2 || !IsQuote(text[0])) return std::string(text);
  char quote = text[0];
  std::string out;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        out += quote;
        ++i;
        continue;
      }
      break;
    }
    out += text[i];
  }
  return out;
}

bool XmlTextToInt(std::string_view text, int& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = i < text.size() && text[i] == '$';
  if (hex) ++i;
  if (i == text.size()) return false;
  uint64_t n = 0;
  for (; i < text.size(); ++i) {
    int digit = hex ? HexDigitValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return false;
    n = n * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (n > 0xFFFFFFFFull) return false;
  }
  int64_t result;
  if (hex) {
    result = static_cast<int32_t>(static_cast<uint32_t>(n));
    if (negative) result = -result;
    if (result > INT32_MAX) return false;
  } else {
    result = negative ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
    if (result < INT32_MIN || result > INT32_MAX) return false;
  }
  value = static_cast<int>(result);
  return true;
}

std::string XmlHexText(int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(value));
  std::string hex = buf;
  if (digits > 16) digits = 16;
  if (static_cast<int>(hex.size()) < digits) hex.insert(0, static_cast<size_t>(digits) - hex.size(), '0');
  hex.insert(hex.begin(), '$');
  return hex;
}

std::string XmlFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits, rounded: d.dddddddddddddde[+-]x
  char buf[40];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<size_t>(result.ptr - buf));
  bool negative = sci[0] == '-';
  if (negative) sci.remove_prefix(1);
  size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos))
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) out.append(".").append(digits, 1);
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(std::abs(exponent));
  } else if (exponent >= 0) {
    size_t integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      out += digits + std::string(integerDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, integerDigits).append(".").append(digits, integerDigits);
    }
  } else {
    out.append("0.").append(static_cast<size_t>(-exponent - 1), '0').append(digits);
  }
  return out;
}

bool XmlTextToFloat(std::string_view text, double& value) {
  std::string s(XmlTrim(text));
  size_t comma = s.find(',');
  if (comma != std::string::npos) s[comma] = '.';
  // sign, digits with at most one point, optional exponent; nothing else
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissaDigits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      ++mantissaDigits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != s.size()) return false;
  const char* first = s.data() + (s[0] == '+' ? 1 : 0);
  double parsed = 0;
  auto result = std::from_chars(first, s.data() + s.size(), parsed);
  if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return false;
  value = parsed;
  return true;
}

const char* XmlBoolText(bool value) { return value ? "True" : "False"; }

bool XmlTextToBool(std::string_view text, bool& value) {
  if (text.empty()) return false;
  char first = UpperAscii(text[0]);
  if (XmlSameText(text, "TRUE") || first == 'T' || first == 'Y') {
    value = true;
    return true;
  }
  if (XmlSameText(text, "FALSE") || first == 'F' || first == 'N') {
    value = false;
    return true;
  }
  return false;
}

TDateTime XmlEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  double days = static_cast<double>(DaysFromCivil(year, month, day) - kDateOrigin);
  double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
  return days >= 0 ? days + time : days - time;
}

std::string XmlDateTimeText(TDateTime value) {
  // Dates outside 0001-01-01 ... 9999-12-31 (and NaN) have no text form; clamp them.
  const double kFirst = static_cast<double>(DaysFromCivil(1, 1, 1) - kDateOrigin);
  const double kLast = static_cast<double>(DaysFromCivil(9999, 12, 31) - kDateOrigin) + 86399999.0 / kMsPerDay;
  if (std::isnan(value)) value = 0;
  value = std::min(std::max(value, kFirst), kLast);
  double dayPart = std::trunc(value);
  double timePart = std::fabs(value - dayPart);
  int year, month, day;
  CivilFromDays(static_cast<int64_t>(dayPart) + kDateOrigin, year, month, day);
  char buf[64];
  if (timePart == 0) {
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d", year, month, day);
    return buf;
  }
  int64_t ms = std::llround(timePart * kMsPerDay);
  if (ms >= 86400000) ms = 86399999;
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3dZ", year, month, day,
                static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return buf;
}

bool XmlTextToDateTime(std::string_view text, TDateTime& value) {
  int year, month, day, hour = 0, minute = 0, second = 0, ms = 0;
  if (!XmlTextToInt(Field(text, 1, 4), year) || !XmlTextToInt(Field(text, 6, 2), month) ||
      !XmlTextToInt(Field(text, 9, 2), day))
    return false;
  if (text.size() > 16) {
    if (!XmlTextToInt(Field(text, 12, 2), hour) || !XmlTextToInt(Field(text, 15, 2), minute)) return false;
    if (!XmlTextToInt(Field(text, 18, 2), second)) second = 0;
    if (!XmlTextToInt(Field(text, 21, 3), ms)) ms = 0;
  }
  if (!ValidDateTime(year, month, day, hour, minute, second, ms)) return false;
  value = XmlEncodeDateTime(year, month, day, hour, minute, second, ms);
  return true;
}

TColor XmlColorToRGB(TColor color) {
  if (color >= 0) return color;
  // The default desktop palette by system colour index (scroll bar, background, active caption,
  // ..., menu bar), as 0x00BBGGRR.
  static const TColor kSystemColors[] = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
      0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
      0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
      0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};
  size_t index = static_cast<uint32_t>(color) & 0xFF;
  return index < sizeof kSystemColors / sizeof kSystemColors[0] ? kSystemColors[index] : 0;
}

std::string XmlEncodeBinary(TXmlBinaryCoding coding, const uint8_t* data, size_t count) {
  std::string out;
  if (coding == bcHex) {
    out.resize(count * 2);
    for (size_t i = 0; i < count; ++i) {
      out[2 * i] = kHex[data[i] >> 4];
      out[2 * i + 1] = kHex[data[i] & 15];
    }
  } else if (coding == bcBase64) {
    out.resize((count + 2) / 3 * 4);
    char* o = out.data();
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
      uint32_t v = static_cast<uint32_t>(data[i]) << 16 | static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
      *o++ = kBase64[v >> 18];
      *o++ = kBase64[v >> 12 & 63];
      *o++ = kBase64[v >> 6 & 63];
      *o++ = kBase64[v & 63];
    }
    if (size_t rest = count - i) {
      uint32_t v = static_cast<uint32_t>(data[i]) << 16 | (rest == 2 ? static_cast<uint32_t>(data[i + 1]) << 8 : 0);
      *o++ = kBase64[v >> 18];
      *o++ = kBase64[v >> 12 & 63];
      *o++ = rest == 2 ? kBase64[v >> 6 & 63] : '=';
      *o++ = '=';
    }
  }
  return out;
}

std::string XmlStripWhiteSpace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (!XmlIsWhiteSpace(c)) out += c;
  return out;
}

int64_t XmlBinaryLength(TXmlBinaryCoding coding, std::string_view stripped) {
  int64_t n = static_cast<int64_t>(stripped.size());
  switch (coding) {
    case bcHex:
      if (n % 2 != 0) throw Exception("Error while calculating streamlength");
      return n / 2;
    case bcBase64: {
      if (n % 4 != 0) throw Exception("Error while calculating streamlength");
      int64_t length = n / 4 * 3;
      if (n >= 2 && stripped.substr(stripped.size() - 2) == "==") return length - 2;
      if (n >= 1 && stripped.back() == '=') return length - 1;
      return length;
    }
    case bcRadix64: break;
  }
  throw Exception("Cannot determine stream length");
}

void XmlDecodeBinary(TXmlBinaryCoding coding, std::string_view stripped, uint8_t* buffer, size_t count) {
  size_t available = coding == bcHex ? stripped.size() / 2 : stripped.size() / 4 * 3;
  if (available < count) throw Exception("Missing data in binary stream");
  if (coding == bcHex) {
    for (size_t k = 0; k < count; ++k) {
      int high = HexDigitValue(stripped[2 * k]);
      int low = HexDigitValue(stripped[2 * k + 1]);
      buffer[k] = static_cast<uint8_t>((high < 0 ? 0 : high) << 4 | (low < 0 ? 0 : low));
    }
    return;
  }
  static const DecodeTable kBase64Table(kBase64);
  static const DecodeTable kRadix64Table(kRadix64);
  const int8_t* table = coding == bcBase64 ? kBase64Table.value : kRadix64Table.value;
  size_t out = 0;
  for (size_t g = 0; out < count; g += 4) {
    uint32_t c[4];
    for (int k = 0; k < 4; ++k) c[k] = static_cast<uint32_t>(table[static_cast<uint8_t>(stripped[g + k])]);
    uint32_t v = coding == bcBase64 ? c[0] << 18 | c[1] << 12 | c[2] << 6 | c[3]
                                    : c[3] << 18 | c[2] << 12 | c[1] << 6 | c[0];
    for (int shift = 16; shift >= 0 && out < count; shift -= 8) buffer[out++] = static_cast<uint8_t>(v >> shift);
  }
}

}  // namespace kivrano
