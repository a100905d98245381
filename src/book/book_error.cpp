// book_error.cpp - the runtime's texts for input/output failures.
#include "book/book_error.h"

#include <cerrno>

namespace quorix {

std::string IoErrorMessage(int errorCode) {
    switch (errorCode) {
        case ENOENT:
            return "File not found";
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return "File access denied";
        case ENOSPC:
        case EFBIG:
        case EDQUOT:
            return "Disk full";
        default:
            return "I/O error " + std::to_string(errorCode);
    }
}

}  // namespace quorix
