// index_page.h - the page a phone's browser opens: every book and part with links to its
// JAD and JAR.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serve/book_shelf.h"

namespace quorix::serve {

// Plain HTML that the browsers of old phones show: no script, a few hundred bytes per
// book, UTF-8, one short line per part so that it reads at 128 pixels wide.
std::string IndexPage(const std::vector<TShelfBook>& books);

// A file name as one relative URL path segment: everything but unreserved characters as %XX.
std::string EncodePathSegment(std::string_view name);

// "812 B", "45 KB", "1.2 MB": sizes as a phone user reads them.
std::string ShortSize(std::uint64_t bytes);

}  // namespace quorix::serve
