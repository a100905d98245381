// book_files_test.cpp - a book's members from a JAR or a directory, its canvas, screen sizes.
#include "preview/book_files.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>

#include "payload/reader_payload.h"
#include "preview/screen_sizes.h"
#include "preview_test_support.h"

namespace quorix::preview {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

struct TMember {
    const char* name;
    TBytes bytes;
};

class BookFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quorix-book-files-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static TBytes Canvas(bool fullScreen) {
        auto blob =
            fullScreen ? TReaderPayload::FullScreenCanvas() : TReaderPayload::StandardCanvas();
        return TBytes(blob.begin(), blob.end());
    }

    std::vector<TMember> Members(bool fullScreen) const {
        return {{"META-INF/MANIFEST.MF", {'M'}},
                {"font.dat", {13, 1, 0}},
                {"book.dat", test::Doc("book")},
                {"help.dat", test::Doc("help")},
                {"TBookCanvas.class", Canvas(fullScreen)}};
    }

    fs::path Jar(const std::vector<TMember>& members) const {
        const fs::path path = dir_ / "Book.jar";
        int error = 0;
        zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(zip, nullptr);
        for (const TMember& m : members) {
            zip_source_t* src = zip_source_buffer(zip, m.bytes.data(), m.bytes.size(), 0);
            EXPECT_GE(zip_file_add(zip, m.name, src, ZIP_FL_OVERWRITE), 0);
        }
        EXPECT_EQ(zip_close(zip), 0);
        return path;
    }

    fs::path dir_;
};

TEST_F(BookFiles, ReadsTheMembersOfAJarAndItsCanvas) {
    for (const bool fullScreen : {false, true}) {
        const TBookFiles files = ReadBookFiles(Jar(Members(fullScreen)));
        EXPECT_EQ(files.font, (TBytes{13, 1, 0}));
        EXPECT_EQ(files.book, test::Doc("book"));
        EXPECT_EQ(files.help, test::Doc("help"));
        EXPECT_EQ(files.canvas, fullScreen ? TCanvasKind::FullScreen : TCanvasKind::Standard);
    }
}

TEST_F(BookFiles, ReadsAKeptTemporaryDirectory) {
    for (const TMember& m : Members(true)) {
        if (std::string_view(m.name).find('/') == std::string_view::npos) {
            std::ofstream(dir_ / m.name, std::ios::binary)
                .write(reinterpret_cast<const char*>(m.bytes.data()),
                       static_cast<std::streamsize>(m.bytes.size()));
        }
    }
    const TBookFiles files = ReadBookFiles(dir_);
    EXPECT_EQ(files.help, test::Doc("help"));
    EXPECT_EQ(files.canvas, TCanvasKind::FullScreen);
}

TEST_F(BookFiles, NamesWhatIsMissingOrBroken) {
    std::vector<TMember> members = Members(false);
    members.erase(members.begin() + 3);  // help.dat
    const fs::path jar = Jar(members);
    try {
        ReadBookFiles(jar);
        FAIL() << "no error";
    } catch (const TPreviewError& e) {
        EXPECT_EQ(std::string(e.what()), jar.string() + " has no help.dat");
    }
    const fs::path notZip = dir_ / "text.jar";
    std::ofstream(notZip) << "not a zip archive at all";
    try {
        ReadBookFiles(notZip);
        FAIL() << "no error";
    } catch (const TPreviewError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Can not open book " + notZip.string() + ": ", 0), 0u)
            << e.what();
    }
}

TEST(ScreenSizes, ParseWidthByHeight) {
    EXPECT_EQ(ParseScreen("176x208")->height, 208);
    EXPECT_EQ(ParseScreen("128X160")->width, 128);
    EXPECT_EQ(ParseScreen("1x4096")->height, 4096);
    for (const char* bad : {"", "176", "x208", "176x", "0x10", "10x4097", "-5x10", "+5x10",
                            "17 6x208", "176x208x1", "axb"}) {
        EXPECT_FALSE(ParseScreen(bad)) << bad;
    }
}

}  // namespace
}  // namespace quorix::preview
