// book_builder.cpp - runs the steps of a build in order and reports them.
#include "book/book_builder.h"

#include <ctime>
#include <optional>
#include <exception>
#include <system_error>

#include <sys/stat.h>

#include "archive/zip_writer.h"
#include "book/book_error.h"
#include "book/code_page.h"
#include "book/descriptors.h"
#include "book/file_writer.h"
#include "book/font_rasterizer.h"
#include "book/glyph_set.h"
#include "book/help_text.h"
#include "book/int_conversion.h"
#include "book/part_reader.h"
#include "payload/reader_payload.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

// Files a build leaves in the temporary directory; "jar.exe" is an old
// companion tool's name that is cleared as well.
constexpr std::string_view kTempFiles[] = {"jar.exe",  "book.dat",          "help.dat",
                                           "font.dat", "TBookMIDlet.class", "TBookCanvas.class"};
// What each part writes anew; the class files stay for every part.
constexpr std::string_view kPartFiles[] = {"book.dat", "help.dat", "font.dat"};
constexpr std::string_view kMetaDirName = "META-INF";
constexpr std::string_view kManifestName = "MANIFEST.MF";
constexpr std::uint32_t kSearchAttributes = 10431;  // every kind of file and directory

std::string ClockTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// One build: the settings as converted for the phone and the paths it works in.
class TBuildRun {
public:
    TBuildRun(const TBuildPlace& place, const TBuildOptions& options, const TBuildSettings& settings,
              TBuildLog& log)
        : place_(place), options_(options), settings_(settings), log_(log) {
        zw_.SetCompressionLevel(TZWCompressionLevel::clMax);
        zw_.SetCompressionMode(9);
        zw_.OnProcessFileFailure = [this](const TZWFailureInfo& failure) {
            return AskEntryFailure(failure);
        };
    }

    void Run();
    void Cleanup();
    void DiscardUnfinishedOutputs();

private:
    void PrepareDirectories();
    void BuildPart(std::uint64_t number);
    std::string PartName(std::uint64_t number) const;
    std::uintmax_t PackJar(const fs::path& jar);
    TZWAction AskEntryFailure(const TZWFailureInfo& failure) const;

    const TBuildPlace& place_;
    const TBuildOptions& options_;
    const TBuildSettings& settings_;
    TBuildLog& log_;

    std::string bookName_;  // in the code page: what the descriptors carry
    std::string infoText_;  // in the code page: what the help page shows
    std::int32_t partSize_ = 0;
    fs::path midletsDir_, tempDir_, metaDir_;
    TPartReader source_;
    std::uintmax_t sourceSize_ = 0;
    std::uint64_t partCount_ = 0;
    char decimalSeparator_ = '.';
    std::vector<fs::path> unfinished_;  // outputs of the part being made
    TZipWriter zw_{"zw"};
    std::optional<TFontRasterizer> font_;  // looked up and loaded once per build
};

void TBuildRun::Run() {
    partSize_ = StrToInt(settings_.partSizeText);
    if (partSize_ < 1) throw TBookError(std::string(kMsgInvalidPartSize));
    bookName_ = Utf8ToCodePage(settings_.bookName, settings_.font.codePage);
    if (!IsValidBookName(bookName_)) throw TBookError(std::string(kMsgInvalidBookName));
    infoText_ = Utf8ToCodePage(settings_.infoText, settings_.font.codePage);
    decimalSeparator_ = LocaleDecimalSeparator();
    font_.emplace(settings_.font);

    PrepareDirectories();
    log_.Add("Creating temporary files...");
    TReaderPayload::Write(tempDir_, settings_.phoneType, log_);

    sourceSize_ = source_.Open(settings_.sourcePath);
    partCount_ = source_.PlanParts(partSize_);
    for (std::uint64_t k = 1; k <= partCount_; ++k) {
        if (options_.partStarted) options_.partStarted(k, partCount_);
        BuildPart(k);
    }
    source_.Close();
}

void TBuildRun::PrepareDirectories() {
    log_.Add("Checking directories...");
    midletsDir_ = place_.midletsParent / "midlets";
    EnsureDirectory(midletsDir_, log_);
    tempDir_ = place_.tempParent / "temp";
    EnsureDirectory(tempDir_, log_);
    metaDir_ = tempDir_ / kMetaDirName;
    EnsureDirectory(metaDir_, log_);
}

std::string TBuildRun::PartName(std::uint64_t number) const {
    return partCount_ == 1 ? settings_.bookName : settings_.bookName + std::to_string(number);
}

void TBuildRun::BuildPart(std::uint64_t number) {
    const std::string fileName = PartName(number);
    const std::string phoneName =
        partCount_ == 1 ? bookName_ : bookName_ + std::to_string(number);
    std::string_view templ = THelpText::Template(settings_.helpLanguage);

    // The previous part's files are removed rather than overwritten: file systems such as
    // ext4 send a file that is truncated and written again to the disk when it is closed,
    // while a new short-lived one stays in memory.
    if (number > 1) {
        std::error_code ec;
        for (std::string_view name : kPartFiles) fs::remove(tempDir_ / name, ec);
        fs::remove(metaDir_ / kManifestName, ec);
    }

    WriteTextFile(TDescriptorWriter::ManifestText(phoneName, kVendor), metaDir_ / kManifestName,
                  false, log_);
    TPart part = source_.NextPart(tempDir_, log_);
    std::string help = THelpText::Fill(templ, infoText_, sourceSize_, number, partCount_,
                                       part.bytes.size(), decimalSeparator_);
    THelpText::Write(help, tempDir_, log_);

    // The help page's own values (info text, sizes, numbers) need glyphs too.
    TGlyphSet glyphs;
    glyphs.Clear();
    glyphs.Add(part.bytes);
    glyphs.Add(templ);
    glyphs.Add(help);
    glyphs.DropControlBytes();
    font_->Render(glyphs);
    font_->WriteFontDat(tempDir_, log_);
    font_->Release();

    log_.Add("Creating jar file...");
    const fs::path jar = midletsDir_ / (fileName + ".jar");
    unfinished_.push_back(jar);
    std::uintmax_t jarSize = PackJar(jar);
    log_.Add("Create midlet " + fileName + ".jar, size " + std::to_string(jarSize) + " bytes");

    const fs::path jad = midletsDir_ / (fileName + ".jad");
    unfinished_.push_back(jad);
    std::string jadText = TDescriptorWriter::JadText(phoneName, kVendor, jarSize);
    WriteTextFile(jadText, jad, false, log_);
    log_.Add("Create " + fileName + ".jad, size " + std::to_string(jadText.size()) + " bytes");
    unfinished_.clear();
}

// Packs the temporary tree with the manifest first: phones and Java's JAR
// reader look for it there.
std::uintmax_t TBuildRun::PackJar(const fs::path& jar) {
    zw_.SetFileName(jar);
    zw_.OpenNew();
    zw_.SetBaseDir(tempDir_);
    zw_.BeginUpdate();
    zw_.AddMatching(kMetaDirName, kSearchAttributes, "");
    zw_.AddMatching("*.*", kSearchAttributes, "");
    zw_.EndUpdate();
    zw_.Close();
    struct stat info {};
    if (::stat(jar.c_str(), &info) != 0) throw TBookError(IoErrorMessage(errno));
    return static_cast<std::uintmax_t>(info.st_size);
}

TZWAction TBuildRun::AskEntryFailure(const TZWFailureInfo& failure) const {
    if (!options_.askEntryFailure) return TZWAction::actAbort;
    switch (options_.askEntryFailure(failure.message + std::string(kMsgEntryFailureQuestion))) {
        case TEntryFailureAnswer::Retry:
            return TZWAction::actRetry;
        case TEntryFailureAnswer::Ignore:
            return TZWAction::actSkip;
        case TEntryFailureAnswer::Abort:
            break;
    }
    return TZWAction::actAbort;
}

void TBuildRun::DiscardUnfinishedOutputs() {
    zw_.Close();
    std::error_code ec;
    for (const fs::path& path : unfinished_) fs::remove(path, ec);
    unfinished_.clear();
}

void TBuildRun::Cleanup() {
    std::error_code ec;
    if (!tempDir_.empty()) {
        for (std::string_view name : kTempFiles) fs::remove(tempDir_ / name, ec);
    }
    if (!metaDir_.empty()) fs::remove(metaDir_ / kManifestName, ec);
}

}  // namespace

TBookBuilder::TBookBuilder(TBuildPlace place, TBuildOptions options)
    : place_(std::move(place)), options_(std::move(options)) {}

bool TBookBuilder::Run(const TBuildSettings& settings, TBuildLog& log) {
    log.Add(std::string(kMsgProcessStarted) + ClockTime());
    TBuildRun run(place_, options_, settings, log);
    bool succeeded = false;
    try {
        run.Run();
        log.Add(std::string(kMsgProcessEnded) + ClockTime());
        succeeded = true;
    } catch (const std::exception& e) {
        run.DiscardUnfinishedOutputs();
        log.Add(std::string(kMsgProcessFailed) + e.what());
    }
    if (!options_.keepTemporaryFiles) run.Cleanup();
    return succeeded;
}

bool IsValidBookName(std::string_view name) {
    if (name.empty() || name.size() > 200 || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 32 || c == 127 || c == '/' || c == '\\' || c == ',') return false;
    }
    return true;
}

}  // namespace quorix
