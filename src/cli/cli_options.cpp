// cli_options.cpp - build options with the window's defaults.
#include "cli_options.h"

#include <map>

namespace quorix {

void AddBuildOptions(CLI::App& app, TCliBuild& build) {
    TBuildSettings& s = build.settings;
    app.add_option("--source", s.sourcePath, "Text file to turn into a book (single-byte text)")
        ->capture_default_str();
    app.add_option("--book", s.bookName, "Book name: the midlet's name and the JAR/JAD base name")
        ->capture_default_str();
    app.add_option("--info", s.infoText, "Information about the book shown on its help page")
        ->capture_default_str();
    app.add_option("--part-size", s.partSizeText,
                   "Largest part in bytes, as typed (decimal, or hexadecimal with $ or 0x)")
        ->capture_default_str();
    app.add_option("--max-jar-size", s.maxJarSizeText,
                   "Largest JAR the phone takes, in bytes or with K (1024 bytes): parts are cut "
                   "at sentence ends to fit it")
        ->option_text("SIZE=no limit");
    app.add_option("--phone", s.phoneType,
                   "Phone type: 0/any (standard screen) or 1/nokia (full screen)")
        ->transform(
            CLI::CheckedTransformer(std::map<std::string, PhoneType>{{"0", PhoneType::Any},
                                                                     {"any", PhoneType::Any},
                                                                     {"1", PhoneType::Nokia},
                                                                     {"nokia", PhoneType::Nokia}},
                                    CLI::ignore_case))
        ->option_text("0|any|1|nokia=nokia");
    app.add_option("--help-language", s.helpLanguage, "Language of the help page: 0/ru or 1/en")
        ->transform(CLI::CheckedTransformer(std::map<std::string, int>{{"0", kHelpRussian},
                                                                       {"ru", kHelpRussian},
                                                                       {"1", kHelpEnglish},
                                                                       {"en", kHelpEnglish}},
                                            CLI::ignore_case))
        ->option_text("0|ru|1|en=ru");
    app.add_option("--font", s.font.face, "Font family name, or the path of a font file")
        ->capture_default_str();
    app.add_option("--font-height", s.font.height,
                   "Font height in pixels: negative = character height, positive = cell height")
        ->capture_default_str();
    app.add_flag("--bold", s.font.bold, "Bold font");
    app.add_flag("--italic", s.font.italic, "Italic font");
    app.add_flag("--underline", s.font.underline, "Underlined font");
    app.add_flag("--strikeout", s.font.strikeout, "Struck-out font");
    app.add_option("--code-page", s.font.codePage,
                   "Code page of the source text and of the phone's glyphs (an iconv name)")
        ->capture_default_str();
    app.add_option("--output", build.output, "Directory in which \"midlets\" is made")
        ->option_text("DIR=current directory");
    app.add_flag("--keep-temp", build.keepTemp,
                 "Keep this run's temporary directory (the last part's files) and print its path");
}

}  // namespace quorix
