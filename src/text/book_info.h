// book_info.h - what a book says about itself: its title and authors.
#pragma once

#include <string>
#include <vector>

namespace quorix {

struct TBookInfo {
    std::string title;                 // UTF-8, whitespace folded
    std::vector<std::string> authors;  // UTF-8, one name each
};

}  // namespace quorix
