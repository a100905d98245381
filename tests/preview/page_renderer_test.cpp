// page_renderer_test.cpp - line measuring, page layout, glyph drawing and the progress bar.
#include "preview/page_renderer.h"

#include <gtest/gtest.h>

#include <string>

#include "preview_test_support.h"

namespace quorix::preview {
namespace {

using test::Doc;
using test::FontDat;
using test::Widths;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Printable glyphs 4 columns wide: every byte counts 5 pixels, 1 for a byte without glyph.
const TReaderFont& Font4() {
    static const TReaderFont font(FontDat(13, Widths(4), 0x0001));
    return font;
}

struct TLineCase {
    const char* what;
    std::string text;
    int limit;
    bool wrap;
    int length;
};

TEST(LineLength, BreaksLikeTheReader) {
    const TLineCase cases[] = {
        {"CR ends the line and belongs to it", "ab\rcd", 100, true, 3},
        {"LF is a byte like others", "ab\ncd", 100, true, 5},
        {"wrap after the last break", "aaa bbb ccc", 33, true, 4},
        {"an overflowing blank begins the next line", "aaa bbb ccc", 35, true, 7},
        {"no break: cut at the limit", "aaaaaaaaaa", 22, true, 4},
        {"wrap off cuts at the limit", "aaa bbb ccc", 38, false, 7},
        {"? is a break", "aaa?bbb", 30, true, 4},
        {"! is a break", "a!b", 12, true, 2},
        {", is a break", "a,b", 12, true, 2},
        {"- is a break", "a-b", 12, true, 2},
        {": is a break", "a:b", 12, true, 2},
        {"; is a break", "a;b", 12, true, 2},
        {"the dot is no break", "aaa.bbb", 30, true, 6},
        {"a glyph wider than the area takes its line", "abc", 3, true, 1},
        {"byte 0 is text", std::string("ab\0cd", 5), 100, true, 5},
        {"the data's end ends the line", "abc", 100, true, 3},
        {"the data's end ends the page", "", 100, true, 0},
    };
    for (const TLineCase& c : cases) {
        EXPECT_EQ(LineLength(Font4(), Bytes(c.text), 0, c.limit, c.wrap), c.length) << c.what;
    }
    // Bytes without glyph still count one pixel each: 3 x 1 + 5 = 8 fits, 9 does not.
    EXPECT_EQ(LineLength(Font4(),
                         Bytes("\x01\x02\x03"
                               "aa"),
                         0, 8, true),
              4);
}

TEST(Paint, LaysOutAsManyLinesAsTheScreenHolds) {
    // 17 lines of 13-row glyphs at a pitch of 12 on 208 rows; each "x\r" line holds 2 bytes.
    std::string text;
    for (int i = 0; i < 30; ++i) {
        text += "x\r";
    }
    const TReaderDocument doc(Doc(text));
    const TPageRenderer renderer(Font4(), {{176, 208}, TCanvasKind::Standard, true});
    TPageImage page(176, 208);
    EXPECT_EQ(renderer.Paint(doc, 0, &page), 34);
    EXPECT_EQ(page.At(1, 16 * 12), TInk::Black);  // top row of line 17
    EXPECT_EQ(page.At(1, 17 * 12), TInk::White);
    EXPECT_EQ(page.At(5, 0), TInk::White);  // the gap after the 4 columns
    // One line only when the glyphs are taller than the screen.
    const TPageRenderer tiny(Font4(), {{176, 10}, TCanvasKind::Standard, true});
    EXPECT_EQ(tiny.Paint(doc, 0, nullptr), 2);
}

TEST(Paint, ProgressBarShowsTheShareReadByThePageEnd) {
    const TPageRenderer renderer(Font4(), {{20, 100}, TCanvasKind::Standard, true});
    TPageImage page(20, 100);
    // Length field 8, 4 bytes on the page: green over rows 0 to 49.
    TReaderDocument half(Doc("ab\rcd\r"));
    test::TBytes bytes = Doc("ab\r");
    bytes[3] = 8;
    renderer.Paint(TReaderDocument(bytes), 0, &page);
    EXPECT_EQ(page.At(19, 0), TInk::Green);
    EXPECT_EQ(page.At(19, 36), TInk::Green);
    EXPECT_EQ(page.At(19, 37), TInk::Red);  // 3 x 100 / 8 = 37
    renderer.Paint(TReaderDocument(Doc("")), 0, &page);
    EXPECT_EQ(page.At(19, 0), TInk::Red);
    EXPECT_EQ(page.At(19, 99), TInk::Red);
    renderer.Paint(half, 6, &page);  // past the end: an empty page, the bar all green
    EXPECT_EQ(page.At(19, 99), TInk::Green);
    EXPECT_EQ(page.At(1, 0), TInk::White);
}

TEST(Paint, DrawsEverySetBitOfEveryColumn) {
    std::array<int, 256> widths{};
    widths['a'] = 2;
    const TReaderFont font(FontDat(6, widths, 0b101101));
    const TPageRenderer renderer(font, {{10, 20}, TCanvasKind::Standard, true});
    TPageImage page(10, 20);
    renderer.Paint(TReaderDocument(Doc("aa\r\x01"
                                       "a")),
                   0, &page);
    const std::string want = "101101";
    for (int row = 0; row < 6; ++row) {
        const TInk ink = want[5 - row] == '1' ? TInk::Black : TInk::White;
        for (const int x : {1, 2, 4, 5}) {
            EXPECT_EQ(page.At(x, row), ink) << x << "," << row;
        }
        EXPECT_EQ(page.At(3, row), TInk::White);  // the gap
        // The second line: a byte without glyph leaves the pen at x = 1.
        EXPECT_EQ(page.At(1, 5 + row), want[5 - row] == '1' || row == 0 ? TInk::Black : TInk::White)
            << row;
    }
}

TEST(PageStarts, CoverTheDocumentAndPassZeroBytes) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "word" + std::string(i % 9 == 0 ? 1 : 0, '\0') + " and more\r\n";
    }
    const TReaderDocument doc(Doc(text));
    const TPageRenderer renderer(Font4(), {{128, 128}, TCanvasKind::FullScreen, true});
    const std::vector<int> starts = renderer.PageStarts(doc);
    ASSERT_GT(starts.size(), 10u);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const int end = i + 1 < starts.size() ? starts[i + 1] : doc.TextLength();
        EXPECT_EQ(renderer.Paint(doc, starts[i], nullptr), end - starts[i]) << i;
    }
    EXPECT_EQ(renderer.PageStarts(TReaderDocument(Doc(""))), std::vector<int>{0});
}

TEST(LayoutHeight, OnlyTheFullScreenCanvasTakes144As208) {
    EXPECT_EQ(LayoutHeight({176, 144}, TCanvasKind::FullScreen), 208);
    EXPECT_EQ(LayoutHeight({176, 144}, TCanvasKind::Standard), 144);
    EXPECT_EQ(LayoutHeight({176, 145}, TCanvasKind::FullScreen), 145);
}

}  // namespace
}  // namespace quorix::preview
