// page_files_test.cpp - pages written side by side: names, bytes, and the first failure.
#include "preview/page_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "preview/png_writer.h"
#include "preview_test_support.h"

namespace quorix::preview {
namespace {

namespace fs = std::filesystem;
using test::Doc;
using test::FontDat;
using test::Widths;

std::vector<std::uint8_t> Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Name(int number) {
    return "page-" + std::to_string(number) + ".png";
}

class PageFilesTest : public ::testing::Test {
  protected:
    PageFilesTest() {
        std::string text;
        for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " of the book\r";
        files.font = FontDat(9, Widths(3), 0x0155);
        files.book = Doc(text);
        files.help = Doc("help");
        dir = fs::temp_directory_path() / ("quorix-page-files-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~PageFilesTest() override { fs::remove_all(dir); }

    TBookFiles files;
    fs::path dir;
};

TEST_F(PageFilesTest, EveryPageOfTheRangeIsTheEncodedPage) {
    const TBookPreview pages(files, TDocumentKind::Book, {64, 48}, true);
    ASSERT_GT(pages.PageCount(), 60);
    for (const unsigned workers : {1u, 4u}) {
        WritePageFiles(pages, 3, pages.PageCount() - 2, dir, Name, workers);
        std::size_t written = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            (void)entry;
            ++written;
        }
        EXPECT_EQ(written, static_cast<std::size_t>(pages.PageCount() - 4)) << workers;
        EXPECT_FALSE(fs::exists(dir / Name(2)));
        EXPECT_FALSE(fs::exists(dir / Name(pages.PageCount() - 1)));
        for (int number = 3; number <= pages.PageCount() - 2; ++number) {
            ASSERT_EQ(Contents(dir / Name(number)), EncodePng(pages.Page(number - 1)))
                << workers << " workers, page " << number;
        }
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
}

TEST_F(PageFilesTest, AFailureIsRaisedAndStopsThePagesNotBegun) {
    const TBookPreview pages(files, TDocumentKind::Book, {64, 48}, true);
    // A name under a file cannot be made, whichever thread takes it.
    { std::ofstream(dir / "blocker") << "x"; }
    const auto name = [](int number) {
        return number == 20 ? std::string("blocker/page.png") : Name(number);
    };
    EXPECT_THROW(WritePageFiles(pages, 1, pages.PageCount(), dir, name, 2), TPreviewError);
    EXPECT_FALSE(fs::exists(dir / Name(pages.PageCount())))
        << "pages after the failure are not begun";
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << "no private file stays";
    }
}

}  // namespace
}  // namespace quorix::preview
