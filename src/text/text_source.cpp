// text_source.cpp - picks the reader for a source and runs it into the code page.
#include "text/text_source.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <system_error>

#include "text/byte_reader.h"
#include "text/byte_sink.h"
#include "text/code_page_encoder.h"
#include "text/epub_reader.h"
#include "text/fb2_reader.h"
#include "text/line_join.h"
#include "text/source_encoding.h"
#include "text/text_error.h"
#include "text/text_lines.h"
#include "text/threaded_sink.h"
#include "text/zip_archive.h"

namespace quorix {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kSniffBytes = 4096;
constexpr std::string_view kZipSignature = "PK\x03\x04";
// A zipped FB2 is looked for among this many entries.
constexpr std::size_t kZipEntriesSearched = 16;

bool EndsWith(const fs::path& path, std::string_view suffix) {
    std::string name = path.filename().string();
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.rbegin(), suffix.rend(), name.rbegin(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

// The FB2 document inside a ZIP: the first ".fb2" entry, else the first that starts like one.
std::string FindFb2Entry(const TZipArchive& archive) {
    std::vector<std::string> names = archive.Names();
    for (const std::string& name : names) {
        if (EndsWith(name, ".fb2")) return name;
    }
    for (std::size_t i = 0; i < names.size() && i < kZipEntriesSearched; ++i) {
        try {
            std::unique_ptr<TByteReader> entry = archive.Reader(names[i]);
            if (LooksLikeFb2(ReadUpTo(*entry, kSniffBytes))) return names[i];
        } catch (const TTextError&) {
        }
    }
    return {};
}

TZipArchive OpenZip(const fs::path& source, std::string_view what) {
    std::optional<TZipArchive> archive = TZipArchive::Open(source);
    if (!archive) throw TTextError(std::string(what) + " is malformed: it is no ZIP archive");
    return std::move(*archive);
}

// An unnamed file in `dir` for text held back until the end (FB2 notes).
TFileSink SpillFile(const fs::path& dir) {
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string pattern = (dir / ".quorix-notes-XXXXXX").string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) {
            throw TTextError("Can not create a temporary file in " + dir.string() + ": " +
                             std::strerror(errno));
        }
        ::unlink(pattern.c_str());
    }
    return TFileSink(fd, dir / "(notes)");
}

std::string ConvertFb2(TByteReader& in, TCodePageEncoder& encoder, TByteSink& out,
                       const fs::path& spillDir) {
    TUtf8ToCodePageSink utf8(encoder, out);
    TTextLines lines(utf8);
    TThreadedLines text(lines);  // the parser on this thread, the lines and code page on another
    TFileSink spill = SpillFile(spillDir);
    TTextLines notes(spill);
    ReadFb2(in, &text, &notes);
    text.EndLine();
    notes.EndLine();
    text.Drain();
    // The notes follow the main text after an empty line.
    if (!notes.Empty()) {
        if (!lines.Empty()) utf8.Write("\r");
        spill.CopyTo(utf8);
    }
    utf8.Finish();
    return "FB2 book";
}

std::string ConvertEpub(const fs::path& source, TCodePageEncoder& encoder, TByteSink& out) {
    TZipArchive archive = OpenZip(source, "The EPUB book");
    TEpubPackage package = ReadEpubPackage(archive);
    TUtf8ToCodePageSink utf8(encoder, out);
    TTextLines lines(utf8);
    TThreadedLines text(lines);  // the parser on this thread, the lines and code page on another
    ReadEpubText(archive, package, text);
    text.Finish();
    return "EPUB book of " + std::to_string(package.spine.size()) + " documents";
}

// Writes the source's text in the code page to `out`; returns how it was read.
std::string Convert(const fs::path& source, TSourceFormat format, const TSourceEncoding& encoding,
                    TCodePageEncoder& encoder, TByteSink& out, const fs::path& spillDir) {
    switch (format) {
        case TSourceFormat::Text: {
            TFileReader reader(source);
            ConvertPlainText(reader, encoding, encoder, out);
            return encoding.how.empty() ? "text in " + encoder.CodePage() : encoding.how + " text";
        }
        case TSourceFormat::Fb2: {
            TFileReader reader(source);
            return ConvertFb2(reader, encoder, out, spillDir);
        }
        case TSourceFormat::Fb2Zip: {
            TZipArchive archive = OpenZip(source, "The zipped FB2 book");
            std::string entry = FindFb2Entry(archive);
            if (entry.empty()) throw TTextError("The ZIP archive holds no FB2 book");
            std::unique_ptr<TByteReader> reader = archive.Reader(entry);
            return "zipped " + ConvertFb2(*reader, encoder, out, spillDir);
        }
        case TSourceFormat::Epub:
            return ConvertEpub(source, encoder, out);
    }
    return {};
}

// The encoding of a plain text; books name their own.
TSourceEncoding EncodingOf(const fs::path& source, TSourceFormat format,
                           const TTextOptions& options) {
    if (format != TSourceFormat::Text) {
        TSourceEncoding own;
        own.codePageBytes = false;
        return own;
    }
    TFileReader reader(source);
    return ChooseEncoding(reader, options.encoding, options.codePage);
}

// Code-page bytes shown as UTF-8 in the log.
std::string ForLog(const std::string& bytes, const TCodePageEncoder& encoder) {
    std::string utf8;
    for (char b : bytes) utf8 += Utf8Of(encoder.CharOf(static_cast<unsigned char>(b)));
    return utf8;
}

std::string ReplacementLine(const TCodePageEncoder& encoder) {
    std::string line = "Replaced " + std::to_string(encoder.ReplacedCount()) +
                       (encoder.ReplacedCount() == 1 ? " character" : " characters") +
                       " that code page " + encoder.CodePage() + " lacks: ";
    bool first = true;
    for (const TCodePageEncoder::TReplacement& r : encoder.FirstReplacements()) {
        line +=
            (first ? "\"" : ", \"") + r.character + "\" as \"" + ForLog(r.written, encoder) + "\"";
        first = false;
    }
    if (encoder.ReplacedCount() > encoder.FirstReplacements().size()) line += ", ...";
    return line;
}

// Builds the chain encoder -> [line joiner] -> line ends -> `sink` and converts into it;
// `holdsText` tells whether anything but spaces and line breaks came out.
std::string ConvertTo(const fs::path& source, TSourceFormat format, const TSourceEncoding& encoding,
                      const TTextOptions& options, TCodePageEncoder& encoder, TByteSink& sink,
                      const fs::path& spillDir, bool* holdsText = nullptr) {
    TLineEndSink lineEnds(sink);
    std::string how;
    // A book's lines are its paragraphs already: only plain texts are joined.
    if (!options.joinLines || format != TSourceFormat::Text) {
        how = Convert(source, format, encoding, encoder, lineEnds, spillDir);
    } else {
        TLineJoinSink joined(lineEnds, encoder);
        how =
            Convert(source, format, encoding, encoder, joined, spillDir) + ", wrapped lines joined";
    }
    if (holdsText != nullptr) *holdsText = lineEnds.HoldsText();
    return how;
}

// What a text read as it is would need: whether it has a lone LF, and any text at all.
struct TPlainScan {
    bool loneLf = false;
    bool holdsText = false;
};

TPlainScan ScanPlain(const fs::path& source) {
    TPlainScan scan;
    TFileReader reader(source);
    std::vector<char> buffer(64 * 1024);
    bool afterCr = false;
    while (std::size_t n = reader.Read(buffer.data(), buffer.size())) {
        const std::string_view chunk(buffer.data(), n);
        if (!scan.holdsText) scan.holdsText = HoldsText(chunk);
        for (std::size_t at = chunk.find('\n'); !scan.loneLf && at != std::string_view::npos;
             at = chunk.find('\n', at + 1)) {
            scan.loneLf = at == 0 ? !afterCr : chunk[at - 1] != '\r';
        }
        afterCr = chunk.back() == '\r';
        if (scan.loneLf && scan.holdsText) break;
    }
    return scan;
}

// A file that reports no size but gives text when read (/proc, /sys, some FUSE mounts): the
// parts are planned from a size, so such a text is copied to its end first.
bool HidesItsSize(const fs::path& source) {
    std::error_code ec;
    if (fs::file_size(source, ec) != 0 || ec) return false;
    TFileReader reader(source);
    return !ReadUpTo(reader, 1).empty();
}

}  // namespace

TSourceFormat DetectFormat(const fs::path& source) {
    std::string start;
    try {
        TFileReader reader(source);
        start = ReadUpTo(reader, kSniffBytes);
    } catch (const TTextError&) {
        return TSourceFormat::Text;
    }
    const bool epubName = EndsWith(source, ".epub");
    if (start.substr(0, 4) == kZipSignature || epubName) {
        if (std::optional<TZipArchive> archive = TZipArchive::Open(source)) {
            if (IsEpub(*archive)) return TSourceFormat::Epub;
            if (!epubName && !FindFb2Entry(*archive).empty()) return TSourceFormat::Fb2Zip;
        }
        if (epubName) return TSourceFormat::Epub;
        if (EndsWith(source, ".fb2.zip")) return TSourceFormat::Fb2Zip;
    }
    if (LooksLikeFb2(start) || EndsWith(source, ".fb2")) return TSourceFormat::Fb2;
    return TSourceFormat::Text;
}

TConvertedSource TConvertedSource::Open(const fs::path& source, const TTextOptions& options,
                                        const fs::path& workDir) {
    TConvertedSource result;
    result.path_ = source;
    // A source that cannot be read is left to the part reader, which reports it.
    if (::access(source.c_str(), R_OK) != 0 || !fs::is_regular_file(source)) return result;
    const TSourceFormat format = DetectFormat(source);
    const TSourceEncoding encoding = EncodingOf(source, format, options);
    const auto inPlace = [&](TSourceEncoding asIs) {
        // The code page's bytes are read in place unless a line end is to change or the file
        // hides its size.
        const TPlainScan scan = ScanPlain(source);
        if (scan.loneLf || options.joinLines || HidesItsSize(source)) {
            return ConvertedInto(source, format, asIs, options, workDir);
        }
        result.holdsText_ = scan.holdsText;
        return std::move(result);
    };
    if (encoding.codePageBytes) return inPlace(encoding);
    try {
        return ConvertedInto(source, format, encoding, options, workDir);
    } catch (const TInvalidUtf8&) {
        if (!encoding.unverified) throw;
    }
    // Not UTF-8 after all: the code page's bytes, with a word when the text plainly is in
    // another code page, which only a named or detected encoding reads so.
    std::future<std::string> hint =
        std::async(std::launch::async, [source, codePage = options.codePage]() -> std::string {
            // Only a word of advice: a source that cannot be read is reported by the part
            // reader.
            try {
                TFileReader reader(source);
                const std::string guess = OtherCodePageGuess(reader, codePage);
                if (guess.empty()) return {};
                return "The text looks like " + guess + "; to read it so, use --source-encoding " +
                       std::string(kEncodingDetect);
            } catch (const std::exception&) {
                return {};
            }
        });
    TConvertedSource asIs = inPlace(TSourceEncoding{});
    asIs.hint_ = std::move(hint);
    return asIs;
}

const std::vector<std::string>& TConvertedSource::Report() {
    if (hint_.valid()) {
        std::string line = hint_.get();
        if (!line.empty()) report_.push_back(std::move(line));
    }
    return report_;
}

TConvertedSource TConvertedSource::ConvertedInto(const fs::path& source, TSourceFormat format,
                                                 const TSourceEncoding& encoding,
                                                 const TTextOptions& options,
                                                 const fs::path& workDir) {
    TConvertedSource result;
    std::string pattern = (workDir / ".quorix-source-XXXXXX").string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        throw TTextError("Can not create a temporary file in " + workDir.string() + ": " +
                         std::strerror(errno));
    }
    result.path_ = pattern;
    result.temporary_ = true;  // removed by the destructor from here on
    TFileSink sink(fd, result.path_);
    TCodePageEncoder encoder(options.codePage);
    std::string how =
        ConvertTo(source, format, encoding, options, encoder, sink, workDir, &result.holdsText_);
    result.report_.push_back("Source text read as " + how + ": " + std::to_string(sink.Written()) +
                             " bytes in code page " + options.codePage);
    if (encoder.ReplacedCount() > 0) result.report_.push_back(ReplacementLine(encoder));
    return result;
}

TConvertedSource::~TConvertedSource() {
    if (temporary_) ::unlink(path_.c_str());
}

TConvertedSource::TConvertedSource(TConvertedSource&& other) noexcept
    : path_(std::move(other.path_)),
      temporary_(std::exchange(other.temporary_, false)),
      holdsText_(other.holdsText_),
      report_(std::move(other.report_)),
      hint_(std::move(other.hint_)) {}

TConvertedSource& TConvertedSource::operator=(TConvertedSource&& other) noexcept {
    if (this != &other) {
        if (temporary_) ::unlink(path_.c_str());
        path_ = std::move(other.path_);
        temporary_ = std::exchange(other.temporary_, false);
        holdsText_ = other.holdsText_;
        report_ = std::move(other.report_);
        hint_ = std::move(other.hint_);
    }
    return *this;
}

std::string ConvertedTextStart(const fs::path& source, const TTextOptions& options,
                               std::size_t limit) {
    const TSourceFormat format = DetectFormat(source);
    TSourceEncoding encoding = EncodingOf(source, format, options);
    if (encoding.unverified) {
        // Only the start is converted here, so the rest is checked as the build would.
        TFileReader reader(source);
        if (!IsValidUtf8(reader)) encoding = TSourceEncoding{};
    }
    if (encoding.codePageBytes && !options.joinLines) {
        TFileReader reader(source);
        std::string start = ReadUpTo(reader, limit);
        LoneLfToCr(start);
        return start;
    }
    TStringSink sink(limit);
    TCodePageEncoder encoder(options.codePage);
    try {
        ConvertTo(source, format, encoding, options, encoder, sink, fs::temp_directory_path());
    } catch (const TStringSink::TSinkFull&) {
    }
    return sink.Text();
}

TBookInfo ReadBookInfo(const fs::path& source) {
    try {
        switch (DetectFormat(source)) {
            case TSourceFormat::Text:
                return {};
            case TSourceFormat::Fb2: {
                TFileReader reader(source);
                return ReadFb2(reader, nullptr, nullptr);
            }
            case TSourceFormat::Fb2Zip: {
                TZipArchive archive = OpenZip(source, "The zipped FB2 book");
                std::unique_ptr<TByteReader> reader = archive.Reader(FindFb2Entry(archive));
                return ReadFb2(*reader, nullptr, nullptr);
            }
            case TSourceFormat::Epub:
                return ReadEpubPackage(OpenZip(source, "The EPUB book")).info;
        }
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace quorix
