// Reading what a user typed into a number field.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace halcyone {

// The value of `text` when it is a whole decimal number (an optional sign, then digits only,
// at most 18 of them); nothing otherwise. Up-downs take typed text up only when this gives a
// value within their range.
std::optional<std::int64_t> wholeNumber(std::string_view text);

// `text` read as an unsigned decimal number: its leading digits after any blanks, 0 when there
// are none; values past `ceiling` become `ceiling`. So "500" gives 500, "12ab" 12, "abc" 0.
std::int64_t leadingUnsigned(std::string_view text, std::int64_t ceiling);

}  // namespace halcyone
