#include "files/FileNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace halcyone {

std::string withExtension(const std::string& path, std::string_view extension,
                          std::initializer_list<std::string_view> accepted) {
    std::string own = std::filesystem::path(path).extension().string();
    if (!own.empty()) own.erase(0, 1);  // the dot
    std::transform(own.begin(), own.end(), own.begin(), [](unsigned char c) { return std::tolower(c); });
    if (std::find(accepted.begin(), accepted.end(), own) != accepted.end()) return path;
    return path + "." + std::string(extension);
}

}  // namespace halcyone
