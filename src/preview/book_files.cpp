// book_files.cpp - a built book's members, read from its JAR with libzip or from a directory.
#include "preview/book_files.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kMembers{"font.dat", "book.dat", "help.dat",
                                                   "TBookCanvas.class"};
constexpr std::string_view kFullCanvasClass = "com/nokia/mid/ui/FullCanvas";

struct TZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct TZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

TPreviewError Lacks(const fs::path& where, std::string_view member) {
    return TPreviewError(where.string() + std::string(kMsgBookLacks) + std::string(member));
}

std::vector<std::uint8_t> ReadMember(zip_t* archive, const fs::path& jar, std::string_view name) {
    const std::string member(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, member.c_str(), 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        throw Lacks(jar, name);
    }
    std::unique_ptr<zip_file_t, TZipFileCloser> file(zip_fopen(archive, member.c_str(), 0));
    if (!file) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + jar.string() + ": " +
                            zip_strerror(archive));
    }
    std::vector<std::uint8_t> bytes(stat.size);
    const zip_int64_t got = zip_fread(file.get(), bytes.data(), bytes.size());
    if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) {
        throw TPreviewError(std::string(kMsgCannotOpenBook) + jar.string() + ": " + member +
                            " is damaged");
    }
    return bytes;
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
    int error = 0;
    std::unique_ptr<zip_t, TZipCloser> archive(
        zip_open(jarOrDirectory.c_str(), ZIP_RDONLY, &error));
    if (!archive) {
        zip_error_t why;
        zip_error_init_with_code(&why, error);
        std::string text = std::string(kMsgCannotOpenBook) + jarOrDirectory.string() + ": " +
                           zip_error_strerror(&why);
        zip_error_fini(&why);
        throw TPreviewError(text);
    }
    for (std::size_t i = 0; i < kMembers.size(); ++i) {
        members[i] = ReadMember(archive.get(), jarOrDirectory, kMembers[i]);
    }
    return Assemble(std::move(members));
}

}  // namespace quorix::preview
