// png_writer.cpp - page images as palette PNGs: libpng frames them, libdeflate packs the rows.
#include "preview/png_writer.h"

#include <libdeflate.h>
#include <png.h>

#include <array>
#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <string>

#include "base/replacing_file.h"
#include "preview/book_files.h"

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

// libdeflate's fastest level: pages are long runs of white with short strokes, which it
// packs about as small as zlib's run-length mode in a third of the time.
constexpr int kIdatLevel = 1;

// The palette entries an image needs: the reader's four colours, and grey once it is used.
png_uint_32 PaletteEntries(const TPageImage& image) {
    const std::vector<TInk>& pixels = image.Pixels();
    const bool grey = image.MayHoldGrey() &&
                      std::memchr(pixels.data(), static_cast<int>(TInk::Grey), pixels.size());
    return grey ? kPalette.size() : 4;
}

std::uint32_t FromLittleEndian(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) {
        v = (v >> 24) | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | (v << 24);
    }
    return v;
}

// PNG's image data before compression: each row led by filter type 0 (none), then its
// `depth`-bit palette indices, leftmost pixel in the high bits.
void FilteredRows(const TPageImage& image, int depth, std::vector<std::uint8_t>& rows) {
    const std::size_t width = static_cast<std::size_t>(image.Width());
    const std::size_t perByte = 8 / static_cast<std::size_t>(depth);
    const std::size_t stride = (width + perByte - 1) / perByte;
    const std::size_t whole = width / perByte;  // bytes with no padding pixel
    rows.resize((1 + stride) * static_cast<std::size_t>(image.Height()));
    const auto* in = reinterpret_cast<const std::uint8_t*>(image.Pixels().data());
    std::uint8_t* out = rows.data();
    for (int y = 0; y < image.Height(); ++y, in += width) {
        *out++ = 0;
        const std::uint8_t* pixel = in;
        std::size_t i = 0;
        if (depth == 2) {
            // Four pixels a byte, read four at a time.
            for (; i < whole; ++i, pixel += 4) {
                std::uint32_t four;
                std::memcpy(&four, pixel, sizeof four);
                four = FromLittleEndian(four);
                *out++ = static_cast<std::uint8_t>((four & 3) << 6 | (four >> 8 & 3) << 4 |
                                                   (four >> 16 & 3) << 2 | (four >> 24 & 3));
            }
        }
        for (; i < whole; ++i) {
            unsigned byte = 0;
            for (std::size_t k = 0; k < perByte; ++k) byte = byte << depth | *pixel++;
            *out++ = static_cast<std::uint8_t>(byte);
        }
        if (whole < stride) {
            unsigned byte = 0;
            for (std::size_t k = 0; k < perByte; ++k) {
                byte = byte << depth | (pixel < in + width ? *pixel++ : 0u);
            }
            *out++ = static_cast<std::uint8_t>(byte);
        }
    }
}

// The libpng calls alone, apart from every C++ object: libpng reports errors by longjmp to
// the setjmp here, which must not jump over a destructor.
struct TPngJob {
    png_uint_32 width;
    png_uint_32 height;
    int depth;
    const png_color* palette;
    int entries;
    const std::vector<std::uint8_t>* idat;
    std::vector<std::uint8_t>* out;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

// libpng writes the signature, header, palette and end; the image data it is handed ready
// compressed, as one IDAT chunk.
bool RunPng(const TPngJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, job.out, AppendBytes, Flush);
    png_set_IHDR(png, info, job.width, job.height, job.depth, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_PLTE(png, info, job.palette, job.entries);
    png_write_info(png, info);
    static constexpr png_byte kIdat[5] = "IDAT";
    static constexpr png_byte kIend[5] = "IEND";
    png_write_chunk(png, kIdat, job.idat->data(), job.idat->size());
    png_write_chunk(png, kIend, nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void TPngEncoder::Free::operator()(libdeflate_compressor* compressor) const {
    libdeflate_free_compressor(compressor);
}

TPngEncoder::TPngEncoder() : compressor_(libdeflate_alloc_compressor(kIdatLevel)) {
    if (!compressor_) {
        throw TPreviewError("PNG encoding failed");
    }
}

TPngEncoder::~TPngEncoder() = default;

std::vector<std::uint8_t> TPngEncoder::Encode(const TPageImage& image) {
    std::array<png_color, kPalette.size()> palette{};
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        palette[i] = png_color{kPalette[i].r, kPalette[i].g, kPalette[i].b};
    }
    const int entries = static_cast<int>(PaletteEntries(image));
    const int depth = entries <= 4 ? 2 : 4;
    FilteredRows(image, depth, rows_);
    idat_.resize(libdeflate_zlib_compress_bound(compressor_.get(), rows_.size()));
    const std::size_t size = libdeflate_zlib_compress(compressor_.get(), rows_.data(), rows_.size(),
                                                      idat_.data(), idat_.size());
    if (size == 0) {
        throw TPreviewError("PNG encoding failed");
    }
    idat_.resize(size);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(idat_.size() + 256);
    const TPngJob job{static_cast<png_uint_32>(image.Width()),
                      static_cast<png_uint_32>(image.Height()),
                      depth,
                      palette.data(),
                      entries,
                      &idat_,
                      &bytes};
    if (!RunPng(job)) {
        throw TPreviewError("PNG encoding failed");
    }
    return bytes;
}

void TPngEncoder::Write(const TPageImage& image, const fs::path& path) {
    const std::vector<std::uint8_t> bytes = Encode(image);
    try {
        // Pictures are made again at will, so they are not sent to the disk one by one.
        WriteWholeFile(path,
                       std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const EOutputError& e) {
        const int error = e.Error();
        throw TPreviewError("Can not write " + path.string() + ": " +
                            (error != 0 ? std::strerror(error) : "not a regular file"));
    }
}

std::vector<std::uint8_t> EncodePng(const TPageImage& image) {
    return TPngEncoder().Encode(image);
}

void WritePng(const TPageImage& image, const fs::path& path) {
    TPngEncoder().Write(image, path);
}

}  // namespace quorix::preview
