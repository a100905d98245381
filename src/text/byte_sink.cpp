// byte_sink.cpp - buffered file output and bounded in-memory output of converted text.
#include "text/byte_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/text_error.h"

namespace quorix {
namespace {

constexpr std::size_t kFileBufferSize = 256 * 1024;

}  // namespace

TFileSink::TFileSink(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {
    buffer_.reserve(kFileBufferSize);
}

TFileSink::~TFileSink() = default;

void TFileSink::Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFileBufferSize) Flush();
}

void TFileSink::Flush() {
    std::string_view left(buffer_);
    while (!left.empty()) {
        ssize_t n = ::write(fd_.Get(), left.data(), left.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            throw TTextError("Can not write the converted text to " + path_.string() + ": " +
                             std::strerror(n < 0 ? errno : ENOSPC));
        }
        left.remove_prefix(static_cast<std::size_t>(n));
        written_ += static_cast<std::uint64_t>(n);
    }
    buffer_.clear();
}

void TFileSink::Finish() {
    Flush();
}

void TFileSink::CopyTo(TByteSink& to) {
    Flush();
    std::string chunk(kFileBufferSize, '\0');
    for (std::uint64_t at = 0;;) {
        ssize_t n = ::pread(fd_.Get(), chunk.data(), chunk.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            throw TTextError("Can not read " + path_.string() + ": " + std::strerror(errno));
        }
        if (n == 0) return;
        to.Write(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
        at += static_cast<std::uint64_t>(n);
    }
}

void TStringSink::Write(std::string_view bytes) {
    if (text_.size() + bytes.size() >= limit_) {
        text_.append(bytes.substr(0, limit_ - text_.size()));
        throw TSinkFull{};
    }
    text_.append(bytes);
}

bool HoldsText(std::string_view bytes) {
    return bytes.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

void LoneLfToCr(std::string& bytes, bool afterCr) {
    std::size_t made = std::string::npos;  // the last LF made CR: no CR of the text
    for (std::size_t at = bytes.find('\n'); at != std::string::npos;
         at = bytes.find('\n', at + 1)) {
        const bool crLf = at == 0 ? afterCr : bytes[at - 1] == '\r' && made != at - 1;
        if (!crLf) {
            bytes[at] = '\r';
            made = at;
        }
    }
}

void TLineEndSink::Write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (!holdsText_) holdsText_ = quorix::HoldsText(bytes);
    const bool afterCr = afterCr_;
    afterCr_ = bytes.back() == '\r';
    if (bytes.find('\n') == std::string_view::npos) {
        next_.Write(bytes);
        return;
    }
    copy_.assign(bytes);
    LoneLfToCr(copy_, afterCr);
    next_.Write(copy_);
}

}  // namespace quorix
