#include "platform/WholeNumber.h"

namespace halcyone {

namespace {
constexpr std::size_t maxDigits = 18;  // below 2^63 whatever the digits
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<std::int64_t> wholeNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::int64_t leadingUnsigned(std::string_view text, std::int64_t ceiling) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    std::int64_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) break;
        value = value * 10 + (c - '0');
        if (value >= ceiling) return ceiling;
    }
    return value;
}

}  // namespace halcyone
