#pragma once

// Where the drill editor keeps its settings: each place of the original desktop (a registry key,
// private settings files, the user's registry area) is a group of the settings store.

namespace kivrano {

// The program's key: the language number and the drawings folder name.
inline constexpr const char* kProgramGroup = "kivrano";
inline constexpr const char* kLanguageKey = "talen";
inline constexpr const char* kFolderKey = "map";

// View and dialog settings of the main window.
inline constexpr const char* kViewGroup = "view";
inline constexpr const char* kPrintQualityKey = "PrintQuality";
inline constexpr const char* kRenderDpiKey = "RenderDPI";
inline constexpr const char* kSplitterKey = "Splitter";
inline constexpr const char* kSaveFolderKey = "SaveDialogInitialDir";

// Captions, hints and message lines of the last run.
inline constexpr const char* kCaptionsGroup = "captions";
inline constexpr const char* kMessagesGroup = "berichtvensters";
// A value of the captions store that nothing reads, kept with its default.
inline constexpr const char* kNotesGroup = "berichten";

// The user's own settings: the print quality word of the page settings dialog.
inline constexpr const char* kUserGroup = "user";
inline constexpr const char* kPrintQualityWordKey = "Kwaliteit2";

}  // namespace kivrano
