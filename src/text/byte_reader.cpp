// byte_reader.cpp - reading sources from files and memory.
#include "text/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "text/text_error.h"

namespace quorix {

TFileReader::TFileReader(const std::filesystem::path& path) : path_(path) {
    struct stat info {};
    if (const int error = OpenForReading(path, fd_, info); error != 0) {
        throw TTextError("Can not open " + path.string() + ": " + std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        throw TTextError("Can not read " + path.string() + ": not a regular file");
    }
}

TFileReader::~TFileReader() = default;

std::size_t TFileReader::Read(char* buffer, std::size_t count) {
    for (;;) {
        ssize_t n = ::pread(fd_.Get(), buffer, count, static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw TTextError("Can not read " + path_.string() + ": " + std::strerror(errno));
        position_ += static_cast<std::uint64_t>(n);
        return static_cast<std::size_t>(n);
    }
}

std::string ReadUpTo(TByteReader& reader, std::size_t count) {
    std::string start(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        std::size_t n = reader.Read(start.data() + got, count - got);
        if (n == 0) break;
        got += n;
    }
    start.resize(got);
    return start;
}

std::size_t TMemoryReader::Read(char* buffer, std::size_t count) {
    std::size_t n = std::min(count, bytes_.size() - position_);
    std::copy_n(bytes_.data() + position_, n, buffer);
    position_ += n;
    return n;
}

}  // namespace quorix
