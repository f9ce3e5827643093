// Which entry of the layout or ruler list shows a preset's layout or ruler name.
#pragma once

#include <string>
#include <vector>

namespace lumbra {

// The index among `entries` (the stored names, in list order) of the entry for `name`: the
// entry equal to it ignoring case, else the first entry that begins with it ignoring case;
// -1 when there is none (the list then shows "<最新の設定>"). Names are UTF-8; case is ignored
// for the Latin letters A to Z, ASCII and full-width.
int MatchingEntry(const std::vector<std::string>& entries, const std::string& name);

}  // namespace lumbra
