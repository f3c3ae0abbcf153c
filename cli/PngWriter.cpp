#include "cli/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace halcyone::cli {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// libpng reports errors by longjmp; keep everything with a destructor outside this function.
bool encode(std::FILE* file, const std::vector<png_bytep>& rows, std::string& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "PNG encoding failed";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, previewSize, previewSize, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePreviewPng(const std::string& path, const PreviewColours& pixels, std::string& error) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(previewSize) * previewSize * 3);
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        rgb[3 * k] = static_cast<unsigned char>(redOf(pixels[k]));
        rgb[3 * k + 1] = static_cast<unsigned char>(greenOf(pixels[k]));
        rgb[3 * k + 2] = static_cast<unsigned char>(blueOf(pixels[k]));
    }
    std::vector<png_bytep> rows(previewSize);
    for (int j = 0; j < previewSize; ++j) rows[j] = rgb.data() + j * previewSize * 3;

    const std::string temporary = path + ".part";
    bool ok = false;
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
        if (!file) {
            error = "can't create " + temporary;
            return false;
        }
        ok = encode(file.get(), rows, error);
        if (ok && (std::fflush(file.get()) != 0 || std::ferror(file.get()))) {
            error = "can't write " + temporary;
            ok = false;
        }
    }
    std::error_code fsError;
    if (ok) {
        std::filesystem::rename(temporary, path, fsError);
        if (!fsError) return true;
        error = "can't replace " + path + ": " + fsError.message();
    }
    std::filesystem::remove(temporary, fsError);
    return false;
}

}  // namespace halcyone::cli
