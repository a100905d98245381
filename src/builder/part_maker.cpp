// part_maker.cpp - the steps of one part, in order, in a worker's own tree.
#include "builder/part_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <system_error>

#include "archive/zip_format.h"
#include "archive/zw_exception.h"
#include "base/replacing_file.h"
#include "book/book_error.h"
#include "book/descriptors.h"
#include "book/file_writer.h"
#include "book/help_text.h"
#include "book/jar_fitter.h"
#include "book/part_files.h"
#include "font/glyph_set.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

// What each part writes anew; the class files stay for every part.
constexpr std::string_view kPartFiles[] = {kBookDatName, kHelpDatName, kFontDatName};
// Every entry of a part's JAR, as stored.
std::array<std::string, 7> JarEntries() {
    const std::string metaDir = std::string(kMetaDirName) + "/";
    return {metaDir,
            metaDir + std::string(kManifestName),
            std::string(kMainClassFile),
            std::string(kCanvasClassFile),
            std::string(kBookDatName),
            std::string(kHelpDatName),
            std::string(kFontDatName)};
}

// The log as the one-worker build writes it: a worker's tree is named as the build's
// temporary directory, so that the log does not depend on which worker made a part.
class TShownLog : public TBuildLog {
  public:
    TShownLog(TBuildLog& log, std::function<std::string(std::string)> shown)
        : log_(log), shown_(std::move(shown)) {}
    void Add(std::string_view line) override { log_.Add(shown_(std::string(line))); }

  private:
    TBuildLog& log_;
    std::function<std::string(std::string)> shown_;
};

bool NoRoom(int error) {
    return error == ENOSPC || error == EDQUOT;
}

// The messages the user knows for a JAR and a JAD that cannot be made, with the cause.
[[noreturn]] void ThrowPartFile(const fs::path& file, int error) {
    std::string message = file.extension() == ".jar"
                              ? FormatZWText(kMsgCannotCreateFile, {file.string()})
                              : std::string(kMsgCannotSaveFile) + file.string();
    message += ": " + std::generic_category().message(error);
    if (NoRoom(error)) throw EPartOutOfSpace(message);
    throw TBookError(message);
}

// A made part's JAR and JAD, finished unnamed (or under private names) beside their final ones;
// dropped unfinished, they are removed and the final names stay as they were.
class TStagedPart : public TPartDone {
  public:
    TStagedPart(const TPartContext& context, std::unique_ptr<TReplacingFile> jar,
                std::unique_ptr<TReplacingFile> jad, std::string fileName, std::size_t jadSize)
        : context_(context),
          jar_(std::move(jar)),
          jad_(std::move(jad)),
          fileName_(std::move(fileName)),
          jadSize_(jadSize) {}

    void Finish(TBuildLog& log) override {
        CheckStop(context_);
        try {
            CommitPair(*jar_, *jad_);
        } catch (const EOutputError& e) {
            ThrowPartFile(e.Path(), e.Error());
        }
        log.Add("Create " + fileName_ + ".jad, size " + std::to_string(jadSize_) + " bytes");
    }

  private:
    const TPartContext& context_;
    std::unique_ptr<TReplacingFile> jar_, jad_;
    std::string fileName_;
    std::size_t jadSize_;
};

}  // namespace

TPartMaker::TPartMaker(const TPartContext& context, fs::path tree, TFontRasterizer font,
                       std::mutex& askMutex)
    : context_(context),
      tree_(std::move(tree)),
      metaDir_(tree_ / kMetaDirName),
      font_(std::move(font)),
      askMutex_(askMutex) {
    zw_.SetCompressionLevel(TZWCompressionLevel::clMax);
    zw_.SetDeflater(context.compression == TCompression::max ? TZWDeflater::strongest
                                                             : TZWDeflater::zlib);
    zw_.OnProcessFileFailure = [this](const TZWFailureInfo& failure) {
        return AskEntryFailure(failure);
    };
    zw_.Options().stopRequested = context.stopRequested;
    zw_.Options().failOnUnreadable = true;
    // Each JAR is sent to the disk once, when it is committed under its final name; a sync
    // after every archive commit as well would only stall the worker.
    zw_.Options().flushBuffers = false;
}

void CheckStop(const TPartContext& context) {
    if (context.stopRequested && context.stopRequested()) {
        throw TBookError(std::string(kMsgInterrupted));
    }
}

bool TPartMaker::Take(TPartReader& source) {
    readFailure_ = nullptr;
    try {
        part_ = source.ReadNext(text_);
        return true;
    } catch (...) {
        readFailure_ = std::current_exception();
        part_ = TPart{};
        return false;
    }
}

std::string TPartMaker::PartName(const std::string& name, std::uint64_t number,
                                 std::uint64_t count) const {
    return count == 1 ? name : name + std::to_string(number);
}

std::string TPartMaker::Shown(std::string text) const {
    if (tree_ == context_.tempDir) return text;
    const std::string tree = tree_.string() + "/";
    const std::size_t at = text.find(tree);
    if (at != std::string::npos) text.replace(at, tree.size(), context_.tempDir.string() + "/");
    return text;
}

void TPartMaker::OfferBook(TZWEntryCache::Item item) {
    zw_.OfferDeflated("book.dat", std::move(item));
}

void TPartMaker::RemovePartFiles() const {
    std::error_code ec;
    for (std::string_view name : kPartFiles) fs::remove(tree_ / name, ec);
    fs::remove(metaDir_ / kManifestName, ec);
}

// Trial packings of the fitting leave no lines in the build's log.
namespace {
class TQuietLog : public TBuildLog {
  public:
    void Add(std::string_view) override {}
};
}  // namespace

void TPartMaker::WriteHelpAndFont(std::string_view text, std::uint64_t number, std::uint64_t count,
                                  TBuildLog& log) {
    std::string_view templ = context_.helpTemplate;
    std::string help = THelpText::Fill(templ, context_.infoText, context_.sourceSize, number, count,
                                       text.size(), context_.decimalSeparator);
    THelpText::Write(help, tree_, log);

    // The help page's own values (info text, sizes, numbers) need glyphs too.
    TGlyphSet glyphs;
    glyphs.Clear();
    glyphs.Add(text);
    glyphs.Add(templ);
    glyphs.Add(help);
    glyphs.DropControlBytes();
    font_.Render(glyphs);
    font_.WriteFontDat(tree_, log);
    font_.Release();
}

// The part's data files, each written and logged in turn. The descriptors carry the
// UTF-8 name, as the files on disk do.
void TPartMaker::MakeFiles(std::uint64_t number, TBuildLog& log) {
    WriteTextFile(TDescriptorWriter::ManifestText(
                      PartName(context_.fileName, number, context_.partCount), kVendor),
                  metaDir_ / kManifestName, false, log);
    if (readFailure_) std::rethrow_exception(readFailure_);
    TPartReader::WriteBookDat(part_.bytes, tree_, log);
    WriteHelpAndFont(part_.bytes, number, context_.partCount, log);
}

std::uintmax_t TPartMaker::Probe(std::string_view text, std::uint64_t number, std::uint64_t count,
                                 const fs::path& jar) {
    CheckStop(context_);
    TQuietLog quiet;
    WriteTextFile(
        TDescriptorWriter::ManifestText(PartName(context_.fileName, number, count), kVendor),
        metaDir_ / kManifestName, false, quiet);
    TPartReader::WriteBookDat(text, tree_, quiet);
    WriteHelpAndFont(text, number, count, quiet);
    int fd = ::open(jar.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw TBookError(std::string(kMsgCannotSaveFile) + jar.string());
    PackInto(jar, fd);
    struct stat info {};
    if (::stat(jar.c_str(), &info) != 0) throw TBookError(IoErrorMessage(errno));
    return static_cast<std::uintmax_t>(info.st_size);
}

std::unique_ptr<TPartDone> TPartMaker::Make(std::uint64_t number, TBuildLog& log) {
    TShownLog shown(log, [this](std::string line) { return Shown(std::move(line)); });
    try {
        CheckStop(context_);
        MakeFiles(number, shown);
        CheckStop(context_);
        return MakeArchive(number, shown);
    } catch (const EPartOutOfSpace& e) {
        throw EPartOutOfSpace(Shown(e.what()));
    } catch (const std::exception& e) {
        std::string message = Shown(e.what());
        if (message == e.what()) throw;
        throw TBookError(message);
    }
}

// Packs the tree with the manifest first (phones and Java's JAR reader look for it
// there) into a new file beside the part's JAR, and stages its JAD beside that.
std::unique_ptr<TPartDone> TPartMaker::MakeArchive(std::uint64_t number, TBuildLog& log) {
    const std::string fileName = PartName(context_.fileName, number, context_.partCount);
    log.Add("Creating jar file...");
    const fs::path jarPath = context_.midletsDir / (fileName + ".jar");
    std::unique_ptr<TReplacingFile> jar;
    int fd = -1;
    try {
        jar = std::make_unique<TReplacingFile>(jarPath);
        fd = ::dup(jar->Fd());
        if (fd < 0) throw EOutputError(errno, "Cannot create file", jarPath);
    } catch (const EOutputError& e) {
        ThrowPartFile(jarPath, e.Error());
    }
    if (number - 1 < context_.fittedBooks.size()) OfferBook(context_.fittedBooks[number - 1]);
    try {
        PackInto(jarPath, fd);
    } catch (const std::exception& e) {
        if (NoRoom(zw_.Refused())) throw EPartOutOfSpace(e.what());
        throw;
    }
    // The disk syncs wait for the part's turn to be committed, off the workers' threads.
    std::uintmax_t jarSize = 0;
    try {
        jarSize = jar->Written();
    } catch (const EOutputError& e) {
        ThrowPartFile(jarPath, e.Error());
    }
    // Only a plan whose part count never settled can get here.
    if (context_.jarLimit != 0 && jarSize > context_.jarLimit) {
        throw TBookError(std::string(kMsgJarOverLimit) + fileName + ".jar, " +
                         std::to_string(jarSize) + " bytes");
    }
    log.Add("Create midlet " + fileName + ".jar, size " + std::to_string(jarSize) + " bytes");

    const fs::path jadPath = context_.midletsDir / (fileName + ".jad");
    std::unique_ptr<TReplacingFile> jad;
    const std::string jadText = TDescriptorWriter::JadText(fileName, kVendor, jarSize);
    try {
        jad = std::make_unique<TReplacingFile>(jadPath);
        jad->Write(jadText);
        jad->Written();
    } catch (const EOutputError& e) {
        ThrowPartFile(jadPath, e.Error());
    }
    log.Add("Create file " + jad->Target().string() + ", size " + std::to_string(jadText.size()) +
            " bytes");
    return std::make_unique<TStagedPart>(context_, std::move(jar), std::move(jad), fileName,
                                         jadText.size());
}

// The archive of the tree into `fd`, which the writer takes over.
void TPartMaker::PackInto(const fs::path& name, int fd) {
    ignored_.clear();
    try {
        zw_.SetFileName(name);
        zw_.OpenNew(fd);
        zw_.SetBaseDir(tree_);
        zw_.BeginUpdate();
        zw_.AddMatching(kMetaDirName, zipfmt::kDefaultSearchAttr, "");
        zw_.AddMatching("*.*", zipfmt::kDefaultSearchAttr, "");
        zw_.EndUpdate();
        CheckJarEntries();
    } catch (...) {
        zw_.Close();
        throw;
    }
    zw_.Close();
}

// A file that could not be listed or opened must not leave a JAR that looks whole.
void TPartMaker::CheckJarEntries() const {
    std::string missing;
    for (const std::string& name : JarEntries()) {
        if (ignored_.count(name) != 0) continue;
        if (!zw_.Entries().Find(name)) {
            missing += (missing.empty() ? "" : ", ") + name;
        }
    }
    if (!missing.empty()) throw TBookError(std::string(kMsgArchiveIncomplete) + missing);
}

TZWAction TPartMaker::AskEntryFailure(const TZWFailureInfo& failure) {
    if (!context_.askEntryFailure) return TZWAction::actAbort;
    std::lock_guard lock(askMutex_);
    switch (
        context_.askEntryFailure(Shown(failure.message) + std::string(kMsgEntryFailureQuestion))) {
        case TEntryFailureAnswer::Retry:
            return TZWAction::actRetry;
        case TEntryFailureAnswer::Ignore: {
            std::error_code ec;
            fs::path stored = fs::path(failure.sourcePath).lexically_relative(tree_);
            if (stored.empty() || stored.string().rfind("..", 0) == 0) {
                stored = fs::weakly_canonical(failure.sourcePath, ec)
                             .lexically_relative(fs::weakly_canonical(tree_, ec));
            }
            ignored_.insert(stored.generic_string());
            return TZWAction::actSkip;
        }
        case TEntryFailureAnswer::Abort:
            break;
    }
    return TZWAction::actAbort;
}

}  // namespace quorix
