// help_text.cpp - help templates in both languages and their filling.
#include "book/help_text.h"

#include <langinfo.h>
#include <locale.h>

#include <array>

#include "book/code_page.h"
#include "book/file_writer.h"
#include "book/part_files.h"

namespace quorix {
namespace {

// Lines end with a lone CR; the reader breaks lines there. Plain ASCII.
constexpr std::string_view kEnglishTemplate =
    "Quorix Reader 2.0\r"
    "\r"
    "Book: ####Info\r"
    "\r"
    "Total book size: ####Info kb, part (####Info of ####Info) size: ####Info kb.\r"
    "\r"
    "Keys:\r"
    "1 - review full help\r"
    "2 - short (one screen) help\r"
    "3 - word wrap on / off\r"
    "4 - review book (go to first page)\r"
    "5 - save bookmark\r"
    "6 - go to saved bookmark\r"
    "7, left, up - go to previous page\r"
    "9 - continuous light on /off\r"
    "*, 0, #, right, down - go to next page\r"
    "\r"
    "\r"
    "www.kelvatrone.com, support@kelvatrone.com";

// The same lines in Windows-1251, one byte per character.
constexpr std::string_view kRussianTemplate =
    "Quorix Reader 2.0\r"
    "\r"
    "\xCA\xED\xE8\xE3\xE0: ####Info\r"  // Книга: ####Info
    "\r"
    "\xCE\xE1\xF9\xE8\xE9 \xF0\xE0\xE7\xEC\xE5\xF0 \xEA\xED\xE8\xE3\xE8: ####Info "
    "\xEA\xE1\xE0\xE9\xF2, \xD0\xE0\xE7\xEC\xE5\xF0 \xF7\xE0\xF1\xF2\xE8 (####Info \xE8\xE7 "
    "####Info): ####Info \xEA\xE1\xE0\xE9\xF2.\r"  // Общий размер книги: ####Info кбайт, Размер
                                                   // части (####Info из ####Info): ####Info кбайт.
    "\r"
    "\xCA\xEB\xE0\xE2\xE8\xF8\xE8:\r"  // Клавиши:
    "1 - \xEF\xF0\xEE\xF1\xEC\xEE\xF2\xF0 \xEF\xEE\xE4\xF0\xEE\xE1\xED\xEE\xE9 "
    "\xEF\xEE\xEC\xEE\xF9\xE8\r"  // 1 - просмотр подробной помощи
    "2 - \xE2\xFB\xE2\xEE\xE4 \xEA\xF0\xE0\xF2\xEA\xEE\xE9 \xEF\xEE\xEC\xEE\xF9\xE8 (\xED\xE0 "
    "\xEE\xE4\xED\xEE\xEC \xFD\xEA\xF0\xE0\xED\xE5)\r"  // 2 - вывод краткой помощи (на одном
                                                        // экране)
    "3 - \xE2\xEA\xEB/\xE2\xFB\xEA\xEB \xEF\xE5\xF0\xE5\xED\xEE\xF1\xE0 \xF1\xEB\xEE\xE2\r"  // 3 -
                                                                                             // вкл/выкл
                                                                                             // переноса
                                                                                             // слов
    "4 - \xEF\xF0\xEE\xF1\xEC\xEE\xF2\xF0 \xEA\xED\xE8\xE3\xE8 \xF1\xED\xE0\xF7\xE0\xEB\xE0\r"  // 4 - просмотр книги сначала
    "5 - \xE7\xE0\xEF\xE8\xF1\xE0\xF2\xFC \xE7\xE0\xEA\xEB\xE0\xE4\xEA\xF3 \xED\xE0 "
    "\xF2\xE5\xEA\xF3\xF9\xF3\xFE \xF1\xF2\xF0\xE0\xED\xE8\xF6\xF3\r"  // 5 - записать закладку на
                                                                       // текущую страницу
    "6 - \xEF\xE5\xF0\xE5\xE9\xF2\xE8 \xED\xE0 \xF1\xF2\xF0\xE0\xED\xE8\xF6\xF3 \xE8\xE7 "
    "\xE7\xE0\xEA\xEB\xE0\xE4\xEA\xE8\r"  // 6 - перейти на страницу из закладки
    "7, \xE2\xEB\xE5\xE2\xEE, \xE2\xE2\xE5\xF0\xF5 - \xEF\xE5\xF0\xE5\xF5\xEE\xE4 \xED\xE0 "
    "\xEF\xF0\xE5\xE4\xFB\xE4\xF3\xF9\xF3\xFE \xF1\xF2\xF0\xE0\xED\xE8\xF6\xF3\r"  // 7, влево,
                                                                                   // вверх -
                                                                                   // переход на
                                                                                   // предыдущую
                                                                                   // страницу
    "9 - \xE2\xEA\xEB/\xE2\xFB\xEA\xEB \xEF\xEE\xF1\xF2\xEE\xFF\xED\xED\xEE\xE9 "
    "\xEF\xEE\xE4\xF1\xE2\xE5\xF2\xEA\xE8\r"  // 9 - вкл/выкл постоянной подсветки
    "*, 0, #, \xEF\xF0\xE0\xE2\xEE, \xE2\xED\xE8\xE7 - \xEF\xE5\xF0\xE5\xF5\xEE\xE4 \xED\xE0 "
    "\xF1\xEB\xE5\xE4\xF3\xFE\xF9\xF3\xFE \xF1\xF2\xF0\xE0\xED\xE8\xF6\xF3\r"  // *, 0, #, право,
                                                                               // вниз - переход на
                                                                               // следующую страницу
    "\r"
    "\r"
    "www.kelvatrone.com, support@kelvatrone.com";

}  // namespace

std::string_view THelpText::Template(HelpLanguage language) {
    return language == kHelpEnglish ? kEnglishTemplate : kRussianTemplate;
}

std::string THelpText::TemplateIn(HelpLanguage language, const std::string& codePage) {
    return ConvertCodePage(Template(language), "CP1251", codePage, '?');
}

std::string FormatKilobytes(std::uintmax_t bytes, char decimalSeparator) {
    // bytes / 1024 has a finite decimal expansion, so rounding the exact tenths
    // half up is rounding that expansion half away from zero.
    std::uintmax_t tenths = (bytes * 10 + 512) / 1024;
    return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

std::string THelpText::Fill(std::string_view templ, std::string_view infoText,
                            std::uintmax_t sourceSize, std::uint64_t partNumber,
                            std::uint64_t partCount, std::uintmax_t partLength,
                            char decimalSeparator) {
    const std::array<std::string, 5> values = {
        std::string(infoText),
        FormatKilobytes(sourceSize, decimalSeparator),
        std::to_string(partNumber),
        std::to_string(partCount),
        FormatKilobytes(partLength, decimalSeparator),
    };
    // Placeholders are found in the template only, never in inserted values.
    std::string filled;
    std::size_t from = 0;
    for (const std::string& value : values) {
        std::size_t at = templ.find(kPlaceholder, from);
        if (at == std::string_view::npos) break;
        filled.append(templ.substr(from, at - from));
        filled.append(value);
        from = at + kPlaceholder.size();
    }
    filled.append(templ.substr(from));
    return filled;
}

void THelpText::Write(std::string_view filled, const std::filesystem::path& tempDir,
                      TBuildLog& log) {
    WriteTextFile(filled, tempDir / kHelpDatName, true, log);
}

char LocaleDecimalSeparator() {
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    // A multi-byte separator has no single byte in the book's code page.
    char separator = (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') ? radix[0] : '.';
    freelocale(locale);
    return separator;
}

}  // namespace quorix
