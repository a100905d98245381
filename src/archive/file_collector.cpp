// file_collector.cpp - the directory walk, exclusions and stored names.
#include "archive/file_collector.h"

#include <algorithm>
#include <system_error>

#include "archive/mask.h"
#include "archive/zip_format.h"
#include "archive/zw_exception.h"

namespace fs = std::filesystem;

namespace quorix {

namespace {

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}
bool IsSeparator(char c) {
    return c == '/';
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

std::string DirectoryPart(std::string_view p) {
    auto cut = p.rfind('/');
    return cut == std::string_view::npos ? std::string() : std::string(p.substr(0, cut));
}

std::string NamePart(std::string_view p) {
    auto cut = p.rfind('/');
    return std::string(cut == std::string_view::npos ? p : p.substr(cut + 1));
}

// Where a mask points when `dir` stands for the current directory: "/" alone is the
// directory itself, an absolute mask stays as it is, a relative one goes below `dir`.
std::string ResolvePattern(const std::string& dir, std::string_view mask) {
    if (mask == "/") {
        return dir;
    }
    if (!mask.empty() && mask[0] == '/') {
        return std::string(mask);
    }
    return dir + "/" + std::string(mask);
}

// A name that would climb out of the directory it is extracted into.
bool ClimbsOut(std::string_view name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Wildcards as directory listings apply them: a name without a dot also matches as if it
// ended in one, so "*.*" takes every name.
bool ListingMatches(const TMask& mask, const std::string& name) {
    return mask.Matches(name) || (name.find('.') == std::string::npos && mask.Matches(name + "."));
}

struct Listing {
    std::vector<std::string> files;
    std::vector<std::string> dirs;
};

// Regular files (symbolic links followed) and real directories; links to directories are
// not entered so that a loop in the tree cannot make the walk endless.
[[noreturn]] void ThrowUnreadable(const std::string& path) {
    throw EZWException("", zwCannotOpenFile, FormatZWText(kMsgCannotOpenFile, {path}));
}

Listing ListDirectory(const std::string& dir, bool strict) {
    Listing out;
    std::error_code ec;
    const std::string listed = dir.empty() ? "/" : dir;
    fs::directory_iterator it(listed, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& e = *it;
        std::error_code sec;
        std::string name = e.path().filename().string();
        if (e.is_symlink(sec)) {
            if (e.is_regular_file(sec)) {
                out.files.push_back(name);
            }
        } else if (e.is_directory(sec)) {
            out.dirs.push_back(name);
        } else if (e.is_regular_file(sec)) {
            out.files.push_back(name);
        }
        // A dangling link has no kind to read; anything else that fails is unreadable.
        if (strict && sec && sec != std::errc::no_such_file_or_directory) {
            ThrowUnreadable(e.path().string());
        }
    }
    if (strict && ec) {
        ThrowUnreadable(listed);
    }
    std::sort(out.files.begin(), out.files.end());
    std::sort(out.dirs.begin(), out.dirs.end());
    return out;
}

class Collector {
  public:
    Collector(const TZWCollectRequest& request,
              const std::function<void(const TZWCandidate&)>& accept)
        : req_(request), accept_(accept) {}

    void Search(const std::string& dir, const std::string& mask, bool recursing);

  private:
    void Candidate(const std::string& path, bool isDirectory);

    const TZWCollectRequest& req_;
    const std::function<void(const TZWCandidate&)>& accept_;
};

void Collector::Candidate(const std::string& path, bool isDirectory) {
    std::string shown = isDirectory ? path + "/" : path;
    for (const std::string& x : req_.exclusions) {
        if (IsExcluded(shown, isDirectory, x, req_.baseDir)) {
            return;
        }
    }
    TZWCandidate c;
    c.path = path;
    c.isDirectory = isDirectory;
    c.storedName = StoredName(c.path, req_.baseDir, req_.storePath, isDirectory);
    if (c.storedName.empty() || c.storedName == "/") {
        return;
    }
    c.attributes = SourceAttributes(c.path);
    accept_(c);
}

void Collector::Search(const std::string& dir, const std::string& mask, bool recursing) {
    const std::string pattern = ResolvePattern(dir, mask);
    const bool wild = HasWildcard(mask);
    std::error_code ec;
    if (pattern != mask && !wild && fs::is_regular_file(pattern, ec)) {
        Candidate(pattern, false);
        return;
    }
    const std::string listDir = DirectoryPart(pattern);
    const std::string namePart = NamePart(pattern);
    const TMask nameMask(namePart);
    const Listing listing = ListDirectory(listDir, req_.failOnUnreadable);
    const std::uint32_t fileFilter = req_.searchAttr & ~zipfmt::kAttrDirectory;
    for (const std::string& name : listing.files) {
        std::string path = listDir + "/" + name;
        if (ListingMatches(nameMask, name) && (SourceAttributes(path) & fileFilter) != 0) {
            Candidate(path, false);
        }
    }
    const bool wantDirs = (req_.searchAttr & zipfmt::kAttrDirectory) != 0;
    if (!wantDirs && !recursing) {
        return;
    }
    const TMask patternMask(pattern);
    for (const std::string& name : listing.dirs) {
        std::string path = listDir + "/" + name;
        bool excluded = std::any_of(
            req_.exclusions.begin(), req_.exclusions.end(),
            [&](const std::string& x) { return IsExcluded(path + "/", true, x, req_.baseDir); });
        if (excluded) {
            continue;
        }
        if (wantDirs && (patternMask.Matches(path) || patternMask.Matches(path + "."))) {
            Candidate(path, true);
            Search(path, "*.*", true);
        } else if (recursing) {
            if (mask.find('/') == std::string::npos) {
                Search(path, mask, true);
            } else if (wild) {
                Search(path, namePart, true);
            }
        }
    }
}

}  // namespace

std::uint32_t SourceAttributes(const fs::path& path) {
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) {
        return zipfmt::kAttrArchive;
    }
    if (fs::is_directory(st)) {
        return zipfmt::kAttrDirectory;
    }
    bool writable = (st.permissions() & fs::perms::owner_write) != fs::perms::none;
    return zipfmt::kAttrArchive | (writable ? 0 : zipfmt::kAttrReadOnly);
}

std::string StoredName(const fs::path& path, const fs::path& base, TZWStorePath mode,
                       bool isDirectory) {
    fs::path full = (base / path).lexically_normal();
    std::string abs = full.string();
    while (abs.size() > 1 && IsSeparator(abs.back())) {
        abs.pop_back();
    }
    std::string name;
    if (mode == TZWStorePath::spNoPath) {
        name = NamePart(abs);
    } else if (mode == TZWStorePath::spRelativePath) {
        std::string rel = fs::path(abs).lexically_relative(base.lexically_normal()).string();
        bool outside = rel.empty() || rel == "." || rel == ".." || rel.rfind("../", 0) == 0;
        name = outside ? abs : rel;
    } else {
        name = abs;
    }
    // "\\" is an ordinary name character here, but archive names separate with "/" only,
    // so it is turned into one before the checks below see the name.
    std::replace(name.begin(), name.end(), '\\', '/');
    // A network name ("//server/...") is not part of a stored name.
    if (name.size() > 1 && name[0] == '/' && name[1] == '/') {
        auto end = name.find('/', 2);
        name = end == std::string::npos ? std::string() : name.substr(end);
    }
    while (!name.empty() && name[0] == '/') {
        name.erase(0, 1);
    }
    if (ClimbsOut(name)) {
        return std::string();
    }
    if (isDirectory && (name.empty() || name.back() != '/')) {
        name += '/';
    }
    return name;
}

bool IsExcluded(std::string_view path, bool isDirectory, std::string_view exclusion,
                const fs::path& base) {
    if (exclusion == "*.*") {
        return true;
    }
    if (exclusion.empty()) {
        return false;
    }
    // Directories are compared by their names, without the trailing separator.
    std::string f(path);
    std::string x(exclusion);
    if (isDirectory) {
        while (f.size() > 1 && IsSeparator(f.back())) f.pop_back();
        while (x.size() > 1 && IsSeparator(x.back())) x.pop_back();
    }
    const bool relative = x[0] != '/';
    const std::string resolved = ResolvePattern(base.string(), x);
    if (relative) {
        std::string rel = fs::path(f).lexically_relative(base).string();
        if (x.find('/') == std::string::npos) {
            rel = NamePart(f);
        }
        return MatchesMask(rel, NamePart(resolved));
    }
    std::string fDir = DirectoryPart(f);
    std::string xDir = DirectoryPart(resolved);
    if (SameIgnoringCase(fDir, xDir)) {
        return MatchesMask(f, resolved);
    }
    return NamePart(resolved) == "*.*" && fDir.rfind(xDir, 0) == 0;
}

void CollectFiles(const TZWCollectRequest& request,
                  const std::function<void(const TZWCandidate&)>& accept) {
    Collector(request, accept).Search(request.baseDir.string(), request.mask, request.recurse);
}

}  // namespace quorix
