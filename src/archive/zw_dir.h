// zw_dir.h - the archive's directory: entries, their growable array and the manager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorix {

// The central directory header of one member, field by field in archive order.
struct TZWCentralHeader {
    std::uint32_t signature = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
};

// How an entry came into the working directory during the current update.
enum class TZWOperation : int { added = 0, replaced = 3 };

// One archive member: its central header followed by the writer's bookkeeping.
struct TZWEntry {
    TZWCentralHeader header;
    std::string storedName;
    std::string comment;
    bool pending = false;
    std::filesystem::path sourcePath;
    int level = 0;
    TZWOperation operation = TZWOperation::added;

    bool IsDirectory() const { return !storedName.empty() && storedName.back() == '/'; }
};

// The end of central directory record as the directory keeps it between commits.
struct TZWEndRecord {
    std::uint32_t signature = 0;
    std::uint16_t diskNumber = 0;
    std::uint16_t centralDirDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t centralDirSize = 0;
    std::uint32_t centralDirOffset = 0;
    std::uint16_t commentLength = 0;
};

// Growable array of entries. Capacity grows in doubling steps (1000, 3000, 7000,
// 15000, 25000, ...) so that adding many files does not reallocate per entry.
class TZWDirArray {
  public:
    static constexpr std::size_t kInitialStep = 500;
    static constexpr std::size_t kMaxStep = 10000;

    std::size_t Count() const { return entries_.size(); }
    std::size_t Capacity() const { return capacity_; }

    TZWEntry& operator[](std::size_t i) { return entries_[i]; }
    const TZWEntry& operator[](std::size_t i) const { return entries_[i]; }

    TZWEntry& Append(TZWEntry entry);
    void RemoveAt(std::size_t i);
    void Clear();

    // Index of the entry whose stored name equals `name` ignoring ASCII letter case.
    std::optional<std::size_t> Find(std::string_view name) const;

  private:
    void Grow(std::size_t requested);

    std::vector<TZWEntry> entries_;
    std::size_t capacity_ = 0;
    std::size_t step_ = kInitialStep;
};

// Owns the working directory that collection fills and the commit writes, and the
// committed snapshot that a failed commit rolls back to.
class TZWDirManager {
  public:
    TZWDirManager();

    TZWDirArray& Working() { return working_; }
    const TZWDirArray& Working() const { return working_; }
    const TZWDirArray& Committed() const { return committed_; }

    TZWEndRecord& EndRecord() { return endRecord_; }
    const std::string& Comment() const { return comment_; }

    // Where the first local header goes; nothing precedes it in a new archive.
    std::uint32_t EntriesOffset() const { return entriesOffset_; }

    // Where the data of committed entries ends and the central directory begins.
    std::uint64_t CommittedDataEnd() const { return committedDataEnd_; }
    void SetCommittedDataEnd(std::uint64_t end) { committedDataEnd_ = end; }

    // Clears every pending flag and keeps a copy of the working directory.
    void Snapshot();
    // Puts the working directory back to the last snapshot.
    void Rollback();

  private:
    TZWDirArray working_;
    TZWDirArray committed_;
    TZWEndRecord endRecord_;
    std::string comment_;
    std::uint32_t entriesOffset_ = 0;
    std::uint64_t committedDataEnd_ = 0;
};

}  // namespace quorix
