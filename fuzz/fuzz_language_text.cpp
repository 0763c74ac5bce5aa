// Language files: any bytes decode to lines of valid UTF-8 or fail with a clear error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/Exception.h"
#include "platform/LanguageText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    for (const std::string& line : kivrano::DecodeLanguageLines(
             std::string_view(reinterpret_cast<const char*>(data), size))) {
      if (!kivrano::IsValidUtf8(line) || line.find('\n') != std::string::npos) std::abort();
    }
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
