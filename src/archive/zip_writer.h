// zip_writer.h - the archive writer: settings, the update cycle and the commit that
// writes local headers, entry data, the central directory and the end record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

#include "archive/archive_file.h"
#include "archive/entry_compressor.h"
#include "archive/file_collector.h"
#include "archive/zw_dir.h"
#include "archive/zw_exception.h"

namespace quorix {

enum class TZWCompressionLevel { clNone, clFastest, clNormal, clMax };

// The answer to a failed entry: write it again, leave it out, or give up the commit.
enum class TZWAction { actRetry, actSkip, actAbort };

enum class TZWOverwriteMode { omAlways, omNever };

struct TZWOptions {
    TZWStorePath storePath = TZWStorePath::spRelativePath;
    bool recurse = true;
    TZWOverwriteMode overwriteMode = TZWOverwriteMode::omAlways;
    // Collection raises code 33 for a directory it cannot list instead of skipping it.
    bool failOnUnreadable = false;
    // After a commit the archive file is flushed to the disk.
    bool flushBuffers = true;
    // Asked before each entry and each block of a large one; true ends the commit with
    // EZWInterrupted. Empty: never.
    std::function<bool()> stopRequested = nullptr;
};

struct TZWFailureInfo {
    std::filesystem::path sourcePath;
    TZWOperation operation = TZWOperation::added;
    int nativeError = 0;
    std::string message;
};

class TZWBaseArchiver {
  public:
    // Sources up to this size are read whole and deflated in memory.
    static constexpr std::uint64_t kInMemoryEntrySize = 1024 * 1024;

    virtual ~TZWBaseArchiver();
    TZWBaseArchiver(const TZWBaseArchiver&) = delete;
    TZWBaseArchiver& operator=(const TZWBaseArchiver&) = delete;

    const std::string& Name() const { return name_; }

    const std::filesystem::path& FileName() const { return fileName_; }
    void SetFileName(const std::filesystem::path& fileName) { fileName_ = fileName; }
    const std::filesystem::path& BaseDir() const { return baseDir_; }
    void SetBaseDir(const std::filesystem::path& baseDir) { baseDir_ = baseDir; }

    TZWCompressionLevel CompressionLevel() const { return level_; }
    int CompressionMode() const { return mode_; }
    // Sets the mode the level stands for (0, 1, 6 or 9).
    void SetCompressionLevel(TZWCompressionLevel level);
    // 0..9, setting the level the mode belongs to; anything else raises code 5.
    void SetCompressionMode(int mode);

    TZWOptions& Options() { return options_; }

    // The engine of deflated entries; zlib unless asked otherwise.
    TZWDeflater Deflater() const { return deflater_; }
    void SetDeflater(TZWDeflater deflater);

    bool IsOpen() const { return file_ != nullptr; }
    int UpdateDepth() const { return depth_; }
    const TZWDirArray& Entries() const { return dir_.Working(); }

    // Creates (or truncates) FileName and opens the writer on an empty directory.
    void OpenNew();
    // Opens the writer on an empty directory over `fd`, a new empty file that is to be
    // FileName; the writer takes the descriptor over and closes it.
    void OpenNew(int fd);
    // Collects what `fileMask` selects under BaseDir into the directory and commits,
    // unless an outer update is open.
    void AddMatching(std::string_view fileMask, std::uint32_t searchAttr,
                     std::string_view exclusionMask);
    void BeginUpdate();
    // At depth 1 commits; an entry answered with actAbort rolls the archive back to its
    // last committed state and its exception is raised again.
    void EndUpdate();
    // Commits a pending update, gives an archive with nothing in it its end record and
    // releases the file. Never raises.
    void Close();
    // Why the archive file last refused bytes since OpenNew (ENOSPC for a full disk, ...);
    // 0 while it took every byte. Kept after Close.
    int Refused() const { return refused_; }

    // Deflated data made beforehand for an entry of the next archive named `name`, used in
    // place of deflating it again when the entry's source has the same size and CRC and
    // is deflated at the same level by the same engine; taken by that archive either way.
    void OfferDeflated(std::string name, TZWEntryCache::Item item);

    // Asked when an entry fails; without a handler the answer is actAbort.
    std::function<TZWAction(const TZWFailureInfo&)> OnProcessFileFailure;
    std::function<void()> AfterOpen;

  protected:
    explicit TZWBaseArchiver(std::string name);

    // The method of new entries for the current mode; a format without one answers 0xFFFF.
    virtual std::uint16_t CompressionMethod() const;
    virtual TZWAction DoProcessFileFailure(const TZWFailureInfo& failure);

  private:
    void RequireOpen() const;
    void StartEmpty();
    void CheckStop() const;
    void AddCandidate(const TZWCandidate& candidate);
    void InitEntry(TZWEntry& entry, const TZWCandidate& candidate, TZWOperation operation);
    void Commit();
    void WriteEntry(TZWEntry& entry);
    void WriteSmallEntry(TZWEntry& entry, std::istream& source, std::uint64_t size);
    void WriteLocalHeader(const TZWEntry& entry, std::uint32_t crc, std::uint32_t compressedSize,
                          std::uint32_t uncompressedSize);
    void WriteCentralDirectory();
    void RollBack();
    TStrongDeflater* Strongest();
    std::uint32_t Fit32(std::uint64_t value, const TZWEntry& entry) const;

    std::string name_;
    std::filesystem::path fileName_;
    std::filesystem::path baseDir_;
    TZWCompressionLevel level_ = TZWCompressionLevel::clFastest;
    int mode_ = 1;
    TZWOptions options_;
    TZWDeflater deflater_ = TZWDeflater::zlib;
    std::unique_ptr<TStrongDeflater> strongest_;  // made when first needed
    std::unique_ptr<TArchiveFile> file_;
    int refused_ = 0;
    TZWDirManager dir_;
    int depth_ = 0;
    // Kept across archives: the driver packs the same class files into every part.
    TZWEntryCache cache_;
    std::string offeredName_;
    TZWEntryCache::Item offered_;
};

class TZipWriter : public TZWBaseArchiver {
  public:
    explicit TZipWriter(std::string name = std::string()) : TZWBaseArchiver(std::move(name)) {}
    // Closes here, while the deflate method is still this class's.
    ~TZipWriter() override { Close(); }

  protected:
    std::uint16_t CompressionMethod() const override;
};

}  // namespace quorix
