// zw_exception.h - the archive writer's exceptions and their message texts.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorix {

// Native error codes of EZWException and the texts they show.
enum TZWErrorCode : int {
    zwInvalidCompressionMode = 5,
    zwBlankFileName = 10,
    zwArchiveNotOpen = 13,
    zwCannotOpenFile = 33,
    zwInvalidCompressedSize = 34,
    zwWriteToStreamError = 46,
    zwEntryTooLarge = 60,
};

inline constexpr std::string_view kMsgInvalidCompressionMode =
    "Invalid compression mode. Mode must be in [0-9] range";
inline constexpr std::string_view kMsgBlankFileName =
    "File name is blank. Specify appropriate file name";
inline constexpr std::string_view kMsgArchiveNotOpen = "Archive is not open";
inline constexpr std::string_view kMsgCannotOpenFile = "Cannot open file \"%s\"";
inline constexpr std::string_view kMsgInvalidCompressedSize =
    "Invalid compressed size, rfs.size = %d, count = %d";
inline constexpr std::string_view kMsgWriteToStreamError = "Write to stream error";
// Sizes and offsets are 32-bit; a larger entry would be silently truncated.
inline constexpr std::string_view kMsgEntryTooLarge =
    "Entry \"%s\" does not fit the 4 GiB limit of the archive";
inline constexpr std::string_view kMsgNativeErrorSeparator = " - Native error: ";

inline constexpr std::string_view kMsgCannotCreateFile = "Cannot create file %s";
inline constexpr std::string_view kMsgCompressionError = "error";
inline constexpr std::string_view kMsgStreamWriteError = "Stream write error";
inline constexpr std::string_view kMsgZWInterrupted = "Interrupted";

// Replaces each "%s" or "%d" in turn with the next argument.
std::string FormatZWText(std::string_view text, std::initializer_list<std::string> args);

// A failure of the archive writer: "<instance>: <text> - Native error: 000NN".
class EZWException : public std::runtime_error {
  public:
    EZWException(std::string_view instanceName, int code, std::string_view text);

    int Code() const noexcept { return code_; }

  private:
    int code_;
};

// The archive file cannot be created or truncated.
class EFCreateError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The deflate engine reported an error.
class ECompressionError : public std::runtime_error {
  public:
    ECompressionError() : std::runtime_error(std::string(kMsgCompressionError)) {}
};

// The caller asked the writer to stop; no question is asked about it.
class EZWInterrupted : public std::runtime_error {
  public:
    EZWInterrupted() : std::runtime_error(std::string(kMsgZWInterrupted)) {}
};

// The end record did not go into the archive in full.
class EWriteError : public std::runtime_error {
  public:
    EWriteError() : std::runtime_error(std::string(kMsgStreamWriteError)) {}
};

}  // namespace quorix
