// Text encodings. The program works in UTF-8; names and strings inside record files are
// code page 932 so that data folders written on Japanese Windows read the same everywhere.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumbra {

// Both return nullopt when the text holds a character the other side cannot represent
// or is not valid in its own encoding.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

// True for the first byte of a double-byte character of code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// File system paths from and to UTF-8 (UTF-16 underneath on Windows).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace lumbra
