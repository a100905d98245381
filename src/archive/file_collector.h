// file_collector.h - which files under the base directory become entries, in what order
// and under which stored names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorix {

enum class TZWStorePath { spNoPath, spRelativePath, spFullPath };

struct TZWCollectRequest {
    std::filesystem::path baseDir;  // absolute, without trailing separator
    std::string mask;
    std::uint32_t searchAttr = 0;
    bool recurse = true;
    std::vector<std::string> exclusions;
    TZWStorePath storePath = TZWStorePath::spRelativePath;
    // A directory that cannot be listed, or an entry whose kind cannot be read, raises
    // EZWException code 33 naming it instead of contributing nothing.
    bool failOnUnreadable = false;
};

struct TZWCandidate {
    std::filesystem::path path;  // absolute
    bool isDirectory = false;
    std::string storedName;  // "/"-separated, directories end in "/"
    std::uint32_t attributes = 0;
};

// Walks depth-first, pre-order: in each directory its files, then each subdirectory's own
// entry followed by its contents; names within a directory in byte order so archives are
// reproducible. Paths are resolved against the base directory, never by changing the
// process's current directory. Directories that cannot be listed contribute nothing,
// unless the request asks for failOnUnreadable.
void CollectFiles(const TZWCollectRequest& request,
                  const std::function<void(const TZWCandidate&)>& accept);

// The DOS attribute word of a source: 0x10 for a directory, 0x20 for a file plus 0x01
// when its owner may not write it.
std::uint32_t SourceAttributes(const std::filesystem::path& path);

// The name of `path` inside the archive for base directory `base`.
std::string StoredName(const std::filesystem::path& path, const std::filesystem::path& base,
                       TZWStorePath mode, bool isDirectory);

// Whether `path` (a directory when `isDirectory`) matches exclusion mask `exclusion`,
// relative masks being taken against `base`.
bool IsExcluded(std::string_view path, bool isDirectory, std::string_view exclusion,
                const std::filesystem::path& base);

}  // namespace quorix
