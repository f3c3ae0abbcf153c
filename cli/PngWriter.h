#pragma once

#include <string>

#include "fractal/PreviewGrid.h"

namespace halcyone::cli {

// Writes the 200 x 200 preview as an 8-bit RGB PNG. On failure returns false with a reason;
// no file is left at `path` (it is written beside and renamed into place).
bool writePreviewPng(const std::string& path, const PreviewColours& pixels, std::string& error);

}  // namespace halcyone::cli
