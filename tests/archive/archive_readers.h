// archive_readers.h - test helpers: our own header parser, a raw inflater, temporary
// trees and the three independent readers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorix::test {

struct ParsedEntry {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
    std::string data;  // the entry's data bytes as stored
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Parses end record, central directory and local headers; records a test failure when
// local and central headers disagree or a 0xFFFFFFFF placeholder is left.
std::vector<ParsedEntry> ParseArchive(const std::string& bytes);

// Inflates a raw deflate stream; records a failure when it does not end cleanly.
std::string InflateRaw(const std::string& data);

// The stored bytes of an entry in their original form.
std::string EntryContent(const ParsedEntry& e);

// unzip -t, Python's zipfile and Java's JarFile/JarInputStream, each compared with `tree`.
void CheckWithReaders(const std::filesystem::path& archive, const std::filesystem::path& tree,
                      bool expectManifest = false);

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Deterministic text-like bytes that compress moderately.
std::string SampleText(std::size_t size, unsigned seed = 1);

}  // namespace quorix::test
