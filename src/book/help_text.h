// help_text.h - the help page of every part: template, filling and help.dat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "book/build_log.h"
#include "book/build_settings.h"

namespace quorix {

inline constexpr std::string_view kPlaceholder = "####Info";

class THelpText {
  public:
    // The unfilled template: English for language 1, Russian (Windows-1251) otherwise.
    static std::string_view Template(HelpLanguage language);
    // The template in the build's code page: the texts are Windows-1251, and a letter
    // the code page lacks becomes "?".
    static std::string TemplateIn(HelpLanguage language, const std::string& codePage);

    // Fills the template's five placeholders in order with the info text, the book
    // size, the part number, the part count and the part size. Values go in as they
    // are: one that holds the placeholder text is never filled in turn.
    static std::string Fill(std::string_view templ, std::string_view infoText,
                            std::uintmax_t sourceSize, std::uint64_t partNumber,
                            std::uint64_t partCount, std::uintmax_t partLength,
                            char decimalSeparator);

    // Writes tempDir/"help.dat" with its length prefix through the text-file writer.
    static void Write(std::string_view filled, const std::filesystem::path& tempDir,
                      TBuildLog& log);
};

// Bytes shown as kilobytes with one decimal, halves rounded up: 256 gives "0.3".
std::string FormatKilobytes(std::uintmax_t bytes, char decimalSeparator);

// The decimal character of the user's numeric locale, "." when there is none.
char LocaleDecimalSeparator();

}  // namespace quorix
