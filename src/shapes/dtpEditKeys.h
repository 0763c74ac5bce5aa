#pragma once

// Virtual key codes and control characters of in-place text editing.

namespace kivrano {

constexpr int kKeyCtrlBreak = 3;
constexpr int kKeyBackspace = 8;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyExecute = 43;
constexpr int kKeyDelete = 46;
constexpr int kKeyF2 = 113;

// Typed control characters of the clipboard keys.
constexpr char32_t kCharCopy = 3;     // Ctrl+C
constexpr char32_t kCharPaste = 22;   // Ctrl+V
constexpr char32_t kCharCut = 24;     // Ctrl+X

}  // namespace kivrano
