// Which entry of the layout or ruler list shows a preset's layout or ruler name.
#pragma once

#include <string>
#include <vector>

namespace lumbra {

// The index among `entries` (the stored names, in list order) of the entry for `name`: the
// entry equal to it ignoring case; -1 for "latest" and when no entry is equal (the list then
// shows "<最新の設定>"). A stored name that merely begins with `name` ("latest-old" for "latest")
// is never chosen: the list would show, and Apply save, another record than the one drawn. Names
// are UTF-8; case is ignored for the Latin letters A to Z, ASCII and full-width.
int MatchingEntry(const std::vector<std::string>& entries, const std::string& name);

}  // namespace lumbra
