#pragma once

// The text of a language file: one message line per text line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivrano {

// Language files larger than this are refused.
constexpr size_t kMaxLanguageFileSize = 1 << 20;

bool IsValidUtf8(std::string_view bytes);
// The UTF-8 form of "windows-1252" text.
std::string Windows1252ToUtf8(std::string_view bytes);

// The lines of a language file as UTF-8: the bytes are read as UTF-8 when they are valid UTF-8,
// else as "windows-1252". A leading byte-order mark is dropped; lines end with LF or CR LF; a
// final line end adds no empty line. Raises "Language file too large" above kMaxLanguageFileSize.
std::vector<std::string> DecodeLanguageLines(std::string_view bytes);

}  // namespace kivrano
