// entry_compressor_test.cpp - block boundaries, flush markers, empty and short sources,
// runs from memory and the cache of deflated data.
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

// A full disk in the middle of a large entry is the same code 34 as a short source,
// with the bytes that did go in.
TEST(EntryCompressorTest, FullDiskDuringALargeEntryRaisesCode34WithItsCounts) {
    std::string source;
    for (std::uint64_t i = 0; source.size() < 5 * 1024 * 1024; ++i)
        source += std::to_string(i * 7919) + " ";
    TArchiveFile archive("/dev/full");
    std::istringstream in(source);
    try {
        CompressEntry(in, source.size(), 9, 8, archive, "zw");
        FAIL() << "a full disk took the entry";
    } catch (const EZWException& e) {
        EXPECT_EQ(e.Code(), 34);
        const std::string prefix =
            "zw: Invalid compressed size, rfs.size = " + std::to_string(source.size()) +
            ", count = ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    }
}

TEST(EntryCompressorTest, StopRequestEndsTheRunBeforeTheNextBlock) {
    TempDir dir;
    TArchiveFile archive(dir.Path() / "out");
    std::string source(4 * 1024 * 1024, 'a');
    std::istringstream in(source);
    int asked = 0;
    auto stop = [&asked] { return ++asked == 2; };
    EXPECT_THROW(CompressEntry(in, source.size(), 9, 8, archive, "zw", stop), EZWInterrupted);
    EXPECT_EQ(asked, 2);
}

TEST(EntryCompressorTest, RunFromMemoryMatchesTheStreamedRun) {
    struct Case {
        std::size_t size;
        int level;
        std::uint16_t method;
    };
    // Sizes around the block sizes of levels 1 and 9, so that flush markers are compared too.
    const Case cases[] = {{0, 9, 8},      {1, 9, 8},       {8171, 9, 8},    {8171, 0, 0},
                          {524289, 1, 8}, {1572864, 9, 8}, {1572865, 9, 8}, {2 * 524288 + 3, 2, 8},
                          {70000, 6, 8}};
    for (const Case& c : cases) {
        const std::string source = test::SampleText(c.size, 11);
        Output streamed = Compress(source, c.level, c.method, source.size());
        std::string compressed = "kept";
        TZWCompressedData data = CompressBytes(source, c.level, c.method, compressed);
        EXPECT_EQ(compressed.substr(0, 4), "kept") << "appends to what is there";
        EXPECT_EQ(compressed.substr(4), streamed.bytes) << c.size << " at " << c.level;
        EXPECT_EQ(data.crc32, streamed.result.crc32) << c.size;
        EXPECT_EQ(data.compressedSize, streamed.result.compressedSize) << c.size;
        EXPECT_EQ(data.uncompressedSize, c.size);
        EXPECT_EQ(data.method, streamed.result.method) << c.size;
    }
}

TZWEntryCache::Item CacheItem(const std::string& source, int level = 9) {
    TZWEntryCache::Item item;
    item.level = level;
    item.method = 8;
    item.source = source;
    item.data = CompressBytes(source, level, 8, item.compressed);
    return item;
}

TEST(EntryCacheTest, ServesOnlyTheSameBytesUnderTheSameNameLevelAndMethod) {
    TZWEntryCache cache;
    const std::string source = test::SampleText(8171, 2);
    EXPECT_EQ(cache.Find("A.class", source, 9, 8), nullptr);
    cache.Store("A.class", CacheItem(source));
    const TZWEntryCache::Item* hit = cache.Find("A.class", source, 9, 8);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(test::InflateRaw(hit->compressed), source);

    std::string changed = source;
    changed[4000] ^= 1;  // same size, one bit apart
    EXPECT_EQ(cache.Find("A.class", changed, 9, 8), nullptr);
    EXPECT_EQ(cache.Find("A.class", source.substr(0, 8170), 9, 8), nullptr);
    EXPECT_EQ(cache.Find("A.class", source, 1, 8), nullptr);
    EXPECT_EQ(cache.Find("A.class", source, 9, 0), nullptr);
    EXPECT_EQ(cache.Find("B.class", source, 9, 8), nullptr);

    // New bytes under a name take its slot; the old ones are no longer served.
    cache.Store("A.class", CacheItem(changed));
    EXPECT_EQ(cache.Find("A.class", source, 9, 8), nullptr);
    hit = cache.Find("A.class", changed, 9, 8);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(test::InflateRaw(hit->compressed), changed);
    EXPECT_EQ(cache.TotalSize(), changed.size() + hit->compressed.size());
}

TEST(EntryCacheTest, MemoryStaysBounded) {
    TZWEntryCache cache;
    const std::string tooLarge = test::SampleText(TZWEntryCache::kMaxSourceSize + 1, 3);
    cache.Store("big", CacheItem(tooLarge));
    EXPECT_EQ(cache.Find("big", tooLarge, 9, 8), nullptr);
    EXPECT_EQ(cache.TotalSize(), 0u);

    // Incompressible sources of the largest size kept fill the cache quickly.
    std::string noise(TZWEntryCache::kMaxSourceSize, '\0');
    std::uint32_t x = 12345;
    for (char& ch : noise) {
        x = x * 1103515245u + 12345u;
        ch = static_cast<char>(x >> 23);
    }
    int kept = 0;
    for (int i = 0; i < 40; ++i) {
        noise[0] = static_cast<char>(i);
        const std::string name = std::to_string(i) + ".dat";
        cache.Store(name, CacheItem(noise));
        if (cache.Find(name, noise, 9, 8) != nullptr) ++kept;
        EXPECT_LE(cache.TotalSize(), TZWEntryCache::kMaxTotalSize);
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 40);
    // A full cache still takes new bytes for a name it holds.
    const std::string small = "small source";
    cache.Store("0.dat", CacheItem(small));
    EXPECT_NE(cache.Find("0.dat", small, 9, 8), nullptr);
    EXPECT_LE(cache.TotalSize(), TZWEntryCache::kMaxTotalSize);
}

}  // namespace
}  // namespace quorix
