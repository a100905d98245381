// book_builder_test.cpp - the driver's steps, log lines, failures and cleanup.
#include "builder/book_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "payload/reader_payload.h"
#include "test_support.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

class BookBuilderTest : public ::testing::Test {
  protected:
    BookBuilderTest() {
        settings.sourcePath = (dir.Path() / "source.txt").string();
        settings.font.face = "DejaVu Sans";
    }

    bool Build(TBuildOptions options = {}) {
        TBookBuilder builder({dir.Path(), dir.Path()}, std::move(options));
        return builder.Run(settings, log);
    }

    std::string Midlets() const { return (dir.Path() / "midlets").string(); }
    std::string Temp() const { return (dir.Path() / "temp").string(); }
    std::string Meta() const { return (dir.Path() / "temp" / "META-INF").string(); }
    const std::string& LastLine() const { return log.Lines().back(); }

    // Files left in the temporary tree, relative to it.
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> files;
        if (!fs::exists(dir.Path() / "temp")) return files;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path() / "temp")) {
            if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir.Path() / "temp"));
        }
        return files;
    }

    TTempDir dir;
    TBuildSettings settings;
    TMemoryLog log;
};

// Lines that carry a time or a size are compared up to that value.
void ExpectLog(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    ASSERT_EQ(lines.size(), prefixes.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, prefixes[i].size()), prefixes[i]) << "line " << i;
    }
}

TEST_F(BookBuilderTest, OnePartBuildLogsEveryStepInOrder) {
    WriteFile(settings.sourcePath, "Hello. Bye");
    ASSERT_TRUE(Build());
    ExpectLog(log.Lines(),
              {
                  "Process started at ",
                  "Checking directories...",
                  "Temporary directory " + Midlets() + " - Ok",
                  "Temporary directory " + Temp() + " - Ok",
                  "Temporary directory " + Meta() + " - Ok",
                  "Creating temporary files...",
                  "Create file " + Temp() + "/TBookMIDlet.class, size " +
                      std::to_string(TReaderPayload::MainClass().size()) + " bytes",
                  "Create file " + Temp() + "/TBookCanvas.class, size " +
                      std::to_string(TReaderPayload::FullScreenCanvas().size()) + " bytes",
                  "Create file " + Meta() + "/MANIFEST.MF, size 197 bytes",
                  "Create text file " + Temp() + "/book.dat, size 10 bytes",
                  "Create file " + Temp() + "/help.dat, size ",
                  "Create font file " + Temp() + "/font.dat, size ",
                  "Creating jar file...",
                  "Create midlet ReadMe.jar, size ",
                  "Create file " + Midlets() + "/ReadMe.jad, size 2",
                  "Create ReadMe.jad, size 2",
                  "Process successfully ended at ",
              });
    std::uintmax_t jarSize = fs::file_size(dir.Path() / "midlets" / "ReadMe.jar");
    EXPECT_EQ(log.Lines()[13],
              "Create midlet ReadMe.jar, size " + std::to_string(jarSize) + " bytes");
    std::string jad = ReadFile(dir.Path() / "midlets" / "ReadMe.jad");
    EXPECT_NE(jad.find("\r\nMIDlet-Jar-Size: " + std::to_string(jarSize) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(log.Lines()[15], "Create ReadMe.jad, size " + std::to_string(jad.size()) + " bytes");
    EXPECT_EQ(log.Lines().front().size(), std::string("Process started at hh:nn:ss").size());
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(BookBuilderTest, PartNamesFollowThePlannedCount) {
    WriteFile(settings.sourcePath, std::string(20, 'a'));
    settings.partSizeText = "10";
    ASSERT_TRUE(Build({.keepTemporaryFiles = true}));
    // The last part's manifest names the second part.
    std::string manifest = ReadFile(dir.Path() / "temp" / "META-INF" / "MANIFEST.MF");
    EXPECT_NE(manifest.find("MIDlet-Name: ReadMe2\r\n"), std::string::npos);
    std::string help = ReadFile(dir.Path() / "temp" / "help.dat");
    EXPECT_NE(help.find("(2 \xE8\xE7 2)"), std::string::npos);  // Russian "(2 of 2)"
}

TEST_F(BookBuilderTest, SourceWithoutTextFailsBeforeAnyDirectory) {
    for (const char* text : {"", " \r\n\t\n"}) {
        WriteFile(settings.sourcePath, text);
        ASSERT_FALSE(Build());
        EXPECT_EQ(LastLine(), std::string(kMsgProcessFailed) + std::string(kMsgNoText));
        EXPECT_FALSE(fs::exists(dir.Path() / "midlets"));
    }
}

TEST_F(BookBuilderTest, KeptTemporaryFilesHoldTheLastPart) {
    WriteFile(settings.sourcePath, "One. Two. Three.");
    settings.partSizeText = "9";
    settings.infoText = "see ####Info";
    settings.helpLanguage = kHelpEnglish;
    ASSERT_TRUE(Build({.keepTemporaryFiles = true}));
    EXPECT_EQ(ReadFile(dir.Path() / "temp" / "book.dat"), std::string("\0\0\0\x07 Three.", 11));
    std::string help = ReadFile(dir.Path() / "temp" / "help.dat");
    EXPECT_NE(help.find("\rBook: see ####Info\r"), std::string::npos);
    EXPECT_NE(help.find("part (2 of 2) size: 0.0 kb."), std::string::npos);
}

// Glyph widths of font.dat: h, T, then per byte value a width and its columns.
std::array<int, 256> FontWidths(const std::string& fontDat) {
    std::array<int, 256> widths{};
    std::size_t at = 3;
    for (int j = 0; j < 256; ++j) {
        widths[j] = static_cast<unsigned char>(fontDat.at(at));
        at += 1 + 2 * widths[j];
    }
    EXPECT_EQ(at, fontDat.size());
    return widths;
}

TEST_F(BookBuilderTest, HelpValuesGetGlyphsEvenWhenOnlyTheyHoldThem) {
    WriteFile(settings.sourcePath, "ab.");
    settings.infoText = "Zq";
    settings.helpLanguage = kHelpEnglish;
    ASSERT_TRUE(Build({.keepTemporaryFiles = true}));
    std::array<int, 256> widths = FontWidths(ReadFile(dir.Path() / "temp" / "font.dat"));
    EXPECT_GT(widths['Z'], 0);  // only in the info text
    EXPECT_GT(widths['q'], 0);
    EXPECT_GT(widths['1'], 0);  // part "(1 of 1)"
    EXPECT_EQ(widths['8'], 0);  // nowhere: not in the text, the template or the values
    EXPECT_EQ(widths['\r'], 0);
}

struct FailureCase {
    const char* partSize;
    const char* bookName;
    const char* message;
};

// Settings refused before any directory is touched.
TEST_F(BookBuilderTest, BadSettingsStopBeforeAnyDirectory) {
    WriteFile(settings.sourcePath, "Text.");
    const FailureCase cases[] = {
        {"abc", "ReadMe", "'abc' is not a valid integer value"},
        {"12 ", "ReadMe", "'12 ' is not a valid integer value"},
        {"0x", "ReadMe", "'0x' is not a valid integer value"},
        {"0", "ReadMe", "Invalid part size"},
        {"-5", "ReadMe", "Invalid part size"},
        {"90000", "", "Invalid book name"},
        {"90000", ".", "Invalid book name"},
        {"90000", "..", "Invalid book name"},
        {"90000", "a/b", "Invalid book name"},
        {"90000", "a\\b", "Invalid book name"},
        {"90000", "a,b", "Invalid book name"},
        {"90000", "a\tb", "Invalid book name"},
        {"90000", "a\x7F", "Invalid book name"},
    };
    for (const FailureCase& c : cases) {
        settings.partSizeText = c.partSize;
        settings.bookName = c.bookName;
        TMemoryLog caseLog;
        EXPECT_FALSE(TBookBuilder({dir.Path(), dir.Path()}).Run(settings, caseLog));
        ASSERT_EQ(caseLog.Lines().size(), 2u) << c.partSize << " " << c.bookName;
        EXPECT_EQ(caseLog.Lines()[1], std::string("Process not ended, error: ") + c.message);
        EXPECT_FALSE(fs::exists(dir.Path() / "midlets"));
    }
    settings.partSizeText = " 12";
    settings.bookName = std::string(200, 'n');
    EXPECT_TRUE(Build());
    settings.bookName = std::string(201, 'n');
    EXPECT_FALSE(Build());
}

TEST_F(BookBuilderTest, MissingOrDirectorySourceFailsAndCleansUp) {
    settings.sourcePath = (dir.Path() / "nothing.txt").string();
    EXPECT_FALSE(Build());
    EXPECT_EQ(LastLine(), "Process not ended, error: File not found");
    settings.sourcePath = dir.Path().string();
    EXPECT_FALSE(Build());
    EXPECT_EQ(LastLine(), "Process not ended, error: File access denied");
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(BookBuilderTest, DirectoryThatCannotBeMadeStopsTheBuild) {
    WriteFile(settings.sourcePath, "Text.");
    WriteFile(dir.Path() / "midlets", "a file in the way");
    EXPECT_FALSE(Build());
    EXPECT_EQ(LastLine(),
              "Process not ended, error: Can not create tempopary directory " + Midlets());
    TMemoryLog nested;
    TBookBuilder deep({dir.Path() / "no" / "such", dir.Path()});
    EXPECT_FALSE(deep.Run(settings, nested));
    EXPECT_EQ(nested.Lines().back(),
              "Process not ended, error: Can not create tempopary directory " +
                  (dir.Path() / "no" / "such" / "midlets").string());
}

TEST_F(BookBuilderTest, UnwritableTemporaryFileFailsWithItsPath) {
    WriteFile(settings.sourcePath, "Text.");
    // A directory that is not empty stands where the manifest goes.
    fs::create_directories(dir.Path() / "temp" / "META-INF" / "MANIFEST.MF");
    WriteFile(dir.Path() / "temp" / "META-INF" / "MANIFEST.MF" / "keep", "x");
    EXPECT_FALSE(Build());
    EXPECT_EQ(LastLine(),
              "Process not ended, error: Can not create/save file " + Meta() + "/MANIFEST.MF");
}

TEST_F(BookBuilderTest, CharacterOutsideTheCodePageIsRefused) {
    WriteFile(settings.sourcePath, "Text.");
    settings.bookName = "Book\xE2\x82\xAC";  // the euro sign exists in CP1251
    EXPECT_TRUE(Build());
    settings.bookName = "Book\xE4\xB8\xAD";  // a CJK character does not
    EXPECT_FALSE(Build());
    EXPECT_EQ(
        LastLine(),
        "Process not ended, error: The character \"\xE4\xB8\xAD\" is not in code page CP1251");
}

TEST(BookName, Rules) {
    EXPECT_TRUE(IsValidBookName("ReadMe"));
    EXPECT_TRUE(IsValidBookName("My book (1)"));
    EXPECT_TRUE(IsValidBookName("\xCA\xED\xE8\xE3\xE0"));
    EXPECT_FALSE(IsValidBookName(std::string("a\0b", 3)));
}

}  // namespace
}  // namespace quorix

namespace quorix {
namespace {

// A front end's progress: each part announced once, in order, before its JAR is made.
TEST_F(BookBuilderTest, EveryPartIsAnnouncedBeforeItIsBuilt) {
    WriteFile(settings.sourcePath, "One. Two. Three. Four. Five.");
    settings.partSizeText = "10";
    std::vector<std::pair<std::uint64_t, std::uint64_t>> announced;
    std::vector<std::size_t> linesBefore;
    TBuildOptions options;
    options.partStarted = [&](std::uint64_t part, std::uint64_t parts) {
        announced.emplace_back(part, parts);
        linesBefore.push_back(log.Lines().size());
    };
    ASSERT_TRUE(Build(std::move(options)));
    std::vector<std::size_t> jarLines;
    for (std::size_t i = 0; i < log.Lines().size(); ++i) {
        if (log.Lines()[i].starts_with("Create midlet ")) jarLines.push_back(i);
    }
    ASSERT_GE(jarLines.size(), 2u);
    ASSERT_EQ(announced.size(), jarLines.size());
    for (std::size_t k = 0; k < announced.size(); ++k) {
        EXPECT_EQ(announced[k], std::make_pair(k + 1, std::uint64_t{jarLines.size()}));
        EXPECT_LE(linesBefore[k], jarLines[k]);
        if (k > 0) {
            EXPECT_GT(linesBefore[k], jarLines[k - 1]);
        }
    }
}

// A stop asked for at any step ends the build with "Interrupted"; the parts finished
// before it stay whole and the part being made leaves nothing behind.
TEST_F(BookBuilderTest, StopEndsTheBuildAndKeepsOnlyFinishedParts) {
    WriteFile(settings.sourcePath, std::string(30, 'a'));
    settings.partSizeText = "10";
    for (int stopAt : {1, 4, 9, 14}) {
        SCOPED_TRACE(stopAt);
        fs::remove_all(dir.Path() / "midlets");
        log = TMemoryLog();
        std::atomic<int> asked = 0;  // the workers ask at once
        EXPECT_FALSE(Build({.stopRequested = [&] { return ++asked >= stopAt; }}));
        EXPECT_EQ(LastLine(), "Process not ended, error: Interrupted");
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path() / "midlets")) {
            names.push_back(e.path().filename());
        }
        std::sort(names.begin(), names.end());
        std::vector<std::string> pairs;
        for (const std::string& line : log.Lines()) {
            if (line.starts_with("Create ReadMe") && line.find(".jad") != std::string::npos) {
                std::string part = line.substr(7, line.find(".jad") - 7);
                pairs.push_back(part + ".jad");
                pairs.push_back(part + ".jar");
            }
        }
        std::sort(pairs.begin(), pairs.end());
        EXPECT_EQ(names, pairs);
        EXPECT_TRUE(TempFiles().empty());
    }
}

}  // namespace
}  // namespace quorix
