// part_maker.h - one part from its text to a JAR and JAD ready to be put in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "builder/book_builder.h"
#include "font/font_rasterizer.h"
#include "builder/part_pool.h"
#include "book/part_reader.h"

namespace quorix {

// What every part of one build shares; fixed before the first part is made.
struct TPartContext {
    std::string fileName;      // book name as the file system spells it (UTF-8)
    std::string phoneName;     // book name in the code page, for the descriptors
    std::string infoText;      // in the code page
    std::string helpTemplate;  // in the code page
    std::uintmax_t sourceSize = 0;
    std::uint64_t partCount = 0;
    std::uintmax_t jarLimit = 0;  // 0: parts are cut by the part size alone
    char decimalSeparator = '.';
    std::filesystem::path midletsDir;
    std::filesystem::path tempDir;  // the build's temporary directory, as the log names it
    TCompression compression = TCompression::standard;
    std::function<TEntryFailureAnswer(const std::string& question)> askEntryFailure;
    std::function<bool()> stopRequested;  // safe to call from every worker at once
    // The deflated book of each part, by number less one, when the fitting made it.
    std::vector<TZWEntryCache::Item> fittedBooks;
};

// One worker's tools: a temporary tree of its own (holding the reader's class files),
// an archive writer and a font rasterizer. Makes one part at a time.
class TPartMaker {
  public:
    // `askMutex` lets one question at a time reach the user.
    TPartMaker(const TPartContext& context, std::filesystem::path tree, TFontRasterizer font,
               std::mutex& askMutex);

    // Reads the next part of the source into this maker; a read that fails is raised
    // by Make, after the part's manifest, and false tells that no later part can follow.
    bool Take(TPartReader& source);

    // Writes the part's files into the tree, packs them into a JAR beside its final
    // name and stages its JAD; what Finish puts in place.
    std::unique_ptr<TPartDone> Make(std::uint64_t number, TBuildLog& log);

    // The size of the JAR that part `number` of `count` would have with `text` as its
    // book, packed into the scratch file `jar`; nothing is logged or flushed.
    std::uintmax_t Probe(std::string_view text, std::uint64_t number, std::uint64_t count,
                         const std::filesystem::path& jar);

    // Deflated data for the book of the next JAR packed, used when the book is its source.
    void OfferBook(TZWEntryCache::Item item);

    // The part files of the tree ("book.dat", ..., the manifest), for its cleanup.
    void RemovePartFiles() const;

  private:
    std::string PartName(const std::string& name, std::uint64_t number, std::uint64_t count) const;
    void WriteHelpAndFont(std::string_view text, std::uint64_t number, std::uint64_t count,
                          TBuildLog& log);
    void MakeFiles(std::uint64_t number, TBuildLog& log);
    void PackInto(const std::filesystem::path& name, int fd);
    std::unique_ptr<TPartDone> MakeArchive(std::uint64_t number, TBuildLog& log);
    void CheckJarEntries() const;
    TZWAction AskEntryFailure(const TZWFailureInfo& failure);
    std::string Shown(std::string text) const;

    const TPartContext& context_;
    std::filesystem::path tree_;
    std::filesystem::path metaDir_;
    TFontRasterizer font_;
    std::mutex& askMutex_;
    TZipWriter zw_{"zw"};
    std::string text_;  // the part's bytes as read
    TPart part_;
    std::exception_ptr readFailure_;
    std::set<std::string> ignored_;  // entries of this part the user chose to leave out
};

// Raises "Interrupted" when the build was asked to stop.
void CheckStop(const TPartContext& context);

}  // namespace quorix
