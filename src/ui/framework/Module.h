// The plug-in module itself: its instance handle (resources come from here, never from the host
// program) and UTF-8 <-> UTF-16 text for the W functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumbra {

HINSTANCE PluginModule();

// A string of the module's string table in the language in use; empty when there is none.
std::wstring LoadResourceString(int id);
// Puts the texts of a window made from one of the module's templates, its caption and its
// controls', into the language in use (the templates hold the Japanese).
void LocalizeWindowTexts(HWND window);

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace lumbra
