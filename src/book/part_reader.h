// part_reader.h - cuts the source text into parts at sentence ends and writes book.dat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/open_file.h"
#include "book/build_log.h"

namespace quorix {

inline constexpr std::string_view kMsgSourceChanged = "The source changed during the build: ";

// How many bytes of a read make the part: after a full read, up to and including
// the last ".", "?" or "!" (all of it when there is none); after a short read, all.
std::size_t CutLength(std::string_view read, bool fullRead);

struct TPart {
    std::string_view bytes;  // the L bytes of the part, valid until the next read
    bool shortRead = false;  // fewer bytes than the part size were left: the last part
};

class TPartReader {
  public:
    TPartReader() = default;
    ~TPartReader();
    TPartReader(const TPartReader&) = delete;
    TPartReader& operator=(const TPartReader&) = delete;

    // Opens the source read-only and returns its size; failures raise the
    // runtime's I/O message ("File not found", ...).
    std::uintmax_t Open(const std::filesystem::path& source);

    // Plans every cut with the part size, so that no text is left over after the
    // last part, and returns the number of parts.
    std::uint64_t PlanParts(std::int32_t partSize);

    // Takes the lengths of every part, planned elsewhere, instead of the cut rule.
    void UsePlan(std::vector<std::uint64_t> lengths);

    // Up to `length` bytes of the source from `position`, valid until the next read.
    std::string_view ReadAt(std::uintmax_t position, std::size_t length);

    // Reads the next part, cuts it and writes tempDir/"book.dat" (4-byte big-endian
    // length, then the part), logging "Create text file <path>, size <L> bytes".
    TPart NextPart(const std::filesystem::path& tempDir, TBuildLog& log);

    // Reads and cuts the next part into `buffer`, which the part's bytes then view.
    TPart ReadNext(std::string& buffer);

    // Writes tempDir/"book.dat" for a part, with its log line.
    static void WriteBookDat(std::string_view part, const std::filesystem::path& tempDir,
                             TBuildLog& log);

    // Raises TBookError when the source no longer holds exactly the bytes the parts
    // were planned from (it grew or shrank during the build).
    void CheckFullyRead() const;

    // Where the next part starts, and going back there to read it again.
    struct TPlace {
        std::uintmax_t position = 0;
        std::size_t nextPlanned = 0;
    };
    TPlace Place() const { return {position_, nextPlanned_}; }
    void Return(TPlace place) {
        position_ = place.position;
        nextPlanned_ = place.nextPlanned;
    }

    void Close();

  private:
    // Reads the part at position_ into `buffer` and returns its cut.
    TPart ReadCut(std::string& buffer);
    // Up to `length` bytes from `position` into `buffer`, which the result views.
    std::string_view ReadInto(std::uintmax_t position, std::size_t length, std::string& buffer);
    [[noreturn]] void ThrowChanged(std::uintmax_t now) const;

    TOpenFile fd_;
    std::filesystem::path path_;
    bool planned_ = false;
    std::uintmax_t size_ = 0;
    std::uintmax_t position_ = 0;
    std::int32_t partSize_ = 0;
    std::string buffer_;
    std::vector<std::uint64_t> plan_;  // lengths of the parts when planned elsewhere
    std::size_t nextPlanned_ = 0;      // parts read from plan_
};

}  // namespace quorix
