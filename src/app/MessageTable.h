#pragma once

// The message table of the drill editor: the localisable texts addressed by line number, with the
// built-in Dutch lines, and the language files that replace them.

#include <string>
#include <vector>

namespace kivrano {

// Lines a complete language file holds.
constexpr int kLanguageLineCount = 260;

// Lines the program itself reads as messages.
enum TMessageLine {
  mlSaveFirst = 5,
  mlSaveChanges = 6,
  mlOverwrite = 7,
  mlLandscapePitch = 8,
  mlOverwriteSaveAs = 9,
  mlDeletePage = 10,
  mlPage = 11,
  mlOf = 12,
  mlConfirm = 13,
  mlSavePicture = 15,
  mlPrintQualityMedium = 197,
  mlPrintQualityLow = 198,
};

class TMessageTable {
 public:
  // The built-in lines.
  TMessageTable();

  // The text of line index; empty for lines the table does not hold.
  const std::string& Line(int index) const;
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
  // Back to the built-in lines.
  void ResetToBuiltIn();
  // The lines of a language file replace the table's first lines; lines the file lacks keep
  // what the table held.
  void Replace(const std::vector<std::string>& lines);

 private:
  std::vector<std::string> lines_;
};

// The language file of a language number, empty for numbers without one.
std::string LanguageFileName(int languageNumber);
// The language number for a locale name such as "nl_BE": 1 Dutch, 2 French, 3 English, 0 for
// languages without a file.
int LanguageOfLocale(const std::string& localeName);

// The first folder of folders holding fileName, as the path of the file; empty when none does.
std::string FindLanguageFile(const std::vector<std::string>& folders, const std::string& fileName);
// Reads a language file's lines (UTF-8, or "windows-1252" when not valid UTF-8). Raises an
// Exception naming the file when it cannot be read.
std::vector<std::string> ReadLanguageFile(const std::string& path);

}  // namespace kivrano
