// File names the export commands write to.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace halcyone {

// `path` when its extension is one of `accepted` (in any case), else `path` with "." and
// `extension` appended: an export never writes into a file named as something else, such as a
// set-up typed by mistake ("piece.mpr" becomes "piece.mpr.wav").
std::string withExtension(const std::string& path, std::string_view extension,
                          std::initializer_list<std::string_view> accepted);

}  // namespace halcyone
