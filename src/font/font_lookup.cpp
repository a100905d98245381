// font_lookup.cpp - resolving a face name with fontconfig.
#include "font/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "book/book_error.h"
#include "base/replacing_file.h"

namespace quorix {
namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* AsFc(const std::string& s) {
    return reinterpret_cast<const FcChar8*>(s.c_str());
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// A name that can only mean a file: a family name holds neither.
bool LooksLikeFontFile(std::string_view face) {
    static constexpr std::string_view kExtensions[] = {".ttf", ".otf", ".ttc",   ".pcf",
                                                       ".bdf", ".pfb", ".pcf.gz"};
    if (face.find('/') != std::string_view::npos) return true;
    std::string lower(face);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::string_view ext : kExtensions) {
        if (lower.size() > ext.size() && lower.ends_with(ext)) return true;
    }
    return false;
}

}  // namespace

std::string_view FamilyForFace(std::string_view face) {
    return EqualIgnoringAsciiCase(face, kDefaultWindowsFace) ? kDefaultFaceSubstitute : face;
}

TFontFile LocateFont(const std::string& face, bool bold, bool italic) {
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(face, ec);
    if (std::filesystem::is_regular_file(status)) return {face, 0};
    // A FIFO or a device would hold the font loader for ever.
    if (std::filesystem::exists(status)) {
        throw TBookError(std::string(kMsgNotRegularFile) + face);
    }
    if (LooksLikeFontFile(face)) {
        throw TBookError(std::string(kMsgFontFileNotFound) + face);
    }
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) throw std::bad_alloc();
    // The family goes in as a plain value: a name holding ":" or "-" must not
    // be parsed as fontconfig's pattern syntax.
    const std::string family(FamilyForFace(face));
    FcPatternAddString(pattern.get(), FC_FAMILY, AsFc(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // The process's own configuration: loaded once, shared with every lookup.
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
        throw TBookError(std::string(kMsgNoFontFor) + face);
    }
    int index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    return {reinterpret_cast<const char*>(file), index};
}

}  // namespace quorix
