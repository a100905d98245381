// part_reader.cpp - parts of the source text and their book.dat.
#include "book/part_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/byte_order.h"
#include "base/replacing_file.h"
#include "book/book_error.h"
#include "book/file_writer.h"
#include "book/part_files.h"

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
    struct stat info {};
    if (const int error = OpenForReading(source, fd_, info); error != 0) {
        throw TBookError(IoErrorMessage(error));
    }
    // A directory opens for reading here but can never be read as text.
    if (S_ISDIR(info.st_mode)) throw TBookError(IoErrorMessage(EISDIR));
    // A FIFO or a device has no size to plan parts from and may never end.
    if (!S_ISREG(info.st_mode)) throw TBookError(std::string(kMsgNotRegularFile) + source.string());
    path_ = source;
    size_ = static_cast<std::uintmax_t>(info.st_size);
    position_ = 0;
    planned_ = false;
    return size_;
}

std::uint64_t TPartReader::PlanParts(std::int32_t partSize) {
    partSize_ = partSize;
    std::uint64_t parts = 0;
    position_ = 0;
    while (position_ < size_) {
        TPart part = ReadCut(buffer_);
        position_ += part.bytes.size();
        ++parts;
    }
    position_ = 0;
    planned_ = true;
    buffer_ = std::string();  // parts are read into their makers' own buffers
    return parts;
}

void TPartReader::ThrowChanged(std::uintmax_t now) const {
    throw TBookError(std::string(kMsgSourceChanged) + path_.string() + " was " +
                     std::to_string(size_) + " bytes, now " + std::to_string(now));
}

void TPartReader::CheckFullyRead() const {
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) throw TBookError(IoErrorMessage(errno));
    const auto now = static_cast<std::uintmax_t>(info.st_size);
    if (position_ != size_ || now != size_) ThrowChanged(now);
}

void TPartReader::UsePlan(std::vector<std::uint64_t> lengths) {
    plan_ = std::move(lengths);
    nextPlanned_ = 0;
    position_ = 0;
    planned_ = true;
    buffer_ = std::string();  // parts are read into their makers' own buffers
}

std::string_view TPartReader::ReadAt(std::uintmax_t position, std::size_t length) {
    return ReadInto(position, length, buffer_);
}

std::string_view TPartReader::ReadInto(std::uintmax_t position, std::size_t length,
                                       std::string& buffer) {
    // The buffer never holds more than what is left of the source.
    std::uintmax_t left = size_ - std::min(position, size_);
    std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(length, left));
    buffer.resize(want);
    std::size_t got = 0;
    while (got < want) {
        ssize_t n =
            ::pread(fd_.Get(), buffer.data() + got, want - got, static_cast<off_t>(position + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw TBookError(IoErrorMessage(errno));
        }
        if (n == 0) {
            // The file shrank under us: while planning, take what is there; once the
            // parts are planned, their bytes must all be delivered.
            if (!planned_) break;
            struct stat info {};
            ThrowChanged(::fstat(fd_.Get(), &info) == 0 ? static_cast<std::uintmax_t>(info.st_size)
                                                        : position + got);
        }
        got += static_cast<std::size_t>(n);
    }
    buffer.resize(got);
    return buffer;
}

TPart TPartReader::ReadCut(std::string& buffer) {
    if (!plan_.empty()) {
        std::size_t want =
            nextPlanned_ < plan_.size() ? static_cast<std::size_t>(plan_[nextPlanned_]) : 0;
        ++nextPlanned_;
        std::string_view read = ReadInto(position_, want, buffer);
        return TPart{read, read.size() < want};
    }
    std::string_view read = ReadInto(position_, static_cast<std::size_t>(partSize_), buffer);
    bool fullRead = read.size() == static_cast<std::size_t>(partSize_);
    return TPart{read.substr(0, CutLength(read, fullRead)), !fullRead};
}

TPart TPartReader::NextPart(const fs::path& tempDir, TBuildLog& log) {
    TPart part = ReadNext(buffer_);
    WriteBookDat(part.bytes, tempDir, log);
    return part;
}

TPart TPartReader::ReadNext(std::string& buffer) {
    TPart part = ReadCut(buffer);
    position_ += part.bytes.size();
    // Planning guarantees text after a cut, so a cut part is never the last one
    // for the driver's loop; only the real end of the source ends it.
    if (position_ >= size_) part.shortRead = true;
    return part;
}

void TPartReader::WriteBookDat(std::string_view part, const fs::path& tempDir, TBuildLog& log) {
    std::string prefix;
    putU32BE(prefix, static_cast<std::uint32_t>(part.size()));
    fs::path path = tempDir / kBookDatName;
    std::string_view pieces[] = {prefix, part};
    WriteRawFile(pieces, path);
    log.Add("Create text file " + path.string() + ", size " + std::to_string(part.size()) +
            " bytes");
}

void TPartReader::Close() {
    fd_.Reset();
}

}  // namespace quorix
