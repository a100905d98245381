// byte_reader.h - where a source's bytes come from: a file, memory, or a ZIP entry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/open_file.h"

namespace quorix {

class TByteReader {
  public:
    virtual ~TByteReader() = default;
    // Reads up to `count` bytes; 0 only at the end.
    virtual std::size_t Read(char* buffer, std::size_t count) = 0;
    // Starts again from the first byte.
    virtual void Rewind() = 0;
};

// A regular file, opened read-only. Open failures raise TTextError.
class TFileReader : public TByteReader {
  public:
    explicit TFileReader(const std::filesystem::path& path);
    ~TFileReader() override;
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    std::size_t Read(char* buffer, std::size_t count) override;
    void Rewind() override { position_ = 0; }

  private:
    TOpenFile fd_;
    std::filesystem::path path_;
    std::uint64_t position_ = 0;
};

// Up to `count` bytes from the reader's position; fewer only at the end.
std::string ReadUpTo(TByteReader& reader, std::size_t count);

class TMemoryReader : public TByteReader {
  public:
    explicit TMemoryReader(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Read(char* buffer, std::size_t count) override;
    void Rewind() override { position_ = 0; }

  private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

}  // namespace quorix
