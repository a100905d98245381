// png_writer_test.cpp - PNG files read back by libpng, and contact sheets.
#include "preview/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "preview/book_files.h"
#include "preview/contact_sheet.h"

namespace quorix::preview {
namespace {

namespace fs = std::filesystem;

// Decodes to RGB with libpng's reading side.
std::vector<TRgb> Decode(const std::vector<std::uint8_t>& png, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<TRgb> pixels(image.width * image.height);
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

TPageImage Sample() {
    TPageImage page(7, 5);
    page.Plot(1, 1, TInk::Black);
    page.FillRect(6, 0, 1, 2, TInk::Green);
    page.FillRect(6, 2, 1, 3, TInk::Red);
    return page;
}

TEST(Png, HoldsThePixelsInTheReadersColours) {
    const TPageImage page = Sample();
    const std::vector<std::uint8_t> png = EncodePng(page);
    EXPECT_EQ(png[24], 2) << "a page needs only a 2-bit palette";
    int width = 0;
    int height = 0;
    const std::vector<TRgb> rgb = Decode(png, width, height);
    ASSERT_EQ(width, 7);
    ASSERT_EQ(height, 5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(rgb[y * width + x], kPalette[static_cast<int>(page.At(x, y))])
                << x << "," << y;
        }
    }
    EXPECT_EQ(rgb[1 * 7 + 1], (TRgb{0, 0, 0}));
    EXPECT_EQ(rgb[6], (TRgb{0, 255, 0}));
    EXPECT_EQ(rgb[4 * 7 + 6], (TRgb{255, 0, 0}));
}

// Widths around the four pixels of a byte (and sixteen of the fast path), every colour in
// every position: the decoded image is the image, in two and in four bits a pixel.
TEST(Png, PacksEveryWidthAndColourExactly) {
    std::mt19937 random(7);
    for (const bool grey : {false, true}) {
        for (const int width : {1, 3, 4, 5, 16, 17, 176, 179}) {
            TPageImage page(width, 6);
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < width; ++x) {
                    page.Plot(x, y, static_cast<TInk>(random() % (grey ? 5 : 4)));
                }
            }
            page.Plot(0, 0, grey ? TInk::Grey : TInk::Red);
            const std::vector<std::uint8_t> png = EncodePng(page);
            EXPECT_EQ(png[24], grey ? 4 : 2) << width;
            int w = 0;
            int h = 0;
            const std::vector<TRgb> rgb = Decode(png, w, h);
            ASSERT_EQ(w, width);
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < width; ++x) {
                    ASSERT_EQ(rgb[y * width + x], kPalette[static_cast<int>(page.At(x, y))])
                        << width << ": " << x << "," << y;
                }
            }
        }
    }
}

// One encoder for many images gives each the bytes a fresh one gives it.
TEST(Png, AnEncoderKeepsNothingOfThePreviousImage) {
    TPngEncoder encoder;
    TPageImage big(64, 64, TInk::Black);
    big.FillRect(3, 3, 20, 40, TInk::Green);
    EXPECT_EQ(encoder.Encode(big), EncodePng(big));
    EXPECT_EQ(encoder.Encode(Sample()), EncodePng(Sample()));
}

TEST(Png, WritePngReplacesTheFileAndReportsFailures) {
    const fs::path dir = fs::temp_directory_path() / "quorix-png-test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "page.png";
    { std::ofstream(path) << "old"; }
    WritePng(Sample(), path);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, EncodePng(Sample()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    EXPECT_THROW(WritePng(Sample(), dir / "missing" / "page.png"), TPreviewError);
    fs::remove_all(dir);
}

TEST(ContactSheet, PlacesPagesInRowsOnGrey) {
    std::vector<TPageImage> pages;
    for (int i = 0; i < 5; ++i) {
        pages.emplace_back(10, 20, i == 3 ? TInk::Black : TInk::White);
    }
    const TPageImage sheet = ContactSheet(pages, 3);
    EXPECT_EQ(sheet.Width(), 4 + 3 * 14);
    EXPECT_EQ(sheet.Height(), 4 + 2 * 24);
    EXPECT_EQ(sheet.At(0, 0), TInk::Grey);
    EXPECT_EQ(sheet.At(4, 4), TInk::White);
    EXPECT_EQ(sheet.At(4 + 13, 4), TInk::Grey);
    EXPECT_EQ(sheet.At(4, 4 + 24), TInk::Black);          // page 4 starts row 2
    EXPECT_EQ(sheet.At(4 + 2 * 14, 4 + 24), TInk::Grey);  // no sixth page
    EXPECT_EQ(EncodePng(sheet)[24], 4) << "grey needs a fifth palette entry";
    EXPECT_EQ(ContactSheet(std::span(pages).first(2), 8).Width(), 4 + 2 * 14);
}

}  // namespace
}  // namespace quorix::preview
