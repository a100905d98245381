// book_shelf.cpp - reads the directory through its descriptor only, so nothing outside it
// is ever looked at.
#include "serve/book_shelf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace quorix::serve {
namespace {

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char a, char b) { return a == (b | 0x20); });
}

// The part number a name ends with: digits without a leading zero after a non-empty stem.
struct TNumberedName {
    std::string_view stem;
    int number = 0;
};

std::optional<TNumberedName> SplitNumber(std::string_view base) {
    std::size_t start = base.size();
    while (start > 0 && base[start - 1] >= '0' && base[start - 1] <= '9') --start;
    const std::size_t digits = base.size() - start;
    if (start == 0 || digits == 0 || digits > 6 || base[start] == '0') return std::nullopt;
    int number = 0;
    for (char c : base.substr(start)) number = number * 10 + (c - '0');
    return TNumberedName{base.substr(0, start), number};
}

void Place(TShelfPart& part, const TShelfFile& file) {
    (*ServableKind(file.name) == TBookFileKind::jad ? part.jad : part.jar) = file;
}

}  // namespace

std::optional<TBookFileKind> ServableKind(std::string_view name) {
    if (name.size() <= 4 || name.size() > 255 || name.front() == '.') return std::nullopt;
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        return std::nullopt;
    }
    if (EndsWithNoCase(name, ".jad")) return TBookFileKind::jad;
    if (EndsWithNoCase(name, ".jar")) return TBookFileKind::jar;
    return std::nullopt;
}

std::vector<TShelfBook> GroupBooks(const std::vector<TShelfFile>& files) {
    // Numbered names by stem first: a stem makes a multi-part book only with a part 1.
    std::map<std::string, std::map<int, TShelfPart>, std::less<>> numbered;
    for (const TShelfFile& file : files) {
        if (!ServableKind(file.name)) continue;
        const std::string_view base = std::string_view(file.name).substr(0, file.name.size() - 4);
        if (auto split = SplitNumber(base)) {
            TShelfPart& part = numbered[std::string(split->stem)][split->number];
            part.number = split->number;
            Place(part, file);
        }
    }
    std::map<std::string, TShelfBook> books;  // by display name, then kind
    for (const TShelfFile& file : files) {
        if (!ServableKind(file.name)) continue;
        const std::string base = file.name.substr(0, file.name.size() - 4);
        const auto split = SplitNumber(base);
        if (split) {
            auto stem = numbered.find(split->stem);
            if (stem != numbered.end() && stem->second.contains(1) && stem->second.size() > 1) {
                continue;  // part of a multi-part book, placed below
            }
        }
        TShelfBook& book = books[base + '\x01'];
        book.name = base;
        if (book.parts.empty()) book.parts.emplace_back();
        Place(book.parts.front(), file);
    }
    for (auto& [stem, parts] : numbered) {
        if (!parts.contains(1) || parts.size() < 2) continue;
        TShelfBook& book = books[stem + '\x02'];
        book.name = stem;
        for (auto& [number, part] : parts) book.parts.push_back(part);
    }
    std::vector<TShelfBook> shelf;
    for (auto& [key, book] : books) shelf.push_back(std::move(book));
    return shelf;
}

std::vector<TShelfFile> ListServable(int dirFd) {
    std::vector<TShelfFile> files;
    // A descriptor of its own: closedir closes it, and the server's stays open.
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return files;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return files;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!ServableKind(entry->d_name)) continue;
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode)) continue;
        files.push_back({entry->d_name, static_cast<std::uint64_t>(info.st_size)});
    }
    ::closedir(dir);
    return files;
}

}  // namespace quorix::serve
