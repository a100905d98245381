// byte_sink.h - where converted text goes: a file, a string, or the next conversion step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/open_file.h"

namespace quorix {

class TByteSink {
  public:
    virtual ~TByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Passes on what a step still holds back; the end of the text.
    virtual void Finish() {}
};

// Appends to a file descriptor it owns, in large writes. Failures raise TTextError
// with the system's message and the file's path.
class TFileSink : public TByteSink {
  public:
    TFileSink(int fd, std::filesystem::path path);
    ~TFileSink() override;
    TFileSink(const TFileSink&) = delete;
    TFileSink& operator=(const TFileSink&) = delete;

    void Write(std::string_view bytes) override;
    void Finish() override;
    std::uint64_t Written() const { return written_ + buffer_.size(); }
    // Writes everything this file holds so far, from its start, to `to`.
    void CopyTo(TByteSink& to);

  private:
    void Flush();

    TOpenFile fd_;
    std::filesystem::path path_;
    std::string buffer_;
    std::uint64_t written_ = 0;
};

// Collects the text in memory, up to a limit: reaching it raises TSinkFull, which
// lets a reader stop as soon as it has given enough.
class TStringSink : public TByteSink {
  public:
    struct TSinkFull {};
    explicit TStringSink(std::size_t limit = std::string::npos) : limit_(limit) {}
    void Write(std::string_view bytes) override;
    const std::string& Text() const { return text_; }

  private:
    std::size_t limit_;
    std::string text_;
};

// Passes the text on with every lone LF made CR, the phone's line break (the reader
// skips LF); CR LF and CR stay as they are. Tells whether the text holds anything but
// spaces and line breaks.
class TLineEndSink : public TByteSink {
  public:
    explicit TLineEndSink(TByteSink& next) : next_(next) {}
    void Write(std::string_view bytes) override;
    void Finish() override { next_.Finish(); }
    bool HoldsText() const { return holdsText_; }

  private:
    TByteSink& next_;
    std::string copy_;
    bool afterCr_ = false;
    bool holdsText_ = false;
};

// Whether `bytes` hold a byte other than space, tab and line breaks.
bool HoldsText(std::string_view bytes);

// `bytes` with every lone LF made CR; `afterCr` tells whether a CR came just before.
void LoneLfToCr(std::string& bytes, bool afterCr = false);

}  // namespace quorix
