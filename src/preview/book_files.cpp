// book_files.cpp - a built book's members, read from its JAR or from a directory.
#include "preview/book_files.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "book/part_files.h"
#include "text/text_error.h"
#include "text/zip_archive.h"

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kMembers{kFontDatName, kBookDatName, kHelpDatName,
                                                   kCanvasClassFile};
constexpr std::string_view kFullCanvasClass = "com/nokia/mid/ui/FullCanvas";

TPreviewError Lacks(const fs::path& where, std::string_view member) {
    return TPreviewError(where.string() + std::string(kMsgBookLacks) + std::string(member));
}

std::vector<std::uint8_t> ReadMember(const TZipArchive& archive, const fs::path& jar,
                                     std::string_view name) {
    const std::string member(name);
    const std::optional<std::uint64_t> size = archive.Size(member);
    if (!size) {
        throw Lacks(jar, name);
    }
    std::string bytes;
    try {
        bytes = archive.ReadAll(member, *size);
    } catch (const TTextError& e) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + jar.string() + ": " + e.what());
    }
    if (bytes.size() != *size) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + jar.string() + ": " + member +
                            " is damaged");
    }
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> ReadPlainFile(const fs::path& dir, std::string_view name) {
    const fs::path path = dir / name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Lacks(dir, name);
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + path.string());
    }
    return bytes;
}

TBookFiles Assemble(std::array<std::vector<std::uint8_t>, 4> members) {
    TBookFiles files;
    files.font = std::move(members[0]);
    files.book = std::move(members[1]);
    files.help = std::move(members[2]);
    files.canvas = CanvasOfClass(members[3]);
    return files;
}

}  // namespace

TCanvasKind CanvasOfClass(const std::vector<std::uint8_t>& classFile) {
    const auto found = std::search(classFile.begin(), classFile.end(), kFullCanvasClass.begin(),
                                   kFullCanvasClass.end());
    return found != classFile.end() ? TCanvasKind::FullScreen : TCanvasKind::Standard;
}

TBookFiles ReadBookFiles(const fs::path& jarOrDirectory) {
    std::array<std::vector<std::uint8_t>, 4> members;
    std::error_code ec;
    if (fs::is_directory(jarOrDirectory, ec)) {
        for (std::size_t i = 0; i < kMembers.size(); ++i) {
            members[i] = ReadPlainFile(jarOrDirectory, kMembers[i]);
        }
        return Assemble(std::move(members));
    }
    std::string why;
    const std::optional<TZipArchive> archive = TZipArchive::Open(jarOrDirectory, why);
    if (!archive) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + jarOrDirectory.string() + ": " + why);
    }
    for (std::size_t i = 0; i < kMembers.size(); ++i) {
        members[i] = ReadMember(*archive, jarOrDirectory, kMembers[i]);
    }
    return Assemble(std::move(members));
}

}  // namespace quorix::preview
