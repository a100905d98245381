// book_builder.cpp - runs the steps of a build in order and reports them.
#include "book/book_builder.h"

#include <ctime>
#include <optional>
#include <exception>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/zip_writer.h"
#include "book/book_error.h"
#include "book/byte_order.h"
#include "book/code_page.h"
#include "book/descriptors.h"
#include "book/file_writer.h"
#include "book/font_rasterizer.h"
#include "book/glyph_set.h"
#include "book/help_text.h"
#include "book/int_conversion.h"
#include "book/jar_fitter.h"
#include "book/part_reader.h"
#include "book/replacing_file.h"
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
// Every entry of a part's JAR, as stored.
constexpr std::string_view kJarEntries[] = {"META-INF/",         "META-INF/MANIFEST.MF",
                                            "TBookMIDlet.class", "TBookCanvas.class",
                                            "book.dat",          "help.dat",
                                            "font.dat"};

// Trial builds of the fitting leave no lines in the build's log.
class TQuietLog : public TBuildLog {
  public:
    void Add(std::string_view) override {}
};

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
        zw_.Options().stopRequested = options_.stopRequested;
        zw_.Options().failOnUnreadable = true;
    }

    void Run();
    void Cleanup();
    void DiscardUnfinishedOutputs();

private:
    void PrepareDirectories();
    void BuildPart(std::uint64_t number);
    std::string PartName(std::uint64_t number, std::uint64_t count) const;
    void WriteHelpAndFont(std::string_view text, std::uint64_t number, std::uint64_t count,
                          TBuildLog& log);
    std::uint64_t PlanToFit();
    std::uintmax_t ProbeJar(std::string_view text, std::uint64_t number, std::uint64_t count);
    void WriteArchive(const fs::path& name, int fd);
    std::uintmax_t PackJar(TReplacingFile& jar);
    void CheckJarEntries() const;
    void CheckStop() const;
    TZWAction AskEntryFailure(const TZWFailureInfo& failure);

    const TBuildPlace& place_;
    const TBuildOptions& options_;
    const TBuildSettings& settings_;
    TBuildLog& log_;

    std::string bookName_;  // in the code page: checked like the UTF-8 name
    std::string infoText_;  // in the code page: what the help page shows
    std::string helpTemplate_;  // in the code page
    std::int32_t partSize_ = 0;
    std::uintmax_t jarLimit_ = 0;  // 0: parts are cut by the part size alone
    fs::path fitJar_;              // the JAR each trial cut is packed into
    fs::path midletsDir_, tempDir_, metaDir_;
    TPartReader source_;
    std::uintmax_t sourceSize_ = 0;
    std::uint64_t partCount_ = 0;
    char decimalSeparator_ = '.';
    std::set<std::string> ignored_;  // entries of this part the user chose to leave out
    TZipWriter zw_{"zw"};
    std::optional<TFontRasterizer> font_;  // looked up and loaded once per build
};

void TBuildRun::Run() {
    // The help templates, descriptors and the reader's own texts are ASCII.
    CheckSingleByteCodePage(settings_.font.codePage);
    partSize_ = StrToInt(settings_.partSizeText);
    if (partSize_ < 1) throw TBookError(std::string(kMsgInvalidPartSize));
    jarLimit_ = ParseJarLimit(settings_.maxJarSizeText);
    bookName_ = Utf8ToCodePage(settings_.bookName, settings_.font.codePage);
    // The phone sees the code-page name, the file system the UTF-8 one: both must pass.
    if (!IsValidBookName(bookName_) || !IsValidBookName(settings_.bookName)) {
        throw TBookError(std::string(kMsgInvalidBookName));
    }
    infoText_ = Utf8ToCodePage(settings_.infoText, settings_.font.codePage);
    helpTemplate_ = THelpText::TemplateIn(settings_.helpLanguage, settings_.font.codePage);
    decimalSeparator_ = LocaleDecimalSeparator();
    font_.emplace(settings_.font);

    PrepareDirectories();
    log_.Add("Creating temporary files...");
    TReaderPayload::Write(tempDir_, settings_.phoneType, log_);

    sourceSize_ = source_.Open(settings_.sourcePath);
    partCount_ = jarLimit_ == 0 ? source_.PlanParts(partSize_) : PlanToFit();
    for (std::uint64_t k = 1; k <= partCount_; ++k) {
        CheckStop();
        if (options_.partStarted) options_.partStarted(k, partCount_);
        BuildPart(k);
    }
    source_.CheckFullyRead();
    source_.Close();
    // Once for all parts: each pair's files reached the disk before their renames.
    SyncDirectory(midletsDir_);
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

std::string TBuildRun::PartName(std::uint64_t number, std::uint64_t count) const {
    return count == 1 ? settings_.bookName : settings_.bookName + std::to_string(number);
}

// Every cut is tried by packing its JAR for real, from the same files a part is made of.
std::uint64_t TBuildRun::PlanToFit() {
    fitJar_ = place_.tempParent / "fit.jar";
    std::vector<std::uint64_t> lengths = PlanFittedParts(
        sourceSize_, partSize_, jarLimit_,
        [this](std::uintmax_t position, std::size_t length) {
            return source_.ReadAt(position, length);
        },
        [this](std::string_view text, std::uint64_t number, std::uint64_t count) {
            return ProbeJar(text, number, count);
        });
    std::error_code ec;
    fs::remove(fitJar_, ec);
    for (std::string_view name : kPartFiles) fs::remove(tempDir_ / name, ec);
    fs::remove(metaDir_ / kManifestName, ec);
    const std::uint64_t count = lengths.size();
    source_.UsePlan(std::move(lengths));
    log_.Add("Parts fitted to JARs of at most " + std::to_string(jarLimit_) +
             " bytes: " + std::to_string(count));
    return count;
}

// A trial JAR is a scratch file of this build's private directory: it is measured and
// dropped, never flushed to the disk.
std::uintmax_t TBuildRun::ProbeJar(std::string_view text, std::uint64_t number,
                                   std::uint64_t count) {
    CheckStop();
    TQuietLog quiet;
    WriteTextFile(TDescriptorWriter::ManifestText(PartName(number, count), kVendor),
                  metaDir_ / kManifestName, false, quiet);
    std::string prefix;
    putU32BE(prefix, static_cast<std::uint32_t>(text.size()));
    std::string_view pieces[] = {prefix, text};
    WriteRawFile(pieces, tempDir_ / "book.dat");
    WriteHelpAndFont(text, number, count, quiet);
    int fd = ::open(fitJar_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw TBookError(std::string(kMsgCannotSaveFile) + fitJar_.string());
    WriteArchive(fitJar_, fd);
    struct stat info {};
    if (::stat(fitJar_.c_str(), &info) != 0) throw TBookError(IoErrorMessage(errno));
    return static_cast<std::uintmax_t>(info.st_size);
}

void TBuildRun::WriteHelpAndFont(std::string_view text, std::uint64_t number,
                                 std::uint64_t count, TBuildLog& log) {
    std::string_view templ = helpTemplate_;
    std::string help = THelpText::Fill(templ, infoText_, sourceSize_, number, count, text.size(),
                                       decimalSeparator_);
    THelpText::Write(help, tempDir_, log);

    // The help page's own values (info text, sizes, numbers) need glyphs too.
    TGlyphSet glyphs;
    glyphs.Clear();
    glyphs.Add(text);
    glyphs.Add(templ);
    glyphs.Add(help);
    glyphs.DropControlBytes();
    font_->Render(glyphs);
    font_->WriteFontDat(tempDir_, log);
    font_->Release();
}

void TBuildRun::BuildPart(std::uint64_t number) {
    // The descriptors carry the UTF-8 name, as the files on disk do.
    const std::string fileName = PartName(number, partCount_);

    // The previous part's files are removed rather than overwritten: file systems such as
    // ext4 send a file that is truncated and written again to the disk when it is closed,
    // while a new short-lived one stays in memory.
    if (number > 1) {
        std::error_code ec;
        for (std::string_view name : kPartFiles) fs::remove(tempDir_ / name, ec);
        fs::remove(metaDir_ / kManifestName, ec);
    }

    WriteTextFile(TDescriptorWriter::ManifestText(fileName, kVendor), metaDir_ / kManifestName,
                  false, log_);
    TPart part = source_.NextPart(tempDir_, log_);
    WriteHelpAndFont(part.bytes, number, partCount_, log_);

    CheckStop();
    log_.Add("Creating jar file...");
    // Both files are new ones beside their final names until the pair is complete; the
    // part's previous JAR and JAD stay as they were if anything fails before that.
    TReplacingFile jar(midletsDir_ / (fileName + ".jar"));
    std::uintmax_t jarSize = PackJar(jar);
    // Only a plan whose part count never settled can get here.
    if (jarLimit_ != 0 && jarSize > jarLimit_)
        throw TBookError(std::string(kMsgJarOverLimit) + fileName + ".jar, " +
                         std::to_string(jarSize) + " bytes");
    log_.Add("Create midlet " + fileName + ".jar, size " + std::to_string(jarSize) + " bytes");

    TReplacingFile jad(midletsDir_ / (fileName + ".jad"));
    std::string jadText = TDescriptorWriter::JadText(fileName, kVendor, jarSize);
    try {
        jad.Write(jadText);
        jad.Finish();
    } catch (const EOutputError&) {
        throw TBookError(std::string(kMsgCannotSaveFile) + jad.Target().string());
    }
    log_.Add("Create file " + jad.Target().string() + ", size " + std::to_string(jadText.size()) +
             " bytes");
    CheckStop();
    CommitPair(jar, jad);
    log_.Add("Create " + fileName + ".jad, size " + std::to_string(jadText.size()) + " bytes");
}

void TBuildRun::CheckStop() const {
    if (options_.stopRequested && options_.stopRequested()) {
        throw TBookError(std::string(kMsgInterrupted));
    }
}

// Packs the temporary tree with the manifest first: phones and Java's JAR
// reader look for it there.
std::uintmax_t TBuildRun::PackJar(TReplacingFile& jar) {
    int fd = ::dup(jar.Fd());
    if (fd < 0) throw TBookError(std::string(kMsgCannotSaveFile) + jar.Target().string());
    WriteArchive(jar.TempPath(), fd);
    return jar.Finish();
}

// The archive of the temporary tree into `fd`, which the writer takes over.
void TBuildRun::WriteArchive(const fs::path& name, int fd) {
    ignored_.clear();
    try {
        zw_.SetFileName(name);
        zw_.OpenNew(fd);
        zw_.SetBaseDir(tempDir_);
        zw_.BeginUpdate();
        zw_.AddMatching(kMetaDirName, kSearchAttributes, "");
        zw_.AddMatching("*.*", kSearchAttributes, "");
        zw_.EndUpdate();
        CheckJarEntries();
    } catch (...) {
        zw_.Close();
        throw;
    }
    zw_.Close();
}

// A file that could not be listed or opened must not leave a JAR that looks whole.
void TBuildRun::CheckJarEntries() const {
    std::string missing;
    for (std::string_view name : kJarEntries) {
        if (ignored_.count(std::string(name)) != 0) continue;
        const TZWDirArray& entries = zw_.Entries();
        if (!entries.Find(std::string(name))) {
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        }
    }
    if (!missing.empty()) throw TBookError(std::string(kMsgArchiveIncomplete) + missing);
}

TZWAction TBuildRun::AskEntryFailure(const TZWFailureInfo& failure) {
    if (!options_.askEntryFailure) return TZWAction::actAbort;
    switch (options_.askEntryFailure(failure.message + std::string(kMsgEntryFailureQuestion))) {
        case TEntryFailureAnswer::Retry:
            return TZWAction::actRetry;
        case TEntryFailureAnswer::Ignore: {
            std::error_code ec;
            fs::path stored = fs::path(failure.sourcePath).lexically_relative(tempDir_);
            if (stored.empty() || stored.string().rfind("..", 0) == 0) {
                stored = fs::weakly_canonical(failure.sourcePath, ec)
                             .lexically_relative(fs::weakly_canonical(tempDir_, ec));
            }
            ignored_.insert(stored.generic_string());
            return TZWAction::actSkip;
        }
        case TEntryFailureAnswer::Abort:
            break;
    }
    return TZWAction::actAbort;
}

void TBuildRun::DiscardUnfinishedOutputs() {
    zw_.Close();
    std::error_code ec;
    if (!fitJar_.empty()) fs::remove(fitJar_, ec);
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
