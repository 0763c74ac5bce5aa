#include "app/MessageTable.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include "base/Exception.h"
#include "platform/LanguageText.h"

namespace kivrano {

namespace {

const std::vector<std::string>& BuiltInLines() {
  static const std::vector<std::string> lines = {
      "", "", "", "", "",
      "Dit bestand moet eerst bewaard worden.",
      "Wilt u eerst de wijzigingen opslaan?",
      "Wilt u dit bestand overschrijven?",
      "Deze pagina is ingesteld als liggende pagina, dit terrein zal niet juist weergegeven worden, wilt u "
      "verdergaan?",
      "Wilt u dit bestand overschrijven?",
      "Bent u zeker dat u deze pagina wilt verwijderen?",
      "Pagina ",
      " van ",
      "Bevestigen",
      "",
      "Pagina opslaan als afbeelding.",
      "",
  };
  return lines;
}

}  // namespace

TMessageTable::TMessageTable() { ResetToBuiltIn(); }

const std::string& TMessageTable::Line(int index) const {
  static const std::string empty;
  if (index < 0 || index >= Count()) return empty;
  return lines_[static_cast<size_t>(index)];
}

void TMessageTable::ResetToBuiltIn() { lines_ = BuiltInLines(); }

void TMessageTable::Replace(const std::vector<std::string>& lines) {
  if (lines.size() > lines_.size()) lines_.resize(lines.size());
  std::copy(lines.begin(), lines.end(), lines_.begin());
}

std::string LanguageFileName(int languageNumber) {
  switch (languageNumber) {
    case 1:
    case 4: return "Nederlands.ver";
    case 2: return "frans.ver";
    case 3:
    case 5:
    case 6:
    case 7: return "engels.ver";
    default: return std::string();
  }
}

int LanguageOfLocale(const std::string& localeName) {
  const std::string language = localeName.substr(0, 2);
  if (language == "nl") return 1;
  if (language == "fr") return 2;
  if (language == "en") return 3;
  return 0;
}

std::string FindLanguageFile(const std::vector<std::string>& folders, const std::string& fileName) {
  if (fileName.empty()) return std::string();
  for (const std::string& folder : folders) {
    const QString path = QString::fromStdString(folder) + "/" + QString::fromStdString(fileName);
    if (QFileInfo(path).isFile()) return path.toStdString();
  }
  return std::string();
}

std::vector<std::string> ReadLanguageFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw Exception("Cannot open language file \"" + path + "\"");
  if (file.size() > static_cast<qint64>(kMaxLanguageFileSize)) {
    throw Exception("Language file too large: \"" + path + "\"");
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw Exception("Cannot read language file \"" + path + "\"");
  return DecodeLanguageLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace kivrano
