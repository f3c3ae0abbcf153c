#pragma once

#include <cstdio>
#include <string>

namespace halcyone::cli {

// A line on stderr: every message of the tool starts with its name.
inline void say(const std::string& message) {
    std::fprintf(stderr, "halcyone-cli: %s\n", message.c_str());
}

}  // namespace halcyone::cli
