// file_collector_test.cpp - walk order, filters, exclusions, stored names, DOS times.
#include "archive/file_collector.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/dos_time.h"
#include "archive_readers.h"

namespace fs = std::filesystem;

namespace quorix {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::string> Collect(const fs::path& base, const std::string& mask,
                                 std::uint32_t attr = 0x28BF,
                                 std::vector<std::string> exclusions = {""}) {
    TZWCollectRequest request;
    request.baseDir = base;
    request.mask = mask;
    request.searchAttr = attr;
    request.exclusions = std::move(exclusions);
    std::vector<std::string> names;
    CollectFiles(request, [&](const TZWCandidate& c) { names.push_back(c.storedName); });
    return names;
}

class FileCollectorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* f : {"b.txt", "a.txt", "README", ".hidden"}) WriteFile(Root() / f, f);
        fs::create_directories(Root() / "sub" / "deeper");
        fs::create_directories(Root() / ".hiddendir");
        WriteFile(Root() / "sub" / "z.dat", "z");
        WriteFile(Root() / "sub" / "deeper" / "y.txt", "y");
        WriteFile(Root() / ".hiddendir" / "x", "x");
    }
    const fs::path& Root() const { return dir_.Path(); }
    TempDir dir_;
};

TEST_F(FileCollectorTest, WalksDepthFirstWithFilesBeforeSubdirectoriesInByteOrder) {
    EXPECT_EQ(Collect(Root(), "*.*"),
              (std::vector<std::string>{".hidden", "README", "a.txt", "b.txt", ".hiddendir/",
                                        ".hiddendir/x", "sub/", "sub/z.dat", "sub/deeper/",
                                        "sub/deeper/y.txt"}));
}

TEST_F(FileCollectorTest, MasksAndFiltersSelectTheirPart) {
    struct Case {
        const char* mask;
        std::uint32_t attr;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // Without the directory bit there are no directory entries, but recursion goes on.
        {"*.txt", 0x28BF, {"a.txt", "b.txt", "sub/deeper/y.txt"}},
        {"*.*",
         0x28AF,
         {".hidden", "README", "a.txt", "b.txt", ".hiddendir/x", "sub/z.dat", "sub/deeper/y.txt"}},
        // A directory named without wildcards: its entry, then everything in it.
        {"sub", 0x28BF, {"sub/", "sub/z.dat", "sub/deeper/", "sub/deeper/y.txt"}},
        {"SUB", 0x28BF, {"sub/", "sub/z.dat", "sub/deeper/", "sub/deeper/y.txt"}},
        // A file named without wildcards is that file alone.
        {"README", 0x28BF, {"README"}},
        // Files qualify through the archive bit only; 0x100 alone takes nothing.
        {"*.*", 0x100, {}},
        {"missing", 0x28BF, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Collect(Root(), c.mask, c.attr), c.expected) << c.mask;
    }
}

TEST_F(FileCollectorTest, ExclusionsDropFilesAndWholeDirectories) {
    const std::string archive = (Root() / "sub" / "z.dat").string();
    auto names = Collect(Root(), "*.*", 0x28BF, {"", archive});
    EXPECT_EQ(std::count(names.begin(), names.end(), "sub/z.dat"), 0);
    EXPECT_EQ(names.size(), 9u);
    EXPECT_EQ(Collect(Root(), "*.*", 0x28BF, {"*.*"}), std::vector<std::string>{});
    names = Collect(Root(), "*.*", 0x28BF, {"sub"});
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.rfind("sub", 0) == 0; }),
              0);
    names = Collect(Root(), "*.*", 0x28BF, {"*.txt"});
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "README", ".hiddendir/", ".hiddendir/x",
                                               "sub/", "sub/z.dat", "sub/deeper/"}));
}

TEST_F(FileCollectorTest, OddEntriesAreLeftOut) {
    // A pipe would block the writer; a name with "\" must not climb out once "\" is "/".
    ASSERT_EQ(mkfifo((Root() / "pipe").c_str(), 0600), 0);
    WriteFile(Root() / "..\\evil", "e");
    fs::create_directory_symlink(Root(), Root() / "sub" / "loop");
    auto names = Collect(Root(), "*.*");
    EXPECT_EQ(names.size(), 10u);
    for (const auto& n : names) {
        EXPECT_EQ(n.find(".."), std::string::npos) << n;
        EXPECT_NE(n, "pipe");
        EXPECT_EQ(n.find("loop"), std::string::npos) << n;
    }
}

TEST(StoredNameTest, RelativeSlashSeparatedNeverLeadingSlash) {
    const fs::path base = "/data/temp";
    struct Case {
        fs::path path;
        TZWStorePath mode;
        bool dir;
        const char* expected;
    };
    const Case cases[] = {
        {"/data/temp/book.dat", TZWStorePath::spRelativePath, false, "book.dat"},
        {"/data/temp/META-INF/", TZWStorePath::spRelativePath, true, "META-INF/"},
        {"/data/temp/META-INF/MANIFEST.MF", TZWStorePath::spRelativePath, false,
         "META-INF/MANIFEST.MF"},
        {"/data/other/x.txt", TZWStorePath::spRelativePath, false, "data/other/x.txt"},
        {"/data/temp/a/b.txt", TZWStorePath::spNoPath, false, "b.txt"},
        {"/data/temp/a/b.txt", TZWStorePath::spFullPath, false, "data/temp/a/b.txt"},
        {"/data/temp/a\\b.txt", TZWStorePath::spRelativePath, false, "a/b.txt"},
        {"/data/temp/..\\up.txt", TZWStorePath::spRelativePath, false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StoredName(c.path, base, c.mode, c.dir), c.expected) << c.path;
    }
}

TEST(SourceAttributesTest, FilesDirectoriesAndReadOnly) {
    TempDir dir;
    WriteFile(dir.Path() / "rw", "x");
    WriteFile(dir.Path() / "ro", "x");
    fs::permissions(dir.Path() / "ro", fs::perms::owner_read);
    EXPECT_EQ(SourceAttributes(dir.Path() / "rw"), 0x20u);
    EXPECT_EQ(SourceAttributes(dir.Path() / "ro"), 0x21u);
    EXPECT_EQ(SourceAttributes(dir.Path()), 0x10u);
    EXPECT_EQ(SourceAttributes(dir.Path() / "gone"), 0x20u);
}

TEST(DosTimeTest, LocalTimeFieldsAndClampedYears) {
    struct Case {
        int year, month, day, hour, minute, second;
        std::uint16_t time, date;
    };
    const Case cases[] = {
        {2024, 2, 29, 13, 45, 59, 13 * 2048 + 45 * 32 + 29, 44 * 512 + 2 * 32 + 29},
        {1980, 1, 1, 0, 0, 0, 0, 33},
        {1970, 6, 1, 12, 0, 0, 0, 33},  // before the format's epoch
    };
    for (const auto& c : cases) {
        std::tm tm{};
        tm.tm_year = c.year - 1900;
        tm.tm_mon = c.month - 1;
        tm.tm_mday = c.day;
        tm.tm_hour = c.hour;
        tm.tm_min = c.minute;
        tm.tm_sec = c.second;
        tm.tm_isdst = -1;
        TDosDateTime d = ToDosDateTime(std::mktime(&tm));
        EXPECT_EQ(d.time, c.time) << c.year;
        EXPECT_EQ(d.date, c.date) << c.year;
    }
}

}  // namespace
}  // namespace quorix
