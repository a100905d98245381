// archive_file_test.cpp - the length the archive file keeps for itself follows the disk.
#include "archive/archive_file.h"

#include <gtest/gtest.h>

#include "archive_readers.h"

namespace fs = std::filesystem;

namespace quorix {
namespace {

using test::ReadFile;
using test::TempDir;

TEST(ArchiveFileTest, SizeFollowsWritesSeeksAndCuts) {
    TempDir dir;
    const fs::path path = dir.Path() / "a.jar";
    test::WriteFile(path, std::string(5000, 'o'));  // an old file is emptied on open
    TArchiveFile file(path);
    auto expectSize = [&](std::uint64_t size, const char* step) {
        EXPECT_EQ(file.Size(), size) << step;
        EXPECT_EQ(fs::file_size(path), size) << step;
    };
    expectSize(0, "opened");
    file.Write("0123456789");
    expectSize(10, "buffered bytes count");
    file.Seek(2);
    file.Write("ab");
    expectSize(10, "overwriting inside does not grow it");
    file.Seek(10);
    file.Write(std::string(TArchiveFile::kBufferSize + 7, 'z'));
    expectSize(TArchiveFile::kBufferSize + 17, "a write larger than the buffer");
    file.Truncate(6);
    expectSize(6, "cut");
    EXPECT_EQ(file.Position(), 6u);
    file.Truncate(6);
    expectSize(6, "cut where it ends");
    file.Truncate(9);
    expectSize(9, "cut beyond the end");
    file.Write("!");
    file.Flush(true);
    file.Flush(true);
    expectSize(10, "flushed to the disk");
    EXPECT_EQ(ReadFile(path), std::string("01ab45") + std::string(3, '\0') + "!");
}

}  // namespace
}  // namespace quorix
