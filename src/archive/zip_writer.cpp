// zip_writer.cpp - the update cycle, entry records and roll-back of the archive writer.
#include "archive/zip_writer.h"

#include <sys/stat.h>
#include <zlib.h>

#include <ctime>
#include <fstream>

#include "archive/dos_time.h"
#include "archive/entry_compressor.h"
#include "archive/little_endian.h"
#include "archive/zip_format.h"

namespace fs = std::filesystem;

namespace quorix {

namespace {

// Absolute and free of "." and ".." and symbolic links, so that paths built from it
// compare with the archive's own path.
fs::path ResolveDir(const fs::path& dir) {
    std::error_code ec;
    fs::path abs = dir.empty() ? fs::current_path(ec) : fs::absolute(dir, ec);
    fs::path canonical = fs::weakly_canonical(abs, ec);
    return ec ? abs.lexically_normal() : canonical;
}

std::time_t ModificationTime(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
}

}  // namespace

TZWBaseArchiver::TZWBaseArchiver(std::string name) : name_(std::move(name)) {}

TZWBaseArchiver::~TZWBaseArchiver() {
    Close();
}

std::uint16_t TZWBaseArchiver::CompressionMethod() const {
    return zipfmt::kMethodNone;
}

std::uint16_t TZipWriter::CompressionMethod() const {
    return CompressionMode() != 0 ? zipfmt::kMethodDeflated : zipfmt::kMethodStored;
}

void TZWBaseArchiver::SetCompressionLevel(TZWCompressionLevel level) {
    static constexpr int kModes[] = {0, 1, 6, 9};
    level_ = level;
    mode_ = kModes[static_cast<int>(level)];
}

void TZWBaseArchiver::SetCompressionMode(int mode) {
    if (mode < 0 || mode > 9) {
        throw EZWException(name_, zwInvalidCompressionMode, kMsgInvalidCompressionMode);
    }
    mode_ = mode;
    level_ = mode == 0   ? TZWCompressionLevel::clNone
             : mode <= 3 ? TZWCompressionLevel::clFastest
             : mode <= 6 ? TZWCompressionLevel::clNormal
                         : TZWCompressionLevel::clMax;
}

void TZWBaseArchiver::SetDeflater(TZWDeflater deflater) {
    deflater_ = deflater;
}

TStrongDeflater* TZWBaseArchiver::Strongest() {
    if (deflater_ != TZWDeflater::strongest) {
        return nullptr;
    }
    if (!strongest_) {
        strongest_ = std::make_unique<TStrongDeflater>();
    }
    return strongest_.get();
}

TZWAction TZWBaseArchiver::DoProcessFileFailure(const TZWFailureInfo& failure) {
    // Nobody to ask: the failure must not pass for a finished archive.
    return OnProcessFileFailure ? OnProcessFileFailure(failure) : TZWAction::actAbort;
}

void TZWBaseArchiver::CheckStop() const {
    if (options_.stopRequested && options_.stopRequested()) throw EZWInterrupted();
}

void TZWBaseArchiver::RequireOpen() const {
    if (!IsOpen()) {
        throw EZWException(name_, zwArchiveNotOpen, kMsgArchiveNotOpen);
    }
}

void TZWBaseArchiver::OpenNew() {
    if (fileName_.filename().empty()) {
        throw EZWException(name_, zwBlankFileName, kMsgBlankFileName);
    }
    Close();
    file_ = std::make_unique<TArchiveFile>(fileName_);
    StartEmpty();
}

void TZWBaseArchiver::OpenNew(int fd) {
    auto adopted = std::make_unique<TArchiveFile>(fd);
    if (fileName_.filename().empty()) {
        throw EZWException(name_, zwBlankFileName, kMsgBlankFileName);
    }
    Close();
    file_ = std::move(adopted);
    StartEmpty();
}

void TZWBaseArchiver::StartEmpty() {
    refused_ = 0;
    dir_ = TZWDirManager();
    depth_ = 0;
    if (AfterOpen) {
        AfterOpen();
    }
}

void TZWBaseArchiver::AddMatching(std::string_view fileMask, std::uint32_t searchAttr,
                                  std::string_view exclusionMask) {
    RequireOpen();
    TZWCollectRequest request;
    request.baseDir = ResolveDir(baseDir_);
    request.mask = std::string(fileMask);
    request.searchAttr = searchAttr;
    request.recurse = options_.recurse;
    request.exclusions = {std::string(exclusionMask), ResolveDir(fileName_).string()};
    request.storePath = options_.storePath;
    request.failOnUnreadable = options_.failOnUnreadable;
    BeginUpdate();
    try {
        CollectFiles(request, [this](const TZWCandidate& c) { AddCandidate(c); });
        EndUpdate();
    } catch (...) {
        depth_ = 0;
        throw;
    }
}

void TZWBaseArchiver::BeginUpdate() {
    RequireOpen();
    if (depth_ == 0) {
        dir_.Snapshot();
    }
    ++depth_;
}

void TZWBaseArchiver::EndUpdate() {
    if (depth_ == 1) {
        Commit();
    } else if (depth_ > 1) {
        --depth_;
    }
}

void TZWBaseArchiver::Close() {
    if (IsOpen()) {
        try {
            if (depth_ > 0) {
                Commit();
            }
            if (file_->Size() == 0) {
                WriteCentralDirectory();
            }
            file_->Flush(options_.flushBuffers);
        } catch (...) {
            // Close is the last word on an archive; what failed was reported by the commit.
        }
        refused_ = file_->Refused();
    }
    if (IsOpen()) {
        // The offer was for the archive closed here, whether it took it or not.
        offeredName_.clear();
        offered_ = TZWEntryCache::Item();
    }
    file_.reset();
    dir_ = TZWDirManager();
    depth_ = 0;
}

void TZWBaseArchiver::OfferDeflated(std::string name, TZWEntryCache::Item item) {
    offeredName_ = std::move(name);
    offered_ = std::move(item);
}

void TZWBaseArchiver::AddCandidate(const TZWCandidate& candidate) {
    TZWDirArray& working = dir_.Working();
    if (auto found = working.Find(candidate.storedName)) {
        if (options_.overwriteMode == TZWOverwriteMode::omNever) {
            return;
        }
        // Replaced in place: a name collected twice keeps its first position.
        InitEntry(working[*found], candidate, TZWOperation::replaced);
        return;
    }
    InitEntry(working.Append(TZWEntry()), candidate, TZWOperation::added);
}

void TZWBaseArchiver::InitEntry(TZWEntry& entry, const TZWCandidate& c, TZWOperation op) {
    entry = TZWEntry();
    TZWCentralHeader& h = entry.header;
    h.signature = zipfmt::kCentralHeaderSignature;
    h.versionMadeBy = zipfmt::kVersionMadeBy;
    h.versionNeeded = zipfmt::kVersionNeeded;
    h.method = CompressionMethod();
    // A directory's time is when it was collected.
    TDosDateTime when =
        ToDosDateTime(c.isDirectory ? std::time(nullptr) : ModificationTime(c.path));
    h.dosTime = when.time;
    h.dosDate = when.date;
    entry.storedName = c.storedName;
    if (c.storedName.size() > 0xFFFF) {
        throw EZWException(name_, zwEntryTooLarge,
                           FormatZWText(kMsgEntryTooLarge, {c.path.string()}));
    }
    h.nameLength = static_cast<std::uint16_t>(c.storedName.size());
    h.externalAttributes = c.attributes;
    entry.pending = true;
    entry.sourcePath = c.path;
    entry.level = c.isDirectory ? 0 : mode_;
    entry.operation = op;
}

std::uint32_t TZWBaseArchiver::Fit32(std::uint64_t value, const TZWEntry& entry) const {
    if (value > zipfmt::kMaxSize32) {
        throw EZWException(name_, zwEntryTooLarge,
                           FormatZWText(kMsgEntryTooLarge, {entry.sourcePath.string()}));
    }
    return static_cast<std::uint32_t>(value);
}

void TZWBaseArchiver::Commit() {
    depth_ = 0;
    TZWDirArray& working = dir_.Working();
    // Entries committed before keep their bytes; new data starts where they end.
    file_->Truncate(dir_.CommittedDataEnd());
    try {
        std::size_t i = 0;
        while (i < working.Count()) {
            if (!working[i].pending) {
                ++i;
                continue;
            }
            CheckStop();
            try {
                WriteEntry(working[i]);
                ++i;
            } catch (const EZWException& e) {
                TZWFailureInfo failure{working[i].sourcePath, working[i].operation, e.Code(),
                                       e.what()};
                TZWAction action = DoProcessFileFailure(failure);
                if (action == TZWAction::actAbort) {
                    throw;
                }
                if (action == TZWAction::actSkip) {
                    working.RemoveAt(i);
                }
            }
        }
        WriteCentralDirectory();
        file_->Flush(options_.flushBuffers);
    } catch (...) {
        RollBack();
        throw;
    }
}

void TZWBaseArchiver::RollBack() {
    try {
        dir_.Rollback();
        file_->Truncate(dir_.CommittedDataEnd());
        WriteCentralDirectory();
        file_->Flush(options_.flushBuffers);
    } catch (...) {
        // The failure that caused the roll-back is the one the caller must see.
    }
}

void TZWBaseArchiver::WriteEntry(TZWEntry& entry) {
    const bool isDirectory = entry.IsDirectory();
    std::ifstream source;
    std::uint64_t size = 0;
    if (!isDirectory) {
        source.open(entry.sourcePath, std::ios::binary);
        if (!source) {
            throw EZWException(name_, zwCannotOpenFile,
                               FormatZWText(kMsgCannotOpenFile, {entry.sourcePath.string()}));
        }
        source.seekg(0, std::ios::end);
        size = static_cast<std::uint64_t>(source.tellg());
        source.seekg(0);
    }
    // A failed attempt may have left bytes behind; the entry starts after them.
    const std::uint64_t offset = file_->Size();
    file_->Seek(offset);
    TZWCentralHeader& h = entry.header;
    h.localHeaderOffset = Fit32(offset, entry);
    try {
        if (isDirectory) {
            h.method = zipfmt::kMethodStored;
            h.crc32 = h.compressedSize = h.uncompressedSize = 0;
            WriteLocalHeader(entry, 0, 0, 0);
            return;
        }
        h.method = entry.level == 0 ? zipfmt::kMethodStored : CompressionMethod();
        if (size <= kInMemoryEntrySize) {
            WriteSmallEntry(entry, source, size);
            return;
        }
        WriteLocalHeader(entry, zipfmt::kCrcPlaceholder, 0, Fit32(size, entry));
        TZWCompressedData data = CompressEntry(source, size, entry.level, h.method, *file_, name_,
                                               options_.stopRequested, Strongest());
        h.method = data.method;
        h.crc32 = data.crc32;
        h.compressedSize = Fit32(data.compressedSize, entry);
        h.uncompressedSize = Fit32(data.uncompressedSize, entry);
        const std::uint64_t end = file_->Position();
        Fit32(end, entry);
        file_->Seek(offset);
        WriteLocalHeader(entry, h.crc32, h.compressedSize, h.uncompressedSize);
        file_->Seek(end);
    } catch (const EShortWrite&) {
        throw EZWException(name_, zwInvalidCompressedSize,
                           FormatZWText(kMsgInvalidCompressedSize, {std::to_string(size), "0"}));
    }
}

// A source that fits in memory is deflated before its local header goes out, so the
// header is written once with its final fields and the archive is never sought back.
// The bytes are those of the streamed run, whether deflated now or taken from the cache.
void TZWBaseArchiver::WriteSmallEntry(TZWEntry& entry, std::istream& source, std::uint64_t size) {
    TZWCentralHeader& h = entry.header;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    source.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uint64_t>(source.gcount()) != size) {
        // As the streamed run fails: its header is left behind and nothing was consumed.
        WriteLocalHeader(entry, zipfmt::kCrcPlaceholder, 0, Fit32(size, entry));
        file_->Flush();
        throw EZWException(name_, zwInvalidCompressedSize,
                           FormatZWText(kMsgInvalidCompressedSize, {std::to_string(size), "0"}));
    }
    const bool cacheable =
        h.method != zipfmt::kMethodStored && size <= TZWEntryCache::kMaxSourceSize;
    const TZWEntryCache::Item* cached =
        cacheable ? cache_.Find(entry.storedName, bytes, entry.level, h.method, deflater_)
                  : nullptr;
    if (cached == nullptr && entry.storedName == offeredName_ && offered_.level == entry.level &&
        offered_.method == h.method && offered_.deflater == deflater_ &&
        offered_.data.uncompressedSize == size &&
        offered_.data.crc32 ==
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uInt>(bytes.size()))) {
        cached = &offered_;
    }
    TZWEntryCache::Item fresh;
    if (cached == nullptr) {
        fresh.level = entry.level;
        fresh.method = h.method;
        fresh.deflater = deflater_;
        fresh.data = CompressBytes(bytes, entry.level, h.method, fresh.compressed, Strongest());
    }
    const TZWCompressedData& data = cached ? cached->data : fresh.data;
    const std::string& compressed = cached ? cached->compressed : fresh.compressed;
    h.method = data.method;
    h.crc32 = data.crc32;
    h.compressedSize = Fit32(data.compressedSize, entry);
    h.uncompressedSize = Fit32(data.uncompressedSize, entry);
    Fit32(file_->Position() + zipfmt::kLocalHeaderLen + entry.storedName.size() + compressed.size(),
          entry);
    WriteLocalHeader(entry, h.crc32, h.compressedSize, h.uncompressedSize);
    file_->Write(compressed);
    // A full disk shows up here, for this entry, as it does for a streamed one.
    file_->Flush();
    if (cacheable && cached == nullptr) {
        fresh.source = std::move(bytes);
        cache_.Store(entry.storedName, std::move(fresh));
    }
}

// Local file header, 30 bytes, then the name:
//   0 signature, 4 version needed, 6 flags, 8 method, 10 time, 12 date, 14 CRC-32,
//   18 compressed size, 22 uncompressed size, 26 name length, 28 extra length.
void TZWBaseArchiver::WriteLocalHeader(const TZWEntry& entry, std::uint32_t crc,
                                       std::uint32_t compressedSize,
                                       std::uint32_t uncompressedSize) {
    const TZWCentralHeader& h = entry.header;
    std::string out;
    out.reserve(zipfmt::kLocalHeaderLen + entry.storedName.size());
    putU32LE(out, zipfmt::kLocalHeaderSignature);  // signature
    putU16LE(out, zipfmt::kVersionNeeded);         // version needed to extract
    putU16LE(out, 0);                              // general purpose flags
    putU16LE(out, h.method);                       // compression method
    putU16LE(out, h.dosTime);                      // last modification time
    putU16LE(out, h.dosDate);                      // last modification date
    putU32LE(out, crc);                            // CRC-32
    putU32LE(out, compressedSize);                 // compressed size
    putU32LE(out, uncompressedSize);               // uncompressed size
    putU16LE(out, h.nameLength);                   // file name length
    putU16LE(out, 0);                              // extra field length
    out += entry.storedName;                       // file name
    file_->Write(out);
}

// Central directory header, 46 bytes, then name and comment:
//   0 signature, 4 made by, 6 needed, 8 flags, 10 method, 12 time, 14 date, 16 CRC-32,
//   20 compressed, 24 uncompressed, 28 name length, 30 extra length, 32 comment length,
//   34 disk start, 36 internal attributes, 38 external attributes, 42 local header offset.
// End record, 22 bytes: 0 signature, 4 disk, 6 directory disk, 8 entries here,
//   10 entries total, 12 directory size, 16 directory offset, 20 comment length.
void TZWBaseArchiver::WriteCentralDirectory() {
    const TZWDirArray& entries = dir_.Working();
    const std::uint64_t start = file_->Size();
    file_->Truncate(start);
    try {
        for (std::size_t i = 0; i < entries.Count(); ++i) {
            const TZWEntry& e = entries[i];
            const TZWCentralHeader& h = e.header;
            std::string out;
            putU32LE(out, h.signature);           // signature
            putU16LE(out, h.versionMadeBy);       // version made by
            putU16LE(out, h.versionNeeded);       // version needed to extract
            putU16LE(out, h.flags);               // general purpose flags
            putU16LE(out, h.method);              // compression method
            putU16LE(out, h.dosTime);             // last modification time
            putU16LE(out, h.dosDate);             // last modification date
            putU32LE(out, h.crc32);               // CRC-32
            putU32LE(out, h.compressedSize);      // compressed size
            putU32LE(out, h.uncompressedSize);    // uncompressed size
            putU16LE(out, h.nameLength);          // file name length
            putU16LE(out, h.extraLength);         // extra field length
            putU16LE(out, h.commentLength);       // file comment length
            putU16LE(out, h.diskNumberStart);     // disk number start
            putU16LE(out, h.internalAttributes);  // internal file attributes
            putU32LE(out, h.externalAttributes);  // external file attributes
            putU32LE(out, h.localHeaderOffset);   // relative offset of local header
            out += e.storedName;                  // file name
            out += e.comment;                     // file comment
            file_->Write(out);
        }
        file_->Flush();
    } catch (const EShortWrite&) {
        throw EZWException(name_, zwWriteToStreamError, kMsgWriteToStreamError);
    }
    const std::uint64_t size = file_->Position() - start;
    if (start > zipfmt::kMaxSize32 || size > zipfmt::kMaxSize32) {
        throw EZWException(name_, zwEntryTooLarge,
                           FormatZWText(kMsgEntryTooLarge, {fileName_.string()}));
    }
    const std::uint16_t count = entries.Count() > zipfmt::kMaxCountedEntries
                                    ? zipfmt::kSaturatedEntryCount
                                    : static_cast<std::uint16_t>(entries.Count());
    TZWEndRecord& r = dir_.EndRecord();
    r.entriesOnDisk = r.totalEntries = count;
    r.centralDirSize = static_cast<std::uint32_t>(size);
    r.centralDirOffset = static_cast<std::uint32_t>(start);
    std::string out;
    putU32LE(out, r.signature);         // signature
    putU16LE(out, r.diskNumber);        // number of this disk
    putU16LE(out, r.centralDirDisk);    // disk where the central directory starts
    putU16LE(out, r.entriesOnDisk);     // entries on this disk
    putU16LE(out, r.totalEntries);      // total entries
    putU32LE(out, r.centralDirSize);    // size of the central directory
    putU32LE(out, r.centralDirOffset);  // offset of the central directory
    putU16LE(out, r.commentLength);     // comment length
    try {
        file_->Write(out);
        file_->Flush();
    } catch (const EShortWrite&) {
        throw EWriteError();
    }
    dir_.SetCommittedDataEnd(start);
}

}  // namespace quorix
