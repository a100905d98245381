// book_builder.cpp - runs the steps of a build in order and reports them.
#include "builder/book_builder.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "base/replacing_file.h"
#include "book/book_error.h"
#include "book/code_page.h"
#include "book/file_writer.h"
#include "book/help_text.h"
#include "book/int_conversion.h"
#include "book/jar_fitter.h"
#include "book/part_files.h"
#include "book/part_reader.h"
#include "builder/book_source.h"
#include "builder/jar_meter.h"
#include "builder/part_maker.h"
#include "builder/part_pool.h"
#include "builder/worker_trees.h"
#include "font/font_rasterizer.h"
#include "payload/reader_payload.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

// Files a build leaves in the temporary directory; "jar.exe" is an old
// companion tool's name that is cleared as well.
constexpr std::string_view kTempFiles[] = {"jar.exe",    kBookDatName,   kHelpDatName,
                                           kFontDatName, kMainClassFile, kCanvasClassFile};

std::string ClockTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// The parts of one build, each taken from the source and made by a worker's maker.
class TBookParts : public TPartWork {
  public:
    TBookParts(TPartReader& source, std::vector<std::unique_ptr<TPartMaker>>& makers,
               const TBuildOptions& options, std::uint64_t count)
        : source_(source), makers_(makers), options_(options), count_(count) {}
    bool Take(unsigned worker, std::uint64_t number) override {
        if (places_.size() < number) places_.resize(number);
        places_[number - 1] = source_.Place();
        return makers_[worker]->Take(source_);
    }
    // The workers' trees hold the files of parts that are to be made again: they go, so
    // that the part made alone has the disk to itself.
    bool Rewind(std::uint64_t number) override {
        if (number == 0 || number > places_.size()) return false;
        source_.Return(places_[number - 1]);
        for (std::size_t w = 1; w < makers_.size(); ++w) makers_[w]->RemovePartFiles();
        return true;
    }
    std::unique_ptr<TPartDone> Make(unsigned worker, std::uint64_t number,
                                    TBuildLog& log) override {
        return makers_[worker]->Make(number, log);
    }
    void Announce(std::uint64_t number) override {
        if (options_.partStarted) options_.partStarted(number, count_);
    }

  private:
    TPartReader& source_;
    std::vector<std::unique_ptr<TPartMaker>>& makers_;
    const TBuildOptions& options_;
    std::uint64_t count_;
    std::vector<TPartReader::TPlace> places_;  // where each taken part starts
};

// One build: the settings as converted for the phone and the paths it works in.
class TBuildRun {
  public:
    TBuildRun(const TBuildPlace& place, const TBuildOptions& options,
              const TBuildSettings& settings, TBuildLog& log)
        : place_(place), options_(options), settings_(settings), log_(log) {}

    void Run();
    void Cleanup();

  private:
    void PrepareDirectories();
    void BuildParts();
    void PlanToFit();  // context_.partCount and the plan of the parts
    void LogFitted();

    const TBuildPlace& place_;
    const TBuildOptions& options_;
    const TBuildSettings& settings_;
    TBuildLog& log_;

    TPartContext context_;
    std::int32_t partSize_ = 0;
    fs::path midletsDir_, tempDir_, metaDir_;
    TConvertedSource text_;  // the source as code-page text: removed after the parts
    TPartReader source_;
    std::optional<TFontRasterizer> font_;  // looked up and loaded once per build
};

void TBuildRun::Run() {
    // The help templates, descriptors and the reader's own texts are ASCII.
    CheckSingleByteCodePage(settings_.font.codePage);
    partSize_ = StrToInt(settings_.partSizeText);
    if (partSize_ < 1) throw TBookError(std::string(kMsgInvalidPartSize));
    context_.fileName = settings_.bookName;
    context_.jarLimit = ParseJarLimit(settings_.maxJarSizeText);
    context_.phoneName = Utf8ToCodePage(settings_.bookName, settings_.font.codePage);
    // The phone sees the code-page name, the file system the UTF-8 one: both must pass.
    if (!IsValidBookName(context_.phoneName) || !IsValidBookName(settings_.bookName)) {
        throw TBookError(std::string(kMsgInvalidBookName));
    }
    context_.infoText = Utf8ToCodePage(settings_.infoText, settings_.font.codePage);
    context_.helpTemplate = THelpText::TemplateIn(settings_.helpLanguage, settings_.font.codePage);
    context_.decimalSeparator = LocaleDecimalSeparator();
    context_.compression = options_.compression;
    context_.askEntryFailure = options_.askEntryFailure;
    context_.stopRequested = options_.stopRequested;
    font_.emplace(settings_.font);
    // Read before any directory is touched: a source without text leaves them as they were.
    text_ =
        TConvertedSource::Open(settings_.sourcePath, TextOptionsOf(settings_), place_.tempParent);
    if (!text_.HoldsText()) throw TBookError(std::string(kMsgNoText));

    PrepareDirectories();
    log_.Add("Creating temporary files...");
    TReaderPayload::Write(tempDir_, settings_.phoneType, log_);
    const auto logReport = [this] {
        for (const std::string& line : text_.Report()) log_.Add(line);
    };
    if (context_.jarLimit == 0) {
        logReport();
        context_.sourceSize = source_.Open(text_.Path());
        context_.partCount = source_.PlanParts(partSize_);
    } else {
        // The fitting logs nothing before its count, so the report can wait for it: the
        // report's code-page word reads the whole text on the other processor meanwhile.
        try {
            context_.sourceSize = source_.Open(text_.Path());
            PlanToFit();
        } catch (...) {
            logReport();
            throw;
        }
        logReport();
        LogFitted();
    }
    if (context_.partCount > 0) BuildParts();
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
    context_.midletsDir = midletsDir_;
    context_.tempDir = tempDir_;
}

// Every cut is measured in memory; the cut a part takes is confirmed by packing its JAR for
// real, from the same files a part is made of, into a scratch JAR of this build's private
// directory.
void TBuildRun::PlanToFit() {
    std::mutex askMutex;
    TPartMaker prober(context_, tempDir_, TFontRasterizer(settings_.font), askMutex);
    const fs::path fitJar = place_.tempParent / "fit.jar";
    struct TScratch {
        const fs::path& path;
        ~TScratch() {
            std::error_code ec;
            fs::remove(path, ec);
        }
    } scratch{fitJar};
    TBuildJarMeter meter(context_, prober, TFontRasterizer(settings_.font), fitJar);
    std::vector<std::uint64_t> lengths = PlanFittedParts(
        context_.sourceSize, partSize_, context_.jarLimit,
        [this](std::uintmax_t position, std::size_t length) {
            return source_.ReadAt(position, length);
        },
        meter);
    prober.RemovePartFiles();
    context_.fittedBooks = meter.TakeBooks(lengths);
    context_.partCount = lengths.size();
    source_.UsePlan(std::move(lengths));
}

void TBuildRun::LogFitted() {
    log_.Add("Parts fitted to JARs of at most " + std::to_string(context_.jarLimit) +
             " bytes: " + std::to_string(context_.partCount));
}

// The first worker works in the build's temporary tree, every other one in a copy of
// it. Kept temporary files are those of one worker: the last part's. Each worker holds
// a part in memory, so huge parts are made by fewer workers; a tree that cannot be made
// (a full disk) leaves the build to the workers it has.
void TBuildRun::BuildParts() {
    constexpr std::uint64_t kPartMemory = 32 * 1024 * 1024;  // for all workers' parts
    const std::uint64_t partBytes =
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(partSize_, context_.sourceSize));
    const unsigned workers = std::min(
        PartWorkers(options_.keepTemporaryFiles ? 1 : options_.jobs, context_.partCount),
        static_cast<unsigned>(std::clamp<std::uint64_t>(kPartMemory / partBytes, 1, 1024)));
    std::mutex askMutex;
    TWorkerTrees trees;
    std::vector<std::unique_ptr<TPartMaker>> makers;
    makers.push_back(std::make_unique<TPartMaker>(context_, tempDir_, std::move(*font_), askMutex));
    while (makers.size() < workers) {
        fs::path tree;
        try {
            tree = trees.Add(tempDir_);
        } catch (const std::exception&) {
            break;
        }
        makers.push_back(std::make_unique<TPartMaker>(context_, tree,
                                                      TFontRasterizer(settings_.font), askMutex));
    }
    TBookParts parts(source_, makers, options_, context_.partCount);
    RunPartPool(context_.partCount, static_cast<unsigned>(makers.size()), parts, log_);
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
    const TBuildSettings named = WithSourceNames(settings);
    TBuildRun run(place_, options_, named, log);
    bool succeeded = false;
    try {
        run.Run();
        log.Add(std::string(kMsgProcessEnded) + ClockTime());
        succeeded = true;
    } catch (const std::exception& e) {
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
