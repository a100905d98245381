// zip_writer_test.cpp - whole archives written by TZipWriter and read back independently.
#include "archive/zip_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/entry_compressor.h"
#include "archive/mask.h"
#include "archive_readers.h"

namespace fs = std::filesystem;

namespace quorix {
namespace {

using test::CheckWithReaders;
using test::ParseArchive;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> Names(const std::vector<test::ParsedEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    return names;
}

class ZipWriterTest : public ::testing::Test {
  protected:
    ZipWriterTest() : zw("zw") {
        zw.SetCompressionLevel(TZWCompressionLevel::clMax);
        zw.SetCompressionMode(9);
        fs::create_directory(Tree());
    }
    fs::path Tree() const { return dir_.Path() / "temp"; }
    fs::path Jar() const { return dir_.Path() / "book.jar"; }

    // The driver's sequence: META-INF first, then everything.
    void WriteBuildArchive() {
        zw.SetFileName(Jar());
        zw.OpenNew();
        zw.SetBaseDir(Tree());
        zw.BeginUpdate();
        zw.AddMatching("META-INF", 10431, "");
        zw.AddMatching("*.*", 10431, "");
        zw.EndUpdate();
        zw.Close();
    }
    void WriteSimpleArchive() {
        zw.SetFileName(Jar());
        zw.OpenNew();
        zw.SetBaseDir(Tree());
        zw.AddMatching("*.*", 10431, "");
        zw.Close();
    }
    void MakeBuildTree() {
        for (const char* f : {"TBookMIDlet.class", "TBookCanvas.class"})
            WriteFile(Tree() / f, "\xca\xfe\xba\xbe" + test::SampleText(3000, 3));
        WriteFile(Tree() / "book.dat", test::SampleText(90000, 4));
        WriteFile(Tree() / "help.dat", test::SampleText(2500, 5));
        WriteFile(Tree() / "font.dat", test::SampleText(7000, 6));
        fs::create_directory(Tree() / "META-INF");
        WriteFile(Tree() / "META-INF" / "MANIFEST.MF",
                  "Manifest-Version: 1.0\r\nMIDlet-Name: Book\r\n\r\n");
    }

    TempDir dir_;
    TZipWriter zw;
};

TEST_F(ZipWriterTest, EmptyBaseDirectoryGivesTheBareEndRecord) {
    WriteSimpleArchive();
    const std::string expected = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    EXPECT_EQ(ReadFile(Jar()), expected);
    CheckWithReaders(Jar(), Tree());
}

TEST_F(ZipWriterTest, BuildTreeGivesManifestFirstThenFilesInNameOrder) {
    MakeBuildTree();
    // An old archive at the same path is truncated without a question.
    WriteFile(Jar(), std::string(300000, 'x'));
    WriteBuildArchive();
    auto entries = ParseArchive(ReadFile(Jar()));
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{"META-INF/", "META-INF/MANIFEST.MF", "TBookCanvas.class",
                                        "TBookMIDlet.class", "book.dat", "font.dat", "help.dat"}));
    for (const auto& e : entries) {
        bool dir = e.name.back() == '/';
        EXPECT_EQ(e.externalAttributes, dir ? 0x10u : 0x20u) << e.name;
        EXPECT_EQ(e.method, dir ? 0 : 8) << e.name;
    }
    CheckWithReaders(Jar(), Tree(), /*expectManifest=*/true);
}

TEST_F(ZipWriterTest, EntryKindsGiveTheirHeaderFields) {
    WriteFile(Tree() / "empty", "");
    WriteFile(Tree() / "noise.bin", test::SampleText(1, 1));
    std::string noise;
    for (unsigned i = 0; i < 5000; ++i) noise.push_back(static_cast<char>((i * 2654435761u) >> 13));
    WriteFile(Tree() / "noise.bin", noise);
    WriteFile(Tree() / "readonly.txt", "read me");
    fs::permissions(Tree() / "readonly.txt", fs::perms::owner_read);
    fs::create_directory(Tree() / "dir");
    WriteSimpleArchive();
    auto entries = ParseArchive(ReadFile(Jar()));
    struct Expect {
        const char* name;
        std::uint16_t method;
        std::uint32_t attributes;
        bool emptyData;
    };
    const Expect expected[] = {
        {"empty", 0, 0x20, true},
        {"noise.bin", 8, 0x20, false},  // deflated even if it grows
        {"readonly.txt", 8, 0x21, false},
        {"dir/", 0, 0x10, true},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].method, expected[i].method) << expected[i].name;
        EXPECT_EQ(entries[i].externalAttributes, expected[i].attributes) << expected[i].name;
        if (expected[i].emptyData) {
            EXPECT_EQ(entries[i].crc32, 0u);
            EXPECT_EQ(entries[i].compressedSize, 0u);
            EXPECT_EQ(entries[i].uncompressedSize, 0u);
        }
    }
    CheckWithReaders(Jar(), Tree());
}

TEST_F(ZipWriterTest, LargeAndStoredEntriesReadBack) {
    WriteFile(Tree() / "big.txt", test::SampleText(1572865, 9));
    fs::create_directories(Tree() / "a" / "b");
    WriteFile(Tree() / "a" / "b" / "c.txt", "deep");
    WriteSimpleArchive();
    CheckWithReaders(Jar(), Tree());

    zw.SetCompressionMode(0);
    WriteSimpleArchive();
    for (const auto& e : ParseArchive(ReadFile(Jar()))) EXPECT_EQ(e.method, 0) << e.name;
    CheckWithReaders(Jar(), Tree());
}

TEST_F(ZipWriterTest, ArchiveInsideTheTreeIsNotCollected) {
    WriteFile(Tree() / "book.dat", "data");
    zw.SetFileName(Tree() / "self.jar");
    zw.OpenNew();
    zw.SetBaseDir(Tree());
    zw.AddMatching("*.*", 10431, "");
    zw.Close();
    auto entries = ParseArchive(ReadFile(Tree() / "self.jar"));
    EXPECT_EQ(Names(entries), std::vector<std::string>{"book.dat"});
    CheckWithReaders(Tree() / "self.jar", Tree());
}

TEST_F(ZipWriterTest, SeparateCommitsAppendToTheArchive) {
    fs::create_directory(Tree() / "META-INF");
    WriteFile(Tree() / "META-INF" / "MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n");
    WriteFile(Tree() / "book.dat", test::SampleText(5000));
    zw.SetFileName(Jar());
    zw.OpenNew();
    zw.SetBaseDir(Tree());
    zw.AddMatching("META-INF", 10431, "");
    zw.AddMatching("book.dat", 10431, "");
    zw.Close();
    auto entries = ParseArchive(ReadFile(Jar()));
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{"META-INF/", "META-INF/MANIFEST.MF", "book.dat"}));
    CheckWithReaders(Jar(), Tree(), true);
}

TEST_F(ZipWriterTest, CurrentDirectoryIsUntouched) {
    WriteFile(Tree() / "a.txt", "a");
    const fs::path before = fs::current_path();
    WriteSimpleArchive();
    EXPECT_EQ(fs::current_path(), before);
    zw.OpenNew();
    std::string tooManyStars;
    for (int i = 0; i < 31; ++i) tooManyStars += "*a";
    EXPECT_THROW(zw.AddMatching(tooManyStars, 10431, ""), EMaskError);
    EXPECT_EQ(zw.UpdateDepth(), 0);
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(ZipWriterTest, SettingsAndStateErrors) {
    TZipWriter fresh("zw");
    EXPECT_EQ(fresh.CompressionLevel(), TZWCompressionLevel::clFastest);
    EXPECT_EQ(fresh.CompressionMode(), 1);
    struct ModeCase {
        int mode;
        TZWCompressionLevel level;
    };
    for (auto [mode, level] :
         {ModeCase{0, TZWCompressionLevel::clNone}, ModeCase{3, TZWCompressionLevel::clFastest},
          ModeCase{5, TZWCompressionLevel::clNormal}, ModeCase{7, TZWCompressionLevel::clMax}}) {
        fresh.SetCompressionMode(mode);
        EXPECT_EQ(fresh.CompressionLevel(), level) << mode;
    }
    fresh.SetCompressionLevel(TZWCompressionLevel::clNormal);
    EXPECT_EQ(fresh.CompressionMode(), 6);
    for (int bad : {10, -1}) {
        try {
            fresh.SetCompressionMode(bad);
            FAIL() << bad;
        } catch (const EZWException& e) {
            EXPECT_EQ(e.Code(), 5);
            EXPECT_STREQ(e.what(),
                         "zw: Invalid compression mode. Mode must be in [0-9] range - Native "
                         "error: 00005");
        }
        EXPECT_EQ(fresh.CompressionMode(), 6);
        EXPECT_EQ(fresh.CompressionLevel(), TZWCompressionLevel::clNormal);
    }

    try {
        fresh.AddMatching("*.*", 10431, "");
        FAIL();
    } catch (const EZWException& e) {
        EXPECT_EQ(e.Code(), 13);
        EXPECT_STREQ(e.what(), "zw: Archive is not open - Native error: 00013");
    }
    fresh.SetFileName(dir_.Path() / "");
    try {
        fresh.OpenNew();
        FAIL();
    } catch (const EZWException& e) {
        EXPECT_EQ(e.Code(), 10);
        EXPECT_STREQ(e.what(),
                     "zw: File name is blank. Specify appropriate file name - Native error: "
                     "00010");
    }
    fresh.SetFileName(dir_.Path() / "no" / "such" / "dir.jar");
    EXPECT_THROW(fresh.OpenNew(), EFCreateError);
    fresh.Close();
    fresh.Close();  // closing twice does nothing visible
    EXPECT_FALSE(fresh.IsOpen());
}

// The writer keeps deflated data of small files between archives; what it writes must be
// what a writer without that memory writes.
TEST_F(ZipWriterTest, ReusedDeflatedDataGivesTheSameArchive) {
    MakeBuildTree();
    fs::remove_all(Tree() / "META-INF");  // a directory entry carries the time it is collected
    WriteFile(Tree() / "big.txt", test::SampleText(TZipWriter::kInMemoryEntrySize + 1, 8));
    WriteSimpleArchive();
    const std::string first = ReadFile(Jar());
    WriteSimpleArchive();
    const std::string again = ReadFile(Jar());
    TZipWriter fresh("zw");
    fresh.SetCompressionMode(9);
    fresh.SetFileName(dir_.Path() / "fresh.jar");
    fresh.OpenNew();
    fresh.SetBaseDir(Tree());
    fresh.AddMatching("*.*", 10431, "");
    fresh.Close();
    EXPECT_EQ(again, first);
    EXPECT_EQ(again, ReadFile(dir_.Path() / "fresh.jar"));
    CheckWithReaders(Jar(), Tree());
}

TEST_F(ZipWriterTest, ChangedFileIsNeverServedFromEarlierData) {
    const fs::path cls = Tree() / "TBookMIDlet.class";
    const std::string before = "\xca\xfe\xba\xbe" + test::SampleText(8000, 3);
    WriteFile(cls, before);
    const auto stamp = fs::last_write_time(cls);
    WriteSimpleArchive();

    // Same size, same time, one byte apart: only the bytes tell the change.
    std::string after = before;
    after[5000] = after[5000] == 'x' ? 'y' : 'x';
    WriteFile(cls, after);
    fs::last_write_time(cls, stamp);
    WriteSimpleArchive();
    auto entries = ParseArchive(ReadFile(Jar()));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(test::EntryContent(entries[0]), after);
    EXPECT_EQ(entries[0].crc32,
              crc32(0, reinterpret_cast<const Bytef*>(after.data()), after.size()));

    // The same bytes at another level are deflated again.
    std::string levelNine = entries[0].data;
    zw.SetCompressionMode(1);
    WriteSimpleArchive();
    entries = ParseArchive(ReadFile(Jar()));
    ASSERT_EQ(entries.size(), 1u);
    std::string levelOne;
    CompressBytes(after, 1, 8, levelOne);
    EXPECT_EQ(entries[0].data, levelOne);
    EXPECT_NE(entries[0].data, levelNine);
    CheckWithReaders(Jar(), Tree());
}

// A source that vanishes between collection and commit fails with code 33.
class FailureAnswerTest : public ZipWriterTest {
  protected:
    void SetUp() override {
        WriteFile(Tree() / "a.txt", "first");
        WriteFile(Tree() / "b.txt", "second");
        WriteFile(Tree() / "c.txt", "third");
    }
    // Collects, removes b.txt, then commits; returns the commit's exception message.
    std::string Run() {
        zw.SetFileName(Jar());
        zw.OpenNew();
        zw.SetBaseDir(Tree());
        zw.BeginUpdate();
        zw.AddMatching("*.*", 10431, "");
        fs::remove(Tree() / "b.txt");
        std::string raised;
        try {
            zw.EndUpdate();
        } catch (const EZWException& e) {
            raised = e.what();
            EXPECT_EQ(e.Code(), 33);
        }
        zw.Close();
        return raised;
    }
};

TEST_F(FailureAnswerTest, RetryWritesTheEntryAgain) {
    int asked = 0;
    zw.OnProcessFileFailure = [&](const TZWFailureInfo& f) {
        ++asked;
        EXPECT_EQ(f.sourcePath, Tree() / "b.txt");
        EXPECT_EQ(f.nativeError, 33);
        EXPECT_EQ(f.message, "zw: Cannot open file \"" + (Tree() / "b.txt").string() +
                                 "\" - Native error: 00033");
        WriteFile(Tree() / "b.txt", "second, restored");
        return TZWAction::actRetry;
    };
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Names(ParseArchive(ReadFile(Jar()))),
              (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    CheckWithReaders(Jar(), Tree());
}

TEST_F(FailureAnswerTest, IgnoreLeavesTheEntryOut) {
    zw.OnProcessFileFailure = [](const TZWFailureInfo&) { return TZWAction::actSkip; };
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Names(ParseArchive(ReadFile(Jar()))), (std::vector<std::string>{"a.txt", "c.txt"}));
    CheckWithReaders(Jar(), Tree());
}

TEST_F(FailureAnswerTest, AbortAndNoHandlerRollBackAndRaise) {
    const std::string expected =
        "zw: Cannot open file \"" + (Tree() / "b.txt").string() + "\" - Native error: 00033";
    for (bool withHandler : {true, false}) {
        zw.OnProcessFileFailure = nullptr;
        if (withHandler) {
            zw.OnProcessFileFailure = [](const TZWFailureInfo&) { return TZWAction::actAbort; };
        }
        WriteFile(Tree() / "b.txt", "second");
        EXPECT_EQ(Run(), expected);
        EXPECT_EQ(fs::file_size(Jar()), 22u) << "rolled back to the empty archive";
        EXPECT_EQ(zw.UpdateDepth(), 0);
        CheckWithReaders(Jar(), Tree());
    }
}

}  // namespace
}  // namespace quorix
