// entry_compressor_test.cpp - block boundaries, flush markers, empty and short sources.
#include "archive/entry_compressor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "archive/zw_exception.h"
#include "archive_readers.h"

namespace quorix {
namespace {

using test::ReadFile;
using test::TempDir;

struct Output {
    TZWCompressedData result;
    std::string bytes;
};

Output Compress(const std::string& source, int level, std::uint16_t method,
                std::uint64_t declaredSize) {
    TempDir dir;
    Output out;
    {
        TArchiveFile archive(dir.Path() / "out");
        std::istringstream in(source);
        out.result = CompressEntry(in, declaredSize, level, method, archive, "zw");
    }
    out.bytes = ReadFile(dir.Path() / "out");
    return out;
}

std::size_t CountSyncMarkers(const std::string& data) {
    const std::string marker("\x00\x00\xff\xff", 4);
    std::size_t count = 0;
    for (auto at = data.find(marker); at != std::string::npos; at = data.find(marker, at + 1)) {
        ++count;
    }
    return count;
}

TEST(EntryCompressorTest, BlockSizesByLevel) {
    const std::size_t expected[] = {0x100000, 0x80000,  0x80000,  0x80000,  0x100000,
                                    0x100000, 0x100000, 0x180000, 0x180000, 0x180000};
    for (int level = 0; level <= 9; ++level) {
        EXPECT_EQ(BlockSizeForLevel(level), expected[level]) << level;
    }
}

TEST(EntryCompressorTest, LevelNineBlockBoundary) {
    struct Case {
        std::size_t size;
        std::size_t markers;
    };
    for (const Case c : {Case{1572864, 0}, Case{1572865, 1}, Case{3 * 1572864 + 5, 3}}) {
        const std::string source = test::SampleText(c.size, 7);
        Output out = Compress(source, 9, 8, source.size());
        EXPECT_EQ(CountSyncMarkers(out.bytes), c.markers) << c.size;
        EXPECT_EQ(test::InflateRaw(out.bytes), source) << c.size;
        EXPECT_EQ(out.result.compressedSize, out.bytes.size());
        EXPECT_EQ(out.result.uncompressedSize, c.size);
        EXPECT_EQ(out.result.method, 8);
        EXPECT_EQ(out.result.crc32,
                  crc32(0, reinterpret_cast<const Bytef*>(source.data()), source.size()));
        EXPECT_LT(out.bytes.size(), c.size / 2) << "text must actually compress";
    }
}

TEST(EntryCompressorTest, StoredAndEmptySources) {
    Output stored = Compress("plain bytes", 0, 0, 11);
    EXPECT_EQ(stored.bytes, "plain bytes");
    EXPECT_EQ(stored.result.method, 0);
    EXPECT_EQ(stored.result.compressedSize, 11u);

    for (std::uint16_t method : {0, 8}) {
        Output empty = Compress("", 9, method, 0);
        EXPECT_EQ(empty.bytes, "");
        EXPECT_EQ(empty.result.method, 0);
        EXPECT_EQ(empty.result.crc32, 0u);
        EXPECT_EQ(empty.result.compressedSize, 0u);
    }
}

TEST(EntryCompressorTest, ShortSourceRaisesCode34) {
    for (std::uint16_t method : {0, 8}) {
        try {
            Compress("0123456789", 9, method, 12);
            FAIL() << "short source accepted";
        } catch (const EZWException& e) {
            EXPECT_EQ(e.Code(), 34);
            EXPECT_STREQ(e.what(),
                         "zw: Invalid compressed size, rfs.size = 12, count = 0 - Native error: "
                         "00034");
        }
    }
}

}  // namespace
}  // namespace quorix
