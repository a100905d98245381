// jar_fit_oracle_test.cpp - whole builds fitted to a JAR limit against the planner that packs
// a trial JAR for every cut: the same cuts, hence the same JARs, and none over the limit.
#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <regex>

#include "book/book_error.h"
#include "book/code_page.h"
#include "book/help_text.h"
#include "builder/book_builder.h"
#include "builder/book_source.h"
#include "builder/part_maker.h"
#include "payload/reader_payload.h"
#include "slow_jar_fitter.h"
#include "test_support.h"
#include "text/text_source.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;

// A longer book in the language of a text: its own words, shuffled into sentences.
std::string Shuffled(const std::string& text, std::size_t size, unsigned seed) {
    std::vector<std::string> words;
    const std::regex word("[^\\s.,!?;:]+");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word);
         it != std::sregex_iterator(); ++it)
        words.push_back(it->str());
    std::mt19937 rng(seed);
    std::string out;
    const char* ends[] = {". ", ". ", "? ", "! ", ".\r\n"};
    while (out.size() < size) {
        for (int n = 4 + static_cast<int>(rng() % 15); n > 0; --n)
            out += words[rng() % words.size()] + (n > 1 ? " " : "");
        out += ends[rng() % 5];
    }
    return out;
}

std::string Sample(const std::string& name) {
    return test::ReadFile(fs::path(QUORIX_SOURCE_DIR) / "samples" / name);
}

struct TCase {
    const char* name;
    std::string text;
    int partSize;
    std::uintmax_t limit;
    TCompression compression;
    HelpLanguage language;
};

// The plan of the trial-JAR planner for the build of `settings`, or its refusal in `error`.
std::vector<std::uint64_t> TrialPlan(const TBuildSettings& settings, const TCase& c,
                                     std::string& error) {
    test::TTempDir dir;
    const fs::path tree = dir.Path() / "temp";
    fs::create_directories(tree / "META-INF");
    TMemoryLog log;
    TReaderPayload::Write(tree, settings.phoneType, log);
    const std::string& codePage = settings.font.codePage;
    TPartContext context;
    context.fileName = settings.bookName;
    context.phoneName = settings.bookName;
    context.infoText = Utf8ToCodePage(settings.infoText, codePage);
    context.helpTemplate = THelpText::TemplateIn(c.language, codePage);
    context.decimalSeparator = LocaleDecimalSeparator();
    context.compression = c.compression;
    context.tempDir = tree;
    // The planner sees the text as the build reads it: converted, its lone LFs made CR.
    const TConvertedSource text =
        TConvertedSource::Open(settings.sourcePath, TextOptionsOf(settings), dir.Path());
    TPartReader reader;
    context.sourceSize = reader.Open(text.Path());
    context.jarLimit = c.limit;
    std::mutex askMutex;
    TPartMaker prober(context, tree, TFontRasterizer(settings.font), askMutex);
    try {
        return test::PlanByTrialJars(
            context.sourceSize, c.partSize, c.limit,
            [&](std::uintmax_t at, std::size_t length) { return reader.ReadAt(at, length); },
            [&](std::string_view text, std::uint64_t number, std::uint64_t count) {
                return prober.Probe(text, number, count, dir.Path() / "fit.jar");
            });
    } catch (const TBookError& e) {
        error = e.what();
        return {};
    }
}

TEST(JarFitOracle, BuildsCutWhereTrialJarsCutAndStayWithinTheLimit) {
    const std::string english = Sample("english.txt"), russian = Sample("russian.txt");
    // A stretch of 30,000 bytes without a sentence end: no JAR holds it whole.
    std::string unending = Shuffled(russian, 20000, 5);
    std::string run = Shuffled(russian, 30000, 6);
    std::erase_if(run, [](char ch) { return ch == '.' || ch == '?' || ch == '!'; });
    unending += run + Shuffled(russian, 20000, 7);
    const TCase cases[] = {
        {"English", Shuffled(english, 150000, 1), 4000000, 12 * 1024, TCompression::standard,
         kHelpEnglish},
        {"Russian", Shuffled(russian, 200000, 4), 4000000, 20000, TCompression::standard,
         kHelpRussian},
        {"Russian, strongest", Shuffled(russian, 150000, 2), 4000000, 16 * 1024, TCompression::max,
         kHelpRussian},
        {"GPL", test::ReadFile("/usr/share/common-licenses/GPL-3"), 90000, 9000,
         TCompression::standard, kHelpEnglish},
        // A Gutenberg book in UTF-8 with LF line ends, from a Debian package.
        {"Opticks",
         test::ReadFile("/usr/share/gocode/src/github.com/andybalholm/brotli/testdata/"
                        "Isaac.Newton-Opticks.txt"),
         4000000, 16 * 1024, TCompression::standard, kHelpEnglish},
        {"fortunes-ru, UTF-8 with LF", test::ReadFile("/usr/share/games/fortunes/ru/love"), 4000000,
         8 * 1024, TCompression::standard, kHelpRussian},
        {"unending sentence", unending, 6000, 12 * 1024, TCompression::standard, kHelpRussian},
        {"below the reader", Shuffled(english, 20000, 3), 90000, 3000, TCompression::standard,
         kHelpRussian},
        {"below the reader, strongest", Shuffled(english, 20000, 3), 90000, 3000, TCompression::max,
         kHelpRussian},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TTempDir dir;
        TBuildSettings settings;
        settings.sourcePath = (dir.Path() / "source.txt").string();
        settings.font.face = "DejaVu Sans";
        settings.partSizeText = std::to_string(c.partSize);
        settings.maxJarSizeText = std::to_string(c.limit);
        settings.helpLanguage = c.language;
        test::WriteFile(settings.sourcePath, c.text);
        TBuildOptions options;
        options.compression = c.compression;
        TMemoryLog log;
        const bool built = TBookBuilder({dir.Path(), dir.Path()}, options).Run(settings, log);

        std::string refusal;
        const std::vector<std::uint64_t> expected = TrialPlan(settings, c, refusal);
        if (!refusal.empty()) {
            EXPECT_FALSE(built);
            EXPECT_EQ(log.Lines().back(), std::string(kMsgProcessFailed) + refusal);
            EXPECT_TRUE(refusal.starts_with(kMsgJarLimitTooSmall)) << refusal;
            continue;
        }
        ASSERT_TRUE(built) << log.Lines().back();
        // Every part's length, as its book.dat line logs it.
        std::vector<std::uint64_t> lengths;
        const std::regex bookLine("Create text file .*book\\.dat, size ([0-9]+) bytes");
        std::smatch m;
        for (const std::string& line : log.Lines())
            if (std::regex_match(line, m, bookLine)) lengths.push_back(std::stoull(m[1]));
        EXPECT_EQ(lengths, expected);
        EXPECT_GE(lengths.size(), 3u);
        for (const auto& e : fs::directory_iterator(dir.Path() / "midlets")) {
            if (e.path().extension() == ".jar") {
                EXPECT_LE(e.file_size(), c.limit) << e.path();
            }
        }
    }
}

}  // namespace
}  // namespace quorix
