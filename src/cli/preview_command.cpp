// preview_command.cpp - renders the chosen pages of a book or its help into PNG files.
#include "cli/preview_command.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "preview/book_preview.h"
#include "preview/contact_sheet.h"
#include "preview/page_files.h"
#include "preview/png_writer.h"
#include "preview/screen_sizes.h"

namespace quorix {

namespace fs = std::filesystem;
using preview::TBookPreview;

namespace {

std::string ScreenList() {
    std::string text = "Screen as the reader's canvas measures it, WIDTHxHEIGHT. Common sizes:";
    for (const preview::TNamedScreen& named : preview::kCommonScreens) {
        text += "\n  " + std::to_string(named.screen.width) + "x" +
                std::to_string(named.screen.height) + "  " + std::string(named.phones);
    }
    return text;
}

struct TPageRange {
    int first;
    int last;
};

int PageNumber(std::string_view digits, std::string_view whole) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc{} || ptr != digits.data() + digits.size() || value < 1) {
        throw std::runtime_error("--pages " + std::string(whole) +
                                 ": expected N or FIRST-LAST, pages counted from 1");
    }
    return value;
}

// Page numbers from 1; a last page past the end stops at the end.
TPageRange ChoosePages(const TPreviewCommand& command, int count) {
    if (command.all) {
        return {1, count};
    }
    if (command.pages.empty()) {
        return {1, 1};
    }
    const std::string_view text = command.pages;
    const std::size_t dash = text.find('-');
    TPageRange range{};
    range.first = PageNumber(text.substr(0, dash), text);
    range.last =
        dash == std::string_view::npos ? range.first : PageNumber(text.substr(dash + 1), text);
    if (range.last < range.first) {
        throw std::runtime_error("--pages " + command.pages +
                                 ": the last page is before the first");
    }
    if (range.first > count) {
        throw std::runtime_error("--pages " + command.pages + ": the document has only " +
                                 std::to_string(count) + (count == 1 ? " page" : " pages"));
    }
    range.last = std::min(range.last, count);
    return range;
}

std::string PageFileName(bool help, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s-%04d.png", help ? "help" : "book", number);
    return name;
}

}  // namespace

CLI::App* AddPreviewCommand(CLI::App& app, TPreviewCommand& command) {
    CLI::App* sub = app.add_subcommand(
        "preview",
        "Draw the pages of a built book exactly as the reader shows them, one PNG per page\n"
        "(book-0001.png, ... or help-0001.png, ...), each the screen's size");
    sub->add_option("JAR", command.book,
                    "A JAR the build made, or a directory of kept temporary files")
        ->required()
        ->check(CLI::ExistingPath);
    sub->add_option("--screen", command.screen, ScreenList())->capture_default_str();
    CLI::Option* all = sub->add_flag("--all", command.all, "Every page of the document");
    sub->add_option("--pages", command.pages, "Pages N or FIRST-LAST, from 1 (default: page 1)")
        ->excludes(all);
    sub->add_flag("--help-page", command.helpPage, "The help page instead of the book");
    sub->add_flag("--no-wrap", command.noWrap, "Word wrap off (key 3 on the phone)");
    sub->add_option("--output", command.output,
                    "Directory for the page files (default: the current one; with --contact-sheet,"
                    " page files only when this is given)");
    sub->add_option("--contact-sheet", command.contactSheet,
                    "Also write the chosen pages side by side into this PNG file");
    sub->add_option("--columns", command.columns, "Pages per row of the contact sheet")
        ->capture_default_str()
        ->check(CLI::Range(1, 100));
    return sub;
}

void RunPreview(const TPreviewCommand& command, std::ostream& out) {
    const std::optional<preview::TScreen> screen = preview::ParseScreen(command.screen);
    if (!screen) {
        throw std::runtime_error("--screen " + command.screen +
                                 ": expected WIDTHxHEIGHT, each side 1 to " +
                                 std::to_string(preview::kLargestScreenSide));
    }
    const preview::TBookFiles files = preview::ReadBookFiles(command.book);
    const auto document =
        command.helpPage ? preview::TDocumentKind::Help : preview::TDocumentKind::Book;
    const TBookPreview pages(files, document, *screen, !command.noWrap);
    const TPageRange range = ChoosePages(command, pages.PageCount());

    const bool pageFiles = command.contactSheet.empty() || !command.output.empty();
    const fs::path dir = command.output.empty() ? fs::path(".") : command.output;
    if (pageFiles) {
        fs::create_directories(dir);
    }
    if (pageFiles) {
        preview::WritePageFiles(pages, range.first, range.last, dir,
                                [&](int number) { return PageFileName(command.helpPage, number); });
    }
    const int count = range.last - range.first + 1;
    out << (command.helpPage ? "help.dat: " : "book.dat: ") << pages.PageCount()
        << (pages.PageCount() == 1 ? " page" : " pages") << " at " << pages.Width() << "x"
        << pages.Height() << " on the "
        << (pages.Canvas() == preview::TCanvasKind::FullScreen ? "full-screen" : "standard")
        << " canvas, word wrap " << (command.noWrap ? "off" : "on") << "\n";
    if (pageFiles) {
        out << "Wrote pages " << range.first << " to " << range.last << " (" << count
            << (count == 1 ? " file" : " files") << ") into " << dir.string() << "\n";
    }
    if (!command.contactSheet.empty()) {
        std::vector<preview::TPageImage> sheet;
        for (int number = range.first; number <= range.last; ++number) {
            sheet.push_back(pages.Page(number - 1));
        }
        preview::WritePng(preview::ContactSheet(sheet, command.columns), command.contactSheet);
        out << "Wrote contact sheet " << command.contactSheet.string() << "\n";
    }
}

}  // namespace quorix
