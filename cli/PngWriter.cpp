#include "cli/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

#include "files/SafeFile.h"

namespace halcyone::cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// libpng reports errors by longjmp; keep everything with a destructor outside this function
// (the vector it appends to belongs to the caller).
bool encode(const std::vector<png_bytep>& rows, Bytes& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendToBytes, flushNothing);
    png_set_IHDR(png, info, previewSize, previewSize, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

FileResult writePreviewPng(const std::string& path, const PreviewColours& pixels) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(previewSize) * previewSize * 3);
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        rgb[3 * k] = static_cast<unsigned char>(redOf(pixels[k]));
        rgb[3 * k + 1] = static_cast<unsigned char>(greenOf(pixels[k]));
        rgb[3 * k + 2] = static_cast<unsigned char>(blueOf(pixels[k]));
    }
    std::vector<png_bytep> rows(previewSize);
    for (int j = 0; j < previewSize; ++j) rows[j] = rgb.data() + j * previewSize * 3;

    Bytes png;
    png.reserve(rgb.size() + 4096);  // more than the encoding needs: no allocation under libpng
    if (!encode(rows, png)) return fileFailure(FileOutcome::CantWrite, 0, "PNG encoding failed");
    return writeWholeFile(path, png);
}

}  // namespace halcyone::cli
