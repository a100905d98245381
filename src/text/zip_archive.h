// zip_archive.h - reading entries of a ZIP container (EPUB, zipped FB2) through libzip.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/byte_reader.h"

struct zip;
struct zip_file;

namespace quorix {

class TZipArchive {
  public:
    // nullopt when the bytes are no ZIP archive libzip can open.
    static std::optional<TZipArchive> Open(const std::filesystem::path& path);
    // The same, with libzip's reason in `why` when the archive cannot be opened.
    static std::optional<TZipArchive> Open(const std::filesystem::path& path, std::string& why);
    static std::optional<TZipArchive> OpenMemory(std::string_view bytes);
    ~TZipArchive();
    TZipArchive(TZipArchive&& other) noexcept;
    TZipArchive& operator=(TZipArchive&&) = delete;

    std::vector<std::string> Names() const;
    bool Has(const std::string& name) const;
    bool Encrypted(const std::string& name) const;
    // The entry's size as its directory records it; nullopt when there is no such entry.
    std::optional<std::uint64_t> Size(const std::string& name) const;
    // The whole entry, when it is at most `limit` bytes; raises TTextError otherwise.
    std::string ReadAll(const std::string& name, std::size_t limit) const;
    // A streaming reader of one entry.
    std::unique_ptr<TByteReader> Reader(const std::string& name) const;

  private:
    explicit TZipArchive(zip* archive) : archive_(archive) {}
    zip* archive_;
};

}  // namespace quorix
