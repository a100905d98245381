// png_writer.cpp - page images through libpng's simplified writing interface.
#include "preview/png_writer.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <string>
#include <utility>

#include "preview/book_files.h"

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

// The palette entries an image needs: the reader's four colours, and grey once it is used.
png_uint_32 PaletteEntries(const TPageImage& image) {
    const std::vector<TInk>& pixels = image.Pixels();
    const bool grey = std::memchr(pixels.data(), static_cast<int>(TInk::Grey), pixels.size());
    return grey ? kPalette.size() : 4;
}

// Rows of `depth`-bit palette indices, leftmost pixel in the high bits, as PNG stores them.
std::vector<png_byte> PackRows(const TPageImage& image, int depth) {
    const std::size_t width = static_cast<std::size_t>(image.Width());
    const std::size_t perByte = 8 / static_cast<std::size_t>(depth);
    const std::size_t stride = (width + perByte - 1) / perByte;
    std::vector<png_byte> packed(stride * static_cast<std::size_t>(image.Height()));
    const auto* in = reinterpret_cast<const std::uint8_t*>(image.Pixels().data());
    png_byte* out = packed.data();
    for (int y = 0; y < image.Height(); ++y, in += width) {
        std::size_t x = 0;
        for (std::size_t i = 0; i < stride; ++i) {
            unsigned byte = 0;
            for (std::size_t k = 0; k < perByte; ++k, ++x) {
                byte = byte << depth | (x < width ? in[x] : 0u);
            }
            *out++ = static_cast<png_byte>(byte);
        }
    }
    return packed;
}

[[noreturn]] void Fail(const fs::path& path, int error) {
    throw TPreviewError("Can not write " + path.string() + ": " + std::strerror(error));
}

// A file descriptor closed when it goes out of scope.
class TFd {
  public:
    explicit TFd(int fd) : fd_(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// The libpng calls alone, apart from every C++ object: libpng reports errors by longjmp to
// the setjmp here, which must not jump over a destructor.
struct TPngJob {
    png_uint_32 width;
    png_uint_32 height;
    int depth;
    const png_color* palette;
    int entries;
    png_bytepp rows;
    std::vector<std::uint8_t>* out;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

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
    // Pages are flat: long runs of white with short strokes. Unfiltered rows under run-length
    // deflate come out about as small as with the default settings, in a fraction of the time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_IHDR(png, info, job.width, job.height, job.depth, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_PLTE(png, info, job.palette, job.entries);
    png_write_info(png, info);
    png_write_image(png, job.rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const TPageImage& image) {
    std::array<png_color, kPalette.size()> palette{};
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        palette[i] = png_color{kPalette[i].r, kPalette[i].g, kPalette[i].b};
    }
    const int entries = static_cast<int>(PaletteEntries(image));
    const int depth = entries <= 4 ? 2 : 4;
    std::vector<png_byte> packed = PackRows(image, depth);
    const std::size_t stride = packed.size() / static_cast<std::size_t>(image.Height());
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = packed.data() + y * stride;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(rows.size() * static_cast<std::size_t>(image.Width()) / 8 + 256);
    const TPngJob job{static_cast<png_uint_32>(image.Width()),
                      static_cast<png_uint_32>(image.Height()),
                      depth,
                      palette.data(),
                      entries,
                      rows.data(),
                      &bytes};
    if (!RunPng(job)) {
        throw TPreviewError("PNG encoding failed");
    }
    return bytes;
}

void WritePng(const TPageImage& image, const fs::path& path) {
    const std::vector<std::uint8_t> bytes = EncodePng(image);
    std::string temp = path.string() + ".XXXXXX";
    TFd fd(::mkstemp(temp.data()));
    if (fd.Get() < 0) {
        Fail(path, errno);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::unlink(temp.c_str());
            Fail(path, error);
        }
        done += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file the owner's alone; an image is for everyone to look at.
    if (::fchmod(fd.Get(), 0644) != 0 || ::close(fd.Release()) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(path, error);
    }
}

}  // namespace quorix::preview
