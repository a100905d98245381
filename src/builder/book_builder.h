// book_builder.h - the Start command: from settings to finished JAR and JAD files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "book/build_log.h"
#include "book/build_settings.h"

namespace quorix {

inline constexpr std::string_view kVendor = "Kelvatrone";
inline constexpr std::string_view kMsgProcessStarted = "Process started at ";
inline constexpr std::string_view kMsgProcessEnded = "Process successfully ended at ";
inline constexpr std::string_view kMsgProcessFailed = "Process not ended, error: ";
inline constexpr std::string_view kMsgInvalidPartSize = "Invalid part size";
inline constexpr std::string_view kMsgInvalidBookName = "Invalid book name";
inline constexpr std::string_view kMsgInterrupted = "Interrupted";
inline constexpr std::string_view kMsgNoText = "The source holds no text";
// Followed by the names of the files the archive lacks.
inline constexpr std::string_view kMsgArchiveIncomplete =
    "The archive does not hold every file of the temporary directory, missing: ";
// Follows the failing entry's message in the question put to the user.
inline constexpr std::string_view kMsgEntryFailureQuestion =
    ". File processing error, possibly disk is full";

// The answer to a failing archive entry: try again, leave it out, or give up.
enum class TEntryFailureAnswer { Retry, Ignore, Abort };

// Where a build works. The window passes its program directory for both; the
// command line its output directory and a private directory of its own.
struct TBuildPlace {
    std::filesystem::path midletsParent;  // "midlets" is made here
    std::filesystem::path tempParent;     // "temp" and "temp/META-INF" are made here
};

// How the JARs' entries are deflated: zlib at level 9, or the strongest deflater for
// every entry it can take whole (smaller JARs, slower builds).
enum class TCompression { standard, max };

struct TBuildOptions {
    // Leave the last part's temporary files in place (for inspection).
    bool keepTemporaryFiles = false;
    // Asked when an archive entry cannot be written, with the question's text;
    // without it (or with Abort) the build fails and the part's JAR is deleted.
    std::function<TEntryFailureAnswer(const std::string& question)> askEntryFailure = nullptr;
    // Asked between the steps of a build and while an archive is written; true ends the
    // build with "Interrupted", its unfinished files removed. Empty: never. It may be
    // called from any thread that builds, so it must be safe to call concurrently.
    std::function<bool()> stopRequested = nullptr;
    TCompression compression = TCompression::standard;
    // Parts made at once, each by its own worker; 0 takes one per available processor.
    // The outputs and the log are the same whatever the number.
    unsigned jobs = 0;
    // Told as part k of N begins, for a front end's progress.
    std::function<void(std::uint64_t part, std::uint64_t parts)> partStarted = nullptr;
};

class TBookBuilder {
  public:
    explicit TBookBuilder(TBuildPlace place, TBuildOptions options = {});

    // Runs one build; every outcome is reported through the log. Returns true
    // when the log ends with the success line.
    bool Run(const TBuildSettings& settings, TBuildLog& log);

  private:
    TBuildPlace place_;
    TBuildOptions options_;
};

// A book name the build refuses: empty, longer than 200 bytes, "." or "..",
// or holding "/", "\", ",", a byte below 32 or byte 127.
bool IsValidBookName(std::string_view name);

}  // namespace quorix
