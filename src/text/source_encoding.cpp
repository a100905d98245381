// source_encoding.cpp - byte-order marks, the UTF-8 test, uchardet's guess and iconv decoding.
#include "text/source_encoding.h"

#include <uchardet.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "text/iconv_handle.h"
#include "text/text_error.h"

namespace quorix {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
// uchardet has made up its mind long before this.
constexpr std::size_t kDetectLimit = 4 * 1024 * 1024;

// "utf-8", "UTF8" and "utf_8" name the same encoding.
std::string Canonical(std::string_view name) {
    std::string s;
    for (char c : name) {
        if (c != '-' && c != '_')
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

struct TBom {
    std::string_view bytes;
    const char* name;
};
constexpr TBom kBoms[] = {
    {"\xEF\xBB\xBF", "UTF-8"}, {"\xFF\xFE", "UTF-16LE"}, {"\xFE\xFF", "UTF-16BE"}};

const TBom* FindBom(std::string_view start) {
    for (const TBom& bom : kBoms) {
        if (start.substr(0, bom.bytes.size()) == bom.bytes) return &bom;
    }
    return nullptr;
}

struct TUtf8Scan {
    bool valid = true;
    bool nonAscii = false;
};

bool HasNonAscii(TByteReader& reader) {
    std::vector<char> buffer(kChunk);
    while (std::size_t n = reader.Read(buffer.data(), buffer.size())) {
        if (std::any_of(buffer.data(), buffer.data() + n, [](char c) { return c & 0x80; })) {
            return true;
        }
    }
    return false;
}

TUtf8Scan ScanUtf8(TByteReader& reader) {
    TUtf8Scan scan;
    // A character cut at a chunk's end is moved to the front, before the next chunk.
    constexpr std::size_t kLongestCut = 3;
    std::vector<char> buffer(kLongestCut + kChunk);
    std::size_t carried = 0;
    for (;;) {
        std::size_t n = reader.Read(buffer.data() + carried, kChunk);
        std::string_view chunk(buffer.data() + carried, n);
        if (!scan.nonAscii &&
            std::any_of(chunk.begin(), chunk.end(), [](char c) { return c & 0x80; }))
            scan.nonAscii = true;
        std::string_view joined(buffer.data(), carried + n);
        std::size_t cut = 0;
        if (FindInvalidUtf8(joined, n == 0 ? nullptr : &cut) != std::string_view::npos) {
            scan.valid = false;
            return scan;
        }
        if (n == 0) return scan;
        std::memmove(buffer.data(), buffer.data() + joined.size() - cut, cut);
        carried = cut;
    }
}

// The encodings a Russian, Ukrainian or Belarusian text comes in besides UTF-8.
constexpr std::string_view kCyrillicPages[] = {"KOI8R",    "KOI8U",       "IBM866",      "CP866",
                                               "ISO88595", "MACCYRILLIC", "WINDOWS1251", "IBM855"};

// The share of small letters among the characters of the bytes from 0x80 up, counted
// in `bytes`, when read in `encoding`: a text read in its own single-byte encoding is
// mostly small letters; read in another, mostly capitals or signs.
double SmallLetterShare(const std::array<std::uint64_t, 256>& bytes, const std::string& encoding) {
    TIconv cd = TIconv::TryOpen("UTF-32LE", encoding);
    if (!cd) return 0;
    std::uint64_t high = 0, small = 0;
    for (int byte = 0x80; byte < 256; ++byte) {
        if (bytes[byte] == 0) continue;
        high += bytes[byte];
        const std::optional<char32_t> c = cd.CharOfByte(static_cast<unsigned char>(byte));
        if (c && u_islower(static_cast<UChar32>(*c))) small += bytes[byte];
    }
    return high == 0 ? 0 : static_cast<double>(small) / static_cast<double>(high);
}

std::string Guess(TByteReader& reader, std::array<std::uint64_t, 256>* bytes = nullptr) {
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    std::vector<char> buffer(kChunk);
    std::size_t fed = 0;
    while (fed < kDetectLimit) {
        std::size_t n = reader.Read(buffer.data(), buffer.size());
        if (n == 0) break;
        if (bytes != nullptr) {
            for (std::size_t i = 0; i < n; ++i) ++(*bytes)[static_cast<unsigned char>(buffer[i])];
        }
        if (uchardet_handle_data(detector.get(), buffer.data(), n) != 0) break;
        fed += n;
    }
    uchardet_data_end(detector.get());
    return uchardet_get_charset(detector.get());
}

TSourceEncoding CodePageBytes(std::string how) {
    TSourceEncoding e;
    e.how = std::move(how);
    return e;
}

TSourceEncoding Encoded(std::string name, std::size_t bom, std::string how) {
    TSourceEncoding e;
    e.codePageBytes = false;
    e.name = std::move(name);
    e.bomLength = bom;
    e.how = std::move(how);
    return e;
}

void ConvertUtf8(TByteReader& reader, std::size_t bom, TCodePageEncoder& encoder, TByteSink& out) {
    TUtf8ToCodePageSink decoder(encoder, out, bom);
    std::vector<char> buffer(kChunk);
    while (std::size_t n = reader.Read(buffer.data(), buffer.size())) {
        decoder.Write(std::string_view(buffer.data(), n));
    }
    decoder.Finish();
}

// Any other encoding goes through iconv into UTF-8 and then the one UTF-8 decoder.
void ConvertWithIconv(TByteReader& reader, const TSourceEncoding& encoding,
                      TCodePageEncoder& encoder, TByteSink& out) {
    TIconv cd = TIconv::TryOpen("UTF-8", encoding.name);
    if (!cd) throw TTextError("Unknown source encoding " + encoding.name);
    TUtf8ToCodePageSink decoder(encoder, out);
    std::vector<char> in(kChunk);
    std::vector<char> utf8(4 * kChunk + 16);
    std::size_t have = 0;                       // bytes waiting in `in`
    std::uint64_t offset = encoding.bomLength;  // source offset of in[0]
    for (;;) {
        std::size_t n = reader.Read(in.data() + have, in.size() - have);
        have += n;
        if (have == 0) break;
        char* inPtr = in.data();
        std::size_t inLeft = have;
        char* outPtr = utf8.data();
        std::size_t outLeft = utf8.size();
        std::size_t rc = cd.Convert(inPtr, inLeft, outPtr, outLeft);
        const std::size_t used = have - inLeft;
        if (rc == static_cast<std::size_t>(-1) &&
            (errno == EILSEQ || (errno == EINVAL && n == 0))) {
            throw TTextError("Invalid byte sequence for encoding " + encoding.name +
                             " in the source at offset " + std::to_string(offset + used));
        }
        decoder.Write(
            std::string_view(utf8.data(), static_cast<std::size_t>(outPtr - utf8.data())));
        std::copy(in.begin() + static_cast<std::ptrdiff_t>(used),
                  in.begin() + static_cast<std::ptrdiff_t>(have), in.begin());
        have -= used;
        offset += used;
        if (n == 0 && have == 0) break;
    }
    decoder.Finish();
}

}  // namespace

bool SameCodePage(const std::string& a, const std::string& b) {
    if (Canonical(a) == Canonical(b)) return true;
    TIconv cds[2] = {TIconv::TryOpen("UTF-32LE", a), TIconv::TryOpen("UTF-32LE", b)};
    if (!cds[0] || !cds[1]) return false;
    for (int byte = 0; byte < 256; ++byte) {
        std::string results[2];
        for (int k = 0; k < 2; ++k) {
            char in = static_cast<char>(byte);
            char* inPtr = &in;
            std::size_t inLeft = 1;
            char out[16];
            char* outPtr = out;
            std::size_t outLeft = sizeof out;
            cds[k].Reset();
            if (cds[k].Convert(inPtr, inLeft, outPtr, outLeft) != static_cast<std::size_t>(-1))
                cds[k].Flush(outPtr, outLeft);
            results[k].assign(out, static_cast<std::size_t>(outPtr - out));
        }
        // A byte both leave undefined is the same; UTF-16 and the like take a lone
        // ASCII byte as incomplete and so never match.
        if (results[0] != results[1] || (byte == 'A' && results[0].size() != 4)) return false;
    }
    return true;
}

std::string OtherCodePageGuess(TByteReader& reader, const std::string& codePage) {
    reader.Rewind();
    std::array<std::uint64_t, 256> bytes{};
    const std::string guess = Guess(reader, &bytes);
    const bool cyrillic = std::find(std::begin(kCyrillicPages), std::end(kCyrillicPages),
                                    Canonical(guess)) != std::end(kCyrillicPages);
    if (!cyrillic || SameCodePage(guess, codePage)) return {};
    // Only a text that plainly is not in the code page: uchardet also names a Cyrillic
    // page for texts in others, where the hint would mislead.
    constexpr double kOwnShare = 0.8, kMargin = 0.3;
    constexpr std::uint64_t kFewestLetters = 32;  // a few words tell nothing for sure
    std::uint64_t high = 0;
    for (int byte = 0x80; byte < 256; ++byte) high += bytes[byte];
    if (high < kFewestLetters) return {};
    const double own = SmallLetterShare(bytes, guess);
    if (own < kOwnShare || own - SmallLetterShare(bytes, codePage) < kMargin) return {};
    return guess;
}

bool IsValidUtf8(TByteReader& reader) {
    reader.Rewind();
    return ScanUtf8(reader).valid;
}

TSourceEncoding ChooseEncoding(TByteReader& reader, std::string_view mode,
                               const std::string& codePage) {
    reader.Rewind();
    const std::string start = ReadUpTo(reader, 4);
    const TBom* bom = FindBom(start);
    const bool automatic = mode == kEncodingAuto || mode == kEncodingDetect;
    if (!automatic) {
        const std::string name(mode);
        if (SameCodePage(name, codePage)) return CodePageBytes("");
        if (!TIconv::TryOpen("UTF-32LE", name)) throw TTextError("Unknown source encoding " + name);
        std::size_t drop =
            bom != nullptr && Canonical(bom->name) == Canonical(name) ? bom->bytes.size() : 0;
        return Encoded(name, drop, name);
    }
    if (bom != nullptr) {
        return Encoded(bom->name, bom->bytes.size(), std::string(bom->name) + " (byte-order mark)");
    }
    reader.Rewind();
    if (mode == kEncodingAuto) {
        // Converting checks every byte anyway; reading the text twice would only cost time.
        if (!HasNonAscii(reader)) return CodePageBytes("");
        TSourceEncoding utf8 = Encoded("UTF-8", 0, "UTF-8");
        utf8.unverified = true;
        return utf8;
    }
    const TUtf8Scan scan = ScanUtf8(reader);
    if (!scan.nonAscii) return CodePageBytes("");
    if (scan.valid) return Encoded("UTF-8", 0, "UTF-8");
    if (mode != kEncodingDetect) return CodePageBytes("");
    reader.Rewind();
    const std::string guess = Guess(reader);
    // The text is known not to be UTF-8, whatever the guess says.
    if (guess.empty() || Canonical(guess) == "ASCII" || Canonical(guess) == "UTF8" ||
        SameCodePage(guess, codePage) || !TIconv::TryOpen("UTF-32LE", guess)) {
        return CodePageBytes(guess.empty() ? "" : guess + " (detected)");
    }
    return Encoded(guess, 0, guess + " (detected)");
}

void ConvertPlainText(TByteReader& reader, const TSourceEncoding& encoding,
                      TCodePageEncoder& encoder, TByteSink& out) {
    reader.Rewind();
    std::string bom = ReadUpTo(reader, encoding.bomLength);
    std::vector<char> buffer(kChunk);
    if (encoding.codePageBytes) {
        out.Write(bom);
        while (std::size_t n = reader.Read(buffer.data(), buffer.size())) {
            out.Write(std::string_view(buffer.data(), n));
        }
        out.Finish();
        return;
    }
    if (Canonical(encoding.name) == "UTF8") {
        ConvertUtf8(reader, encoding.bomLength, encoder, out);
        return;
    }
    ConvertWithIconv(reader, encoding, encoder, out);
}

}  // namespace quorix
