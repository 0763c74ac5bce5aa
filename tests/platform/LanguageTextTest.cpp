// Language files: UTF-8 or "windows-1252" text, one message line per text line.

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "platform/LanguageText.h"

namespace kivrano {
namespace {

using Lines = std::vector<std::string>;

struct TDecodeCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

class DecodeLanguageLinesTest : public testing::TestWithParam<TDecodeCase> {};

TEST_P(DecodeLanguageLinesTest, Lines) { EXPECT_EQ(DecodeLanguageLines(GetParam().bytes), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeLanguageLinesTest,
    testing::Values(
        TDecodeCase{"empty", "", {}},
        TDecodeCase{"LF ends, the last one adds no line", "a\nb\n", {"a", "b"}},
        TDecodeCase{"last line without an end", "a\nb", {"a", "b"}},
        TDecodeCase{"CR LF ends", "Pagina \r\n van \r\n", {"Pagina ", " van "}},
        TDecodeCase{"empty lines keep their places", "a\n\n\nd\n", {"a", "", "", "d"}},
        TDecodeCase{"byte-order mark dropped", "\xEF\xBB\xBFOpen\n", {"Open"}},
        TDecodeCase{"UTF-8 kept", "Kopi\xC3\xABren\n", {"Kopi\xC3\xABren"}},
        TDecodeCase{"windows-1252 when not UTF-8", "R\xE9glages \x80\n", {"R\xC3\xA9glages \xE2\x82\xAC"}},
        TDecodeCase{"unassigned windows-1252 byte", "\x81", {"\xC2\x81"}},
        // One stray byte makes the whole file windows-1252, valid sequences included.
        TDecodeCase{"mixed", "\xC3\xAB\n\xE9", {"\xC3\x83\xC2\xAB", "\xC3\xA9"}}),
    [](const testing::TestParamInfo<TDecodeCase>& param) {
      std::string name;
      for (char c : std::string(param.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(IsValidUtf8Test, RejectsMalformedSequences) {
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82", "\xFF"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  for (const char* good : {"", "abc", "\xC3\xAB", "\xE2\x82\xAC", "\xF0\x9F\x8F\x86"}) {
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  }
}

TEST(DecodeLanguageLinesTest, RefusesOversizedFiles) {
  const std::string huge(kMaxLanguageFileSize + 1, 'a');
  EXPECT_THROW(DecodeLanguageLines(huge), Exception);
  EXPECT_EQ(DecodeLanguageLines(std::string(kMaxLanguageFileSize, 'a')).size(), 1u);
}

}  // namespace
}  // namespace kivrano
