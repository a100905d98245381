// text_error.h - the exception the source readers raise; its text is what the log shows.
#pragma once

#include <stdexcept>

namespace quorix {

class TTextError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A source read as UTF-8 holds a byte sequence that is not UTF-8.
class TInvalidUtf8 : public TTextError {
  public:
    using TTextError::TTextError;
};

}  // namespace quorix
