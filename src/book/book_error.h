// book_error.h - the exception a build step raises; its text is what the log shows.
#pragma once

#include <stdexcept>
#include <string>

namespace quorix {

class TBookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The runtime's input/output message for an errno value: "File not found",
// "File access denied", "Disk full", or "I/O error %d".
std::string IoErrorMessage(int errorCode);

}  // namespace quorix
