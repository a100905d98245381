// replacing_file_test.cpp - new files that replace their final names whole.
#include "base/replacing_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReplacingFile, TargetUntouchedUntilCommitThenReplacedWhole) {
    TTempDir dir;
    const fs::path target = dir.Path() / "book.jar";
    WriteFile(target, "old contents");
    TReplacingFile out(target);
    out.Write("new");
    out.Written();
    EXPECT_EQ(ReadFile(target), "old contents");
    // Unnamed until committed: a process killed now leaves nothing beside the target.
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"book.jar"});
    EXPECT_TRUE(out.TempPath().empty());
    out.Commit();
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"book.jar"});
}

TEST(ReplacingFile, UncommittedFileIsRemovedAndTheOldOneStays) {
    TTempDir dir;
    const fs::path target = dir.Path() / "book.jad";
    WriteFile(target, "old");
    {
        TReplacingFile out(target);
        out.Write(std::string(200000, 'x'));  // beyond the buffer: bytes reach the file
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"book.jad"});
}

TEST(ReplacingFile, LinkAtTargetIsReplacedNotWrittenThrough) {
    TTempDir dir;
    const fs::path victim = dir.Path() / "victim";
    WriteFile(victim, "keep me");
    const fs::path target = dir.Path() / "out.imp";
    fs::create_symlink(victim, target);
    TReplacingFile out(target);
    out.Write("listing");
    out.Commit();
    EXPECT_EQ(ReadFile(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(ReadFile(target), "listing");
}

TEST(ReplacingFile, PairRefusesADirectoryAtTheSecondNameBeforeRenamingAny) {
    TTempDir dir;
    WriteFile(dir.Path() / "a.jar", "old jar");
    fs::create_directory(dir.Path() / "a.jad");
    TReplacingFile jar(dir.Path() / "a.jar");
    TReplacingFile jad(dir.Path() / "a.jad");
    jar.Write("new jar");
    jad.Write("new jad");
    EXPECT_THROW(CommitPair(jar, jad), EOutputError);
    EXPECT_EQ(ReadFile(dir.Path() / "a.jar"), "old jar");
}

TEST(ReplacingFile, MissingDirectoryNamesTheTarget) {
    TTempDir dir;
    const fs::path target = dir.Path() / "none" / "x.jar";
    try {
        TReplacingFile out(target);
        FAIL() << "no error raised";
    } catch (const EOutputError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + target.string() + ": No such file or directory");
        EXPECT_EQ(e.Error(), ENOENT);
    }
}

// New names, a file, a link and a directory in the way: each name ends holding the whole new
// bytes or fails, no link is written through, and no private file is left behind.
TEST(WriteWholeFile, NewOrReplacedNeverThroughALink) {
    TTempDir dir;
    const std::string bytes(100000, 'p');
    WriteWholeFile(dir.Path() / "new.png", bytes);
    EXPECT_EQ(ReadFile(dir.Path() / "new.png"), bytes);

    WriteFile(dir.Path() / "old.png", "an older and longer picture");
    WriteWholeFile(dir.Path() / "old.png", "short");
    EXPECT_EQ(ReadFile(dir.Path() / "old.png"), "short");

    WriteFile(dir.Path() / "victim", "keep me");
    fs::create_symlink(dir.Path() / "victim", dir.Path() / "link.png");
    WriteWholeFile(dir.Path() / "link.png", "page");
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "link.png"));
    EXPECT_EQ(ReadFile(dir.Path() / "link.png"), "page");
    EXPECT_EQ(ReadFile(dir.Path() / "victim"), "keep me");

    fs::create_directory(dir.Path() / "dir.png");
    EXPECT_THROW(WriteWholeFile(dir.Path() / "dir.png", "page"), EOutputError);
    EXPECT_THROW(WriteWholeFile(dir.Path() / "missing" / "a.png", "page"), EOutputError);
    EXPECT_EQ(Names(dir.Path()),
              (std::vector<std::string>{"dir.png", "link.png", "new.png", "old.png", "victim"}));
}

TEST(OpenRegularFile, RefusesFifoDirectoryAndDeviceAtOnce) {
    TTempDir dir;
    const fs::path fifo = dir.Path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {fifo, fs::path("/dev/zero")}) {
        try {
            ::close(OpenRegularFile(path));
            ADD_FAILURE() << path << " was opened";
        } catch (const EOutputError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(kMsgNotRegularFile) + path.string());
        }
    }
    EXPECT_THROW(::close(OpenRegularFile(dir.Path())), EOutputError);
    WriteFile(dir.Path() / "f", "x");
    int fd = OpenRegularFile(dir.Path() / "f");
    char c = 0;
    EXPECT_EQ(::read(fd, &c, 1), 1);
    ::close(fd);
}

}  // namespace
}  // namespace quorix
