// part_maker.cpp - the steps of one part, in order, in a worker's own tree.
#include "book/part_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#include "book/book_error.h"
#include "book/descriptors.h"
#include "book/file_writer.h"
#include "book/glyph_set.h"
#include "book/help_text.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMetaDirName = "META-INF";
constexpr std::string_view kManifestName = "MANIFEST.MF";
// What each part writes anew; the class files stay for every part.
constexpr std::string_view kPartFiles[] = {"book.dat", "help.dat", "font.dat"};
constexpr std::uint32_t kSearchAttributes = 10431;  // every kind of file and directory

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

// A new file beside `final`, created here and nowhere else, that becomes `final` when
// the part is finished; the user's files stay untouched until then.
fs::path CreateStaged(const fs::path& final) {
    std::random_device entropy;
    for (int attempt = 0;; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(entropy()));
        fs::path staged = final.parent_path() / ("." + final.filename().string() + suffix);
        int fd = ::open(staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return staged;
        }
        if (errno != EEXIST || attempt == 100) {
            throw TBookError(IoErrorMessage(errno));
        }
    }
}

// A made part's JAR and JAD under their staged names.
class TStagedPart : public TPartDone {
  public:
    TStagedPart(fs::path jar, fs::path jad, std::string fileName)
        : jar_(std::move(jar)), jad_(std::move(jad)), fileName_(std::move(fileName)) {}
    ~TStagedPart() override {
        std::error_code ec;
        if (!stagedJar_.empty()) fs::remove(stagedJar_, ec);
        if (!stagedJad_.empty()) fs::remove(stagedJad_, ec);
    }

    fs::path StageJar() { return stagedJar_ = CreateStaged(jar_); }

    void StageJad(std::string_view text) {
        try {
            stagedJad_ = CreateStaged(jad_);
            WriteRawFile(text, stagedJad_);
        } catch (const std::exception&) {
            throw TBookError(std::string(kMsgCannotSaveFile) + jad_.string());
        }
        jadSize_ = text.size();
    }

    // The JAR, then the JAD; a JAD that cannot be put in place takes its JAR along,
    // so that no part is left with a descriptor of another build.
    void Finish(TBuildLog& log) override {
        if (::rename(stagedJar_.c_str(), jar_.c_str()) != 0) {
            throw TBookError(IoErrorMessage(errno));
        }
        stagedJar_.clear();
        if (::rename(stagedJad_.c_str(), jad_.c_str()) != 0) {
            std::error_code ec;
            fs::remove(jar_, ec);
            throw TBookError(std::string(kMsgCannotSaveFile) + jad_.string());
        }
        stagedJad_.clear();
        const std::string size = std::to_string(jadSize_);
        log.Add("Create file " + jad_.string() + ", size " + size + " bytes");
        log.Add("Create " + fileName_ + ".jad, size " + size + " bytes");
    }

  private:
    fs::path jar_, jad_;
    std::string fileName_;
    fs::path stagedJar_, stagedJad_;
    std::size_t jadSize_ = 0;
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
    zw_.SetCompressionMode(9);
    zw_.SetDeflater(context.compression == TCompression::max ? TZWDeflater::strongest
                                                             : TZWDeflater::zlib);
    zw_.OnProcessFileFailure = [this](const TZWFailureInfo& failure) {
        return AskEntryFailure(failure);
    };
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

std::string TPartMaker::PartName(const std::string& name, std::uint64_t number) const {
    return context_.partCount == 1 ? name : name + std::to_string(number);
}

std::string TPartMaker::Shown(std::string text) const {
    if (tree_ == context_.tempDir) return text;
    const std::string tree = tree_.string() + "/";
    const std::size_t at = text.find(tree);
    if (at != std::string::npos) text.replace(at, tree.size(), context_.tempDir.string() + "/");
    return text;
}

void TPartMaker::RemovePartFiles() const {
    std::error_code ec;
    for (std::string_view name : kPartFiles) fs::remove(tree_ / name, ec);
    fs::remove(metaDir_ / kManifestName, ec);
}

// The part's data files, each written and logged in turn.
void TPartMaker::MakeFiles(std::uint64_t number, TBuildLog& log) {
    const std::string phoneName = PartName(context_.phoneName, number);
    std::string_view templ = THelpText::Template(context_.helpLanguage);
    // The previous part's files are removed rather than overwritten: file systems such as
    // ext4 send a file that is truncated and written again to the disk when it is closed,
    // while a new short-lived one stays in memory.
    RemovePartFiles();
    WriteTextFile(TDescriptorWriter::ManifestText(phoneName, kVendor), metaDir_ / kManifestName,
                  false, log);
    if (readFailure_) std::rethrow_exception(readFailure_);
    TPartReader::WriteBookDat(part_.bytes, tree_, log);
    std::string help =
        THelpText::Fill(templ, context_.infoText, context_.sourceSize, number, context_.partCount,
                        part_.bytes.size(), context_.decimalSeparator);
    THelpText::Write(help, tree_, log);

    // The help page's own values (info text, sizes, numbers) need glyphs too.
    TGlyphSet glyphs;
    glyphs.Clear();
    glyphs.Add(part_.bytes);
    glyphs.Add(templ);
    glyphs.Add(help);
    glyphs.DropControlBytes();
    font_.Render(glyphs);
    font_.WriteFontDat(tree_, log);
    font_.Release();
}

std::unique_ptr<TPartDone> TPartMaker::Make(std::uint64_t number, TBuildLog& log) {
    TShownLog shown(log, [this](std::string line) { return Shown(std::move(line)); });
    try {
        MakeFiles(number, shown);
        const std::string fileName = PartName(context_.fileName, number);
        const std::string phoneName = PartName(context_.phoneName, number);
        shown.Add("Creating jar file...");
        auto done =
            std::make_unique<TStagedPart>(context_.midletsDir / (fileName + ".jar"),
                                          context_.midletsDir / (fileName + ".jad"), fileName);
        // Packs the temporary tree with the manifest first: phones and Java's JAR
        // reader look for it there.
        const fs::path jar = done->StageJar();
        try {
            zw_.SetFileName(jar);
            zw_.OpenNew();
            zw_.SetBaseDir(tree_);
            zw_.BeginUpdate();
            zw_.AddMatching(kMetaDirName, kSearchAttributes, "");
            zw_.AddMatching("*.*", kSearchAttributes, "");
            zw_.EndUpdate();
            zw_.Close();
        } catch (...) {
            zw_.Close();
            throw;
        }
        struct stat info {};
        if (::stat(jar.c_str(), &info) != 0) throw TBookError(IoErrorMessage(errno));
        const auto jarSize = static_cast<std::uintmax_t>(info.st_size);
        shown.Add("Create midlet " + fileName + ".jar, size " + std::to_string(jarSize) + " bytes");
        done->StageJad(TDescriptorWriter::JadText(phoneName, kVendor, jarSize));
        return done;
    } catch (const std::exception& e) {
        std::string message = Shown(e.what());
        if (message == e.what()) throw;
        throw TBookError(message);
    }
}

TZWAction TPartMaker::AskEntryFailure(const TZWFailureInfo& failure) const {
    if (!context_.askEntryFailure) return TZWAction::actAbort;
    std::lock_guard lock(askMutex_);
    switch (
        context_.askEntryFailure(Shown(failure.message) + std::string(kMsgEntryFailureQuestion))) {
        case TEntryFailureAnswer::Retry:
            return TZWAction::actRetry;
        case TEntryFailureAnswer::Ignore:
            return TZWAction::actSkip;
        case TEntryFailureAnswer::Abort:
            break;
    }
    return TZWAction::actAbort;
}

}  // namespace quorix
