// book_source.h - what a build takes from its source besides the text: encoding options, names.
#pragma once

#include <string>

#include "book/build_settings.h"
#include "text/book_info.h"
#include "text/text_source.h"

namespace quorix {

TTextOptions TextOptionsOf(const TBuildSettings& settings);

// The settings with the book name and information taken from the book's own
// title and authors where the settings ask for it and the book names them.
TBuildSettings WithSourceNames(const TBuildSettings& settings);

// A title made into a book name the build accepts: characters the code page
// lacks transliterated, "/", "\", "," and control characters dropped, at most 200
// bytes both in the code page and in UTF-8. Empty when nothing is left.
std::string BookNameFromTitle(const std::string& title, const std::string& codePage);

// "Author, Author. Title", in characters the code page has, on one line.
std::string InfoFromBook(const TBookInfo& info, const std::string& codePage);

}  // namespace quorix
