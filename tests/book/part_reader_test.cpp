// part_reader_test.cpp - cutting at sentence ends, book.dat and the part plan.
#include "book/part_reader.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <random>

#include "book/book_error.h"
#include "test_support.h"

namespace quorix {
namespace {
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

std::string BookDat(std::string_view text) {
    std::string out;
    std::uint32_t n = static_cast<std::uint32_t>(text.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(n >> shift));
    return out.append(text);
}

// Every part of `source` with `partSize`, as written to book.dat one after another.
std::vector<std::string> Cut(const TTempDir& dir, std::string_view source, std::int32_t partSize) {
    WriteFile(dir.Path() / "source.txt", source);
    TPartReader reader;
    EXPECT_EQ(reader.Open(dir.Path() / "source.txt"), source.size());
    std::uint64_t count = reader.PlanParts(partSize);
    std::vector<std::string> parts;
    TMemoryLog log;
    for (std::uint64_t k = 0; k < count; ++k) {
        TPart part = reader.NextPart(dir.Path(), log);
        std::string file = ReadFile(dir.Path() / "book.dat");
        EXPECT_EQ(file, BookDat(part.bytes));
        EXPECT_EQ(part.shortRead, k + 1 == count);
        parts.emplace_back(part.bytes);
    }
    return parts;
}

TEST(PartReader, ShortReadIsOnePartWithItsLengthPrefix) {
    TTempDir dir;
    EXPECT_EQ(Cut(dir, "Hello. Bye", 100), std::vector<std::string>{"Hello. Bye"});
    EXPECT_EQ(ReadFile(dir.Path() / "book.dat"), std::string("\0\0\0\x0AHello. Bye", 14));
}

TEST(PartReader, FullReadIsCutAfterTheLastSentenceEnd) {
    TTempDir dir;
    EXPECT_EQ(Cut(dir, "Ab. Cd. Ef", 8), (std::vector<std::string>{"Ab. Cd.", " Ef"}));
    EXPECT_EQ(Cut(dir, "Why? Yes! No", 10), (std::vector<std::string>{"Why? Yes!", " No"}));
    EXPECT_EQ(Cut(dir, "Wait... more", 10), (std::vector<std::string>{"Wait...", " more"}));
    // A sentence end as the last byte of a full read: no move back.
    EXPECT_EQ(Cut(dir, "Abc.Def", 4), (std::vector<std::string>{"Abc.", "Def"}));
    // No sentence end at all: cut in the middle of a word.
    EXPECT_EQ(Cut(dir, "abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
}

TEST(PartReader, LogsTheTextFileWithoutItsPrefix) {
    TTempDir dir;
    WriteFile(dir.Path() / "s.txt", "Ab. Cd. Ef");
    TPartReader reader;
    reader.Open(dir.Path() / "s.txt");
    reader.PlanParts(8);
    TMemoryLog log;
    reader.NextPart(dir.Path(), log);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0],
              "Create text file " + (dir.Path() / "book.dat").string() + ", size 7 bytes");
}

// No text is lost after the count the source size alone would give.
TEST(PartReader, PlansEveryPartUntilTheSourceIsUsedUp) {
    TTempDir dir;
    // 12 bytes with part size 6 would be 2 parts by size; the cuts need 3.
    EXPECT_EQ(Cut(dir, "A. Bcd. Efgh", 6), (std::vector<std::string>{"A.", " Bcd.", " Efgh"}));
    EXPECT_TRUE(Cut(dir, "", 10).empty());
}

long PeakMemoryKb() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(PartReader, HugePartSizeNeedsNoMoreMemoryThanTheSource) {
    TTempDir dir;
    long before = PeakMemoryKb();
    EXPECT_EQ(Cut(dir, "One. Two.", 2000000000), std::vector<std::string>{"One. Two."});
    // A buffer of the part size would have touched about 2 GB.
    EXPECT_LT(PeakMemoryKb() - before, 64 * 1024);
}

TEST(PartReader, MissingOrDirectorySourceRaisesTheRuntimeMessage) {
    TTempDir dir;
    TPartReader reader;
    EXPECT_THROW(
        {
            try {
                reader.Open(dir.Path() / "missing.txt");
            } catch (const TBookError& e) {
                EXPECT_STREQ(e.what(), "File not found");
                throw;
            }
        },
        TBookError);
    EXPECT_THROW(reader.Open(dir.Path()), TBookError);
}

// Random sources and part sizes: the parts give the source back, none is longer
// than the part size, and each but the last ends at a sentence end when it can.
TEST(PartReader, PropertyPartsConcatenateToTheSource) {
    TTempDir dir;
    std::mt19937 random(20261208);
    const char alphabet[] = "ab .?!\r\n\xC0\xFF";
    for (int round = 0; round < 200; ++round) {
        std::string source(random() % 300, ' ');
        for (char& c : source) c = alphabet[random() % (sizeof alphabet - 1)];
        std::int32_t partSize = 1 + static_cast<std::int32_t>(random() % 40);
        std::vector<std::string> parts = Cut(dir, source, partSize);
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::string& p = parts[i];
            ASSERT_FALSE(p.empty());
            ASSERT_LE(p.size(), static_cast<std::size_t>(partSize));
            bool last = i + 1 == parts.size();
            bool cutAtEnd = p.find_last_of(".?!") == p.size() - 1;
            bool holdsNone = p.find_first_of(".?!") == std::string::npos;
            if (!last) {
                EXPECT_TRUE(cutAtEnd ||
                            (holdsNone && p.size() == static_cast<std::size_t>(partSize)))
                    << "part " << i << " of round " << round;
            }
            joined += p;
        }
        ASSERT_EQ(joined, source) << "round " << round;
    }
}

}  // namespace
}  // namespace quorix
