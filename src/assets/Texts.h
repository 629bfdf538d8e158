// The text table: every text the player sees is an entry 0 … 999. The table
// starts with the built-in English texts; a language file from the archive
// replaces entries by number. "~" inside an entry is a line break, and a text
// in level data that reads "~N" stands for entry N.
#pragma once

#include "app/Version.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t TextCount = 1000;
// The loading screen's line, revealed as a level loads.
constexpr int32_t TextLoading = 1;

extern std::u16string TextTable[TextCount];
// Set by a loaded language file: the window title and the start window's version line.
extern std::u16string ApplicationTitle;
extern std::u16string VersionLine;

void ResetTexts();
// Built-in texts, then the language file for the name ("english", "slovak", …;
// anything else, or a missing file, falls back to the Russian one).
void SetLanguage(const std::string& languageName);
bool LoadLanguageFile(const std::string& path);
// Parses a language file held in memory into the table.
void ParseLanguageFile(const std::vector<uint8_t>& bytes);
std::u16string Text(int32_t id);
// "~N" → entry N (empty above 999); any other text as it is.
std::u16string ResolveReference(const std::u16string& text);
std::u16string LevelTask(const std::string& levelFileName);
std::u16string LevelHint(const std::string& levelFileName);
// The title of a game level (entries 100 … 139), empty for any other name.
std::u16string LevelTitle(const std::string& levelFileName);

// Conversions at the edges: UTF-8 ↔ UTF-16, and Windows-1252 bytes → UTF-16.
std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const std::u16string& s);
std::u16string Ansi1252ToUtf16(const std::string& s);
