// png_writer.cpp - page images through libpng's simplified writing interface.
#include "preview/png_writer.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "preview/book_files.h"

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

// The palette entries an image needs: the reader's four colours, and grey once it is used.
png_uint_32 PaletteEntries(const TPageImage& image) {
    for (const TInk ink : image.Pixels()) {
        if (ink == TInk::Grey) {
            return kPalette.size();
        }
    }
    return 4;
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

}  // namespace

std::vector<std::uint8_t> EncodePng(const TPageImage& image) {
    std::array<std::uint8_t, 3 * kPalette.size()> colormap{};
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        colormap[3 * i] = kPalette[i].r;
        colormap[3 * i + 1] = kPalette[i].g;
        colormap[3 * i + 2] = kPalette[i].b;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.Width());
    png.height = static_cast<png_uint_32>(image.Height());
    png.format = PNG_FORMAT_RGB_COLORMAP;
    png.colormap_entries = PaletteEntries(image);
    const void* pixels = image.Pixels().data();  // TInk is one byte: the palette index
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels, 0, colormap.data())) {
        throw TPreviewError(std::string("PNG encoding failed: ") + png.message);
    }
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, pixels, 0, colormap.data())) {
        throw TPreviewError(std::string("PNG encoding failed: ") + png.message);
    }
    bytes.resize(size);
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
