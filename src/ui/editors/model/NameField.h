// The length rule of the name-entry field: at most 30 units, counted as code page 932 counts
// them (one for ASCII and half-width katakana, two for a Japanese character), so that a name
// holds at most 15 Japanese characters whatever the edit control itself counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumbra {

inline constexpr std::size_t kNameFieldLimit = 30;

// The code page 932 length of UTF-8 text. A character code page 932 cannot hold counts two,
// as wide as a double-byte character (the data layer refuses such names anyway).
std::size_t Cp932Length(std::string_view utf8);

// The longest beginning of the text that fits in `limit` units, never ending inside a character.
std::string CutToCp932Length(std::string_view utf8, std::size_t limit);

// The field after a change keeps the rule the way a limited edit does: of what the change
// inserted only as much as still fits stays. `before` is the text before the change, `after`
// the text after it; the result is the text the field should show and the caret (a byte offset
// into it) just behind what was kept of the insertion. Nothing when `after` can stay as it is.
struct FittedName {
  std::string text;
  std::size_t caret = 0;
};
std::optional<FittedName> FitNameEdit(std::string_view before, std::string_view after,
                                      std::size_t limit = kNameFieldLimit);

}  // namespace lumbra
