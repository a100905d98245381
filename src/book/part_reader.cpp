// part_reader.cpp - parts of the source text and their book.dat.
#include "book/part_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "book/book_error.h"
#include "book/byte_order.h"
#include "book/file_writer.h"

namespace quorix {
namespace fs = std::filesystem;

std::size_t CutLength(std::string_view read, bool fullRead) {
    if (!fullRead) return read.size();
    std::size_t last = read.find_last_of(".?!");
    return last == std::string_view::npos ? read.size() : last + 1;
}

TPartReader::~TPartReader() {
    Close();
}

std::uintmax_t TPartReader::Open(const fs::path& source) {
    Close();
    fd_ = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw TBookError(IoErrorMessage(errno));
    struct stat info {};
    if (::fstat(fd_, &info) != 0) throw TBookError(IoErrorMessage(errno));
    // A directory opens for reading here but can never be read as text.
    if (!S_ISREG(info.st_mode))
        throw TBookError(IoErrorMessage(S_ISDIR(info.st_mode) ? EISDIR : EIO));
    size_ = static_cast<std::uintmax_t>(info.st_size);
    position_ = 0;
    return size_;
}

std::uint64_t TPartReader::PlanParts(std::int32_t partSize) {
    partSize_ = partSize;
    std::uint64_t parts = 0;
    position_ = 0;
    while (position_ < size_) {
        TPart part = ReadCut();
        position_ += part.bytes.size();
        ++parts;
    }
    position_ = 0;
    return parts;
}

void TPartReader::UsePlan(std::vector<std::uint64_t> lengths) {
    plan_ = std::move(lengths);
    planned_ = 0;
    position_ = 0;
}

std::string_view TPartReader::ReadAt(std::uintmax_t position, std::size_t length) {
    // The buffer never holds more than what is left of the source.
    std::uintmax_t left = size_ - std::min(position, size_);
    std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(length, left));
    buffer_.resize(want);
    std::size_t got = 0;
    while (got < want) {
        ssize_t n =
            ::pread(fd_, buffer_.data() + got, want - got, static_cast<off_t>(position + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw TBookError(IoErrorMessage(errno));
        }
        if (n == 0) break;  // the file shrank under us: take what is there
        got += static_cast<std::size_t>(n);
    }
    buffer_.resize(got);
    return buffer_;
}

TPart TPartReader::ReadCut() {
    if (!plan_.empty()) {
        std::size_t want = planned_ < plan_.size() ? static_cast<std::size_t>(plan_[planned_]) : 0;
        ++planned_;
        std::string_view read = ReadAt(position_, want);
        return TPart{read, read.size() < want};
    }
    std::string_view read = ReadAt(position_, static_cast<std::size_t>(partSize_));
    bool fullRead = read.size() == static_cast<std::size_t>(partSize_);
    return TPart{read.substr(0, CutLength(read, fullRead)), !fullRead};
}

TPart TPartReader::NextPart(const fs::path& tempDir, TBuildLog& log) {
    TPart part = ReadCut();
    position_ += part.bytes.size();
    // Planning guarantees text after a cut, so a cut part is never the last one
    // for the driver's loop; only the real end of the source ends it.
    if (position_ >= size_) part.shortRead = true;
    std::string prefix;
    putU32BE(prefix, static_cast<std::uint32_t>(part.bytes.size()));
    fs::path path = tempDir / "book.dat";
    std::string_view pieces[] = {prefix, part.bytes};
    WriteRawFile(pieces, path);
    log.Add("Create text file " + path.string() + ", size " + std::to_string(part.bytes.size()) +
            " bytes");
    return part;
}

void TPartReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace quorix
