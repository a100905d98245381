// text_source.h - a source file of any kind as the code-page text a build cuts into parts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "text/book_info.h"
#include "text/source_encoding.h"

namespace quorix {

struct TTextOptions {
    std::string encoding = "auto";  // "auto", "detect" or an iconv name (plain texts)
    std::string codePage = "CP1251";
    bool joinLines = false;  // join hard-wrapped lines into paragraphs
};

enum class TSourceFormat { Text, Fb2, Fb2Zip, Epub };

// Chosen by content (an FB2 root element, a ZIP holding "mimetype"
// application/epub+zip or an FB2 file) and by the ".epub" and ".fb2" extensions.
TSourceFormat DetectFormat(const std::filesystem::path& source);

// The text a build reads. A plain text already in the code page and left as it
// is is read in place; anything else is converted into a private file in the
// work directory, removed with this object.
class TConvertedSource {
  public:
    static TConvertedSource Open(const std::filesystem::path& source, const TTextOptions& options,
                                 const std::filesystem::path& workDir);
    TConvertedSource() = default;
    ~TConvertedSource();
    TConvertedSource(TConvertedSource&& other) noexcept;
    TConvertedSource& operator=(TConvertedSource&& other) noexcept;

    const std::filesystem::path& Path() const { return path_; }
    bool Converted() const { return temporary_; }
    // Whether the text holds anything but spaces and line breaks; true for a source that
    // cannot be read, whose reader reports why.
    bool HoldsText() const { return holdsText_; }
    // Log lines: how the source was read, the characters the code page lacks, and a word
    // when the text plainly is in another code page. That word takes a pass over the whole
    // text, made beside whatever comes after Open; the first call waits for it.
    const std::vector<std::string>& Report();

  private:
    // The source converted into a new temporary file of `workDir`.
    static TConvertedSource ConvertedInto(const std::filesystem::path& source, TSourceFormat format,
                                          const TSourceEncoding& encoding,
                                          const TTextOptions& options,
                                          const std::filesystem::path& workDir);

    std::filesystem::path path_;
    bool temporary_ = false;
    bool holdsText_ = true;
    std::vector<std::string> report_;
    std::future<std::string> hint_;  // the code-page word's line, or nothing
};

// The first `limit` bytes of the text a build would read (fewer when it is shorter).
std::string ConvertedTextStart(const std::filesystem::path& source, const TTextOptions& options,
                               std::size_t limit);

// The title and authors an FB2 or EPUB book names; empty for plain texts and for
// any book that cannot be read.
TBookInfo ReadBookInfo(const std::filesystem::path& source);

}  // namespace quorix
