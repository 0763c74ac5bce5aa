#pragma once

// Text forms of XML values: escaping and quoting, numbers, Booleans, dates, colours and the byte
// payload codings. Shared by the node, the reader and the writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Types.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

// Replaces & < > ' " by their entities.
std::string XmlEscape(std::string_view text);
// Decodes the five entity references once; other references stay as they are.
std::string XmlUnescape(std::string_view text);
// Encloses in double quotes, or in apostrophes when the text holds a double quote, doubling the
// chosen quote inside.
std::string XmlQuote(std::string_view text);
// The text between a leading quote and its matching close (a doubled quote standing for one);
// a text shorter than 2 or not starting with a quote is returned unchanged.
std::string XmlUnquote(std::string_view text);

bool XmlIsWhiteSpace(char c);
std::string_view XmlTrim(std::string_view text);
bool XmlSameText(std::string_view a, std::string_view b);

// Decimal, or hexadecimal after "$" (up to 32 bits, read as a signed value); false when the text
// is no valid integer.
bool XmlTextToInt(std::string_view text, int& value);
// "$" and upper-case hexadecimal digits, at least digits of them.
std::string XmlHexText(int value, int digits);
// General format with up to 15 significant digits ("2.5", "1E-5", "1.5E20").
std::string XmlFloatText(double value);
// A decimal number with "." or "," as separator; false on any failure or trailing garbage.
bool XmlTextToFloat(std::string_view text, double& value);
const char* XmlBoolText(bool value);
// "TRUE"/"FALSE" or a first letter T, Y / F, N in any case; false when the text is neither.
bool XmlTextToBool(std::string_view text, bool& value);
std::string XmlDateTimeText(TDateTime value);
bool XmlTextToDateTime(std::string_view text, TDateTime& value);
TDateTime XmlEncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                            int millisecond = 0);

// The RGB value of a colour: system colours (negative values) resolve through the default
// desktop palette, other values are returned unchanged.
TColor XmlColorToRGB(TColor color);

// Payload codings. Encoding with bcRadix64 produces no text.
std::string XmlEncodeBinary(TXmlBinaryCoding coding, const uint8_t* data, size_t count);
// The stored text without white space.
std::string XmlStripWhiteSpace(std::string_view text);
int64_t XmlBinaryLength(TXmlBinaryCoding coding, std::string_view stripped);
void XmlDecodeBinary(TXmlBinaryCoding coding, std::string_view stripped, uint8_t* buffer, size_t count);

}  // namespace kivrano
