// book_shelf.h - the books of a midlets directory as the server offers them: every JAD and
// JAR directly in the directory, grouped into books with their parts in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorix::serve {

enum class TBookFileKind { jad, jar };

// The kind of a name the server may serve, none for any other name: a JAD or JAR name
// (suffix in any case) that is not hidden and holds no separator.
std::optional<TBookFileKind> ServableKind(std::string_view name);

struct TShelfFile {
    std::string name;
    std::uint64_t size = 0;
};

struct TShelfPart {
    int number = 0;  // 0 for a book of one part
    std::optional<TShelfFile> jad;
    std::optional<TShelfFile> jar;
};

struct TShelfBook {
    std::string name;
    std::vector<TShelfPart> parts;
};

// Books by name, each once. A multi-part build names its parts book name + 1, 2, ...;
// names of one stem that run from 1 make one book, any other name is a book of its own.
std::vector<TShelfBook> GroupBooks(const std::vector<TShelfFile>& files);

// The servable regular files directly in the open directory `dirFd`; links, FIFOs and
// directories are left out whatever their names.
std::vector<TShelfFile> ListServable(int dirFd);

}  // namespace quorix::serve
