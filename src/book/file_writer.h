// file_writer.h - the build's file primitives with their log lines and messages.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "book/build_log.h"

namespace quorix {

inline constexpr std::string_view kMsgCannotCreateDir = "Can not create tempopary directory ";
inline constexpr std::string_view kMsgCannotSaveFile = "Can not create/save file ";

// Succeeds when the directory exists or can be made as one level (the parent
// must exist); logs "Temporary directory <path> - Ok".
void EnsureDirectory(const std::filesystem::path& dir, TBuildLog& log);

// Creates or truncates the file; with `lengthPrefix` the byte count goes first as
// 4 big-endian bytes. Logs "Create file <path>, size <n> bytes" with n the file size.
void WriteTextFile(std::string_view text, const std::filesystem::path& path, bool lengthPrefix,
                   TBuildLog& log);

// The same for a block of bytes without prefix.
void WriteBlob(std::span<const unsigned char> bytes, const std::filesystem::path& path,
               TBuildLog& log);

// Writes the bytes in one piece; failures raise the runtime's I/O message
// (IoErrorMessage), not the "Can not create/save file" wrapping.
void WriteRawFile(std::string_view bytes, const std::filesystem::path& path);

// The same for pieces written one after another, so that callers need not join them.
void WriteRawFile(std::span<const std::string_view> pieces, const std::filesystem::path& path);

}  // namespace quorix
