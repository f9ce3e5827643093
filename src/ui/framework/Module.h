// The plug-in module itself: its instance handle (resources come from here, never from the host
// program) and UTF-8 <-> UTF-16 text for the W functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumbra {

HINSTANCE PluginModule();

// A string of the module's string table; empty when there is none.
std::wstring LoadResourceString(int id);

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace lumbra
