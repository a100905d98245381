// zip_format.h - signatures, record sizes and field values of the ZIP records we write.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorix::zipfmt {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;

inline constexpr std::size_t kLocalHeaderLen = 30;    // + name
inline constexpr std::size_t kCentralHeaderLen = 46;  // + name + comment
inline constexpr std::size_t kEndRecordLen = 22;      // + archive comment (always empty)

// Deflate needs version 2.0; the upper byte 0 of "made by" says the attribute
// word is a DOS attribute word.
inline constexpr std::uint16_t kVersionMadeBy = 20;
inline constexpr std::uint16_t kVersionNeeded = 20;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
// What an archive format without a method of its own answers.
inline constexpr std::uint16_t kMethodNone = 0xFFFF;

// Written into the local header until the data is known, then patched.
inline constexpr std::uint32_t kCrcPlaceholder = 0xFFFFFFFF;

// The 16-bit entry counts of the end record saturate above this.
inline constexpr std::uint32_t kMaxCountedEntries = 65534;
inline constexpr std::uint16_t kSaturatedEntryCount = 0xFFFF;

// Every size and offset is 32-bit and 0xFFFFFFFF would announce Zip64 records we never
// write, so the largest usable value is one less.
inline constexpr std::uint64_t kMaxSize32 = 0xFFFFFFFEu;

// DOS attribute bits of the external attribute word and the collection filter.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
// The filter that collects every ordinary file and switches directory entries on.
inline constexpr std::uint32_t kDefaultSearchAttr = 0x28BF;

}  // namespace quorix::zipfmt
