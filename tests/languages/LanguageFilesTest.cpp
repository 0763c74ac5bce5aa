// Checks the editor's language files: encoding, line layout, and the lines the editor reads.

#include <gtest/gtest.h>

#include "platform/FontEngine.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kivrano {
namespace {

// The files live in assets/languages of the source tree, two levels above the test data folder.
const std::string kLanguageFolder =
    (std::filesystem::path(KIVRANO_TEST_DATA).parent_path().parent_path() / "assets" / "languages" / "").string();
constexpr int kLineCount = 260;

// Lines that no control and no message of the editor reads; they stay empty so that a line
// shifted by an insertion or a deletion shows up at once.
bool IsUnusedLine(int line) {
  static const std::set<int> unused = [] {
    std::set<int> lines{0, 1, 2, 3, 4, 14, 16, 73, 107, 138, 199, 207, 214, 215, 222};
    for (int k = 158; k <= 191; ++k) lines.insert(k);
    return lines;
  }();
  return unused.count(line) != 0;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Splits LF-terminated lines; a last line without LF still counts as a line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ReadLanguageFile(const std::string& name) {
  return SplitLines(ReadWholeFile(kLanguageFolder + name));
}

class LanguageFileTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    bytes_ = ReadWholeFile(kLanguageFolder + GetParam());
    ASSERT_FALSE(bytes_.empty()) << "cannot read " << kLanguageFolder << GetParam();
    lines_ = SplitLines(bytes_);
  }

  // The line, or an empty text when the file is too short (the line-count test reports that).
  std::string Line(int k) const { return k < static_cast<int>(lines_.size()) ? lines_[k] : std::string(); }

  std::string bytes_;
  std::vector<std::string> lines_;
};

TEST_P(LanguageFileTest, IsUtf8WithLfLineEnds) {
  // The decoder turns every byte of a malformed sequence into U+FFFD, which no line needs.
  EXPECT_EQ(Utf8ToCodePoints(bytes_).find(U'\uFFFD'), std::u32string::npos) << "not well-formed UTF-8";
  EXPECT_NE(bytes_.compare(0, 3, "\xEF\xBB\xBF"), 0) << "byte-order mark";
  EXPECT_EQ(bytes_.find('\r'), std::string::npos) << "carriage return";
}

TEST_P(LanguageFileTest, HasOneLineForEveryMessageTableLine) {
  EXPECT_EQ(lines_.size(), static_cast<size_t>(kLineCount));
  EXPECT_EQ(bytes_.back(), '\n') << "the last line lacks its line end";
}

TEST_P(LanguageFileTest, FillsExactlyTheLinesTheEditorReads) {
  for (int k = 0; k < kLineCount; ++k) {
    if (IsUnusedLine(k)) {
      EXPECT_TRUE(Line(k).empty()) << "line " << k << " is not read but holds \"" << Line(k) << '"';
    } else {
      EXPECT_FALSE(Line(k).empty()) << "line " << k << " is read but empty";
    }
  }
}

TEST_P(LanguageFileTest, OnlyThePageLabelWordsCarryOuterBlanks) {
  const std::string label11 = Line(11);
  const std::string label12 = Line(12);
  ASSERT_GE(label11.size(), 2u);
  ASSERT_GE(label12.size(), 3u);
  EXPECT_EQ(label11.back(), ' ');
  EXPECT_NE(label11[label11.size() - 2], ' ');
  EXPECT_NE(label11.front(), ' ');
  EXPECT_EQ(label12.front(), ' ');
  EXPECT_EQ(label12.back(), ' ');
  EXPECT_NE(label12[1], ' ');
  EXPECT_NE(label12[label12.size() - 2], ' ');

  const std::string outerBlanks = " \t";
  for (int k = 0; k < kLineCount; ++k) {
    const std::string line = Line(k);
    if (k == 11 || k == 12 || line.empty()) continue;
    EXPECT_EQ(outerBlanks.find(line.front()), std::string::npos) << "line " << k << " starts with a blank";
    EXPECT_EQ(outerBlanks.find(line.back()), std::string::npos) << "line " << k << " ends with a blank";
  }
}

TEST_P(LanguageFileTest, PrintQualityListHoldsTheWordsTheDialogComparesWith) {
  EXPECT_EQ(Line(156), Line(197));
  EXPECT_EQ(Line(157), Line(198));
  EXPECT_NE(Line(197), Line(198));
}

// '&' marks a menu accelerator: exactly one, before a visible character, in the four top-level
// menu captions, and nowhere else, where it would vanish from the caption.
TEST_P(LanguageFileTest, AcceleratorsOnlyInTheTopLevelMenus) {
  const std::set<int> menus{17, 27, 32, 57};
  for (int k = 0; k < kLineCount; ++k) {
    const std::string line = Line(k);
    const size_t amp = line.find('&');
    if (menus.count(k) == 0) {
      EXPECT_EQ(amp, std::string::npos) << "line " << k << ": " << line;
      continue;
    }
    ASSERT_NE(amp, std::string::npos) << "line " << k << " has no accelerator";
    EXPECT_EQ(line.find('&', amp + 1), std::string::npos) << "line " << k << ": " << line;
    ASSERT_LT(amp + 1, line.size()) << "line " << k;
    EXPECT_NE(line[amp + 1], ' ') << "line " << k;
  }
}

TEST_P(LanguageFileTest, KeepsTheEditMenuSeparator) {
  // Line 65 is the caption of the separator item `Align1`; any other text makes it a dead item.
  EXPECT_EQ(Line(65), "-");
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageFileTest,
                         ::testing::Values("Nederlands.ver", "frans.ver", "engels.ver"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           std::string name = param.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(DutchLanguageFile, RepeatsTheBuiltInMessages) {
  const std::map<int, std::string> builtIn{
      {5, "Dit bestand moet eerst bewaard worden."},
      {6, "Wilt u eerst de wijzigingen opslaan?"},
      {7, "Wilt u dit bestand overschrijven?"},
      {8, "Deze pagina is ingesteld als liggende pagina, dit terrein zal niet juist weergegeven worden, "
          "wilt u verdergaan?"},
      {9, "Wilt u dit bestand overschrijven?"},
      {10, "Bent u zeker dat u deze pagina wilt verwijderen?"},
      {11, "Pagina "},
      {12, " van "},
      {13, "Bevestigen"},
      {15, "Pagina opslaan als afbeelding."},
  };
  const std::vector<std::string> dutch = ReadLanguageFile("Nederlands.ver");
  ASSERT_EQ(dutch.size(), static_cast<size_t>(kLineCount));
  for (const auto& [line, text] : builtIn) EXPECT_EQ(dutch[line], text) << "line " << line;
}

TEST(TranslatedLanguageFiles, TranslateEveryLineTheEditorReads) {
  // Texts that are the same word in Dutch and in the translation ("-" is the menu separator).
  const std::map<std::string, std::set<std::string>> sameAsDutch{
      {"frans.ver", {"-", "Auteur"}},
      {"engels.ver", {"-", "Help"}},
  };
  const std::vector<std::string> dutch = ReadLanguageFile("Nederlands.ver");
  ASSERT_EQ(dutch.size(), static_cast<size_t>(kLineCount));
  for (const auto& [file, allowed] : sameAsDutch) {
    const std::vector<std::string> translated = ReadLanguageFile(file);
    ASSERT_EQ(translated.size(), static_cast<size_t>(kLineCount)) << file;
    for (int k = 0; k < kLineCount; ++k) {
      if (IsUnusedLine(k) || allowed.count(dutch[k]) != 0) continue;
      EXPECT_NE(translated[k], dutch[k]) << file << " line " << k << " is still Dutch";
    }
  }
}

TEST(TranslatedLanguageFiles, PageLabelWordsAreTranslatedWithTheirBlanks) {
  const std::vector<std::string> french = ReadLanguageFile("frans.ver");
  const std::vector<std::string> english = ReadLanguageFile("engels.ver");
  ASSERT_EQ(french.size(), static_cast<size_t>(kLineCount));
  ASSERT_EQ(english.size(), static_cast<size_t>(kLineCount));
  EXPECT_EQ(french[11] + "1" + french[12] + "3", "Page 1 sur 3");
  EXPECT_EQ(english[11] + "1" + english[12] + "3", "Page 1 of 3");
}

}  // namespace
}  // namespace kivrano
