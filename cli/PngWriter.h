#pragma once

#include <string>

#include "files/FileResult.h"
#include "fractal/PreviewGrid.h"

namespace halcyone::cli {

// Writes the 200 x 200 preview as an 8-bit RGB PNG through SafeFile: on failure an existing
// file at `path` is left as it was.
FileResult writePreviewPng(const std::string& path, const PreviewColours& pixels);

}  // namespace halcyone::cli
