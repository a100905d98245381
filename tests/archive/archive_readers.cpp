// archive_readers.cpp - independent checks of the archives the tests make.
#include "archive_readers.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace quorix::test {

namespace {

std::uint16_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b.at(at)) |
                                      static_cast<unsigned char>(b.at(at + 1)) << 8);
}
std::uint32_t U32(const std::string& b, std::size_t at) {
    return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

struct CommandResult {
    int status;
    std::string output;
};

CommandResult Run(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
    int status = pclose(pipe.release());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

}  // namespace

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<ParsedEntry> ParseArchive(const std::string& b) {
    std::vector<ParsedEntry> out;
    if (b.size() < 22) {
        ADD_FAILURE() << "archive shorter than an end record";
        return out;
    }
    const std::size_t end = b.size() - 22;
    EXPECT_EQ(U32(b, end), 0x06054B50u);
    const std::uint16_t count = U16(b, end + 10);
    EXPECT_EQ(U16(b, end + 8), count);
    const std::uint32_t cdSize = U32(b, end + 12);
    const std::uint32_t cdOffset = U32(b, end + 16);
    EXPECT_EQ(cdOffset + cdSize, end) << "central directory must end at the end record";
    std::size_t at = cdOffset;
    std::size_t expectedLocal = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        EXPECT_EQ(U32(b, at), 0x02014B50u);
        ParsedEntry e;
        e.method = U16(b, at + 10);
        e.crc32 = U32(b, at + 16);
        e.compressedSize = U32(b, at + 20);
        e.uncompressedSize = U32(b, at + 24);
        const std::uint16_t nameLen = U16(b, at + 28);
        EXPECT_EQ(U16(b, at + 30), 0) << "extra length";
        EXPECT_EQ(U16(b, at + 32), 0) << "comment length";
        e.externalAttributes = U32(b, at + 38);
        e.localHeaderOffset = U32(b, at + 42);
        e.name = b.substr(at + 46, nameLen);
        at += 46 + nameLen;
        for (std::uint32_t v : {e.crc32, e.compressedSize, e.uncompressedSize})
            EXPECT_NE(v, 0xFFFFFFFFu) << e.name;
        // The local header must say the same, and entries follow one another.
        const std::size_t lh = e.localHeaderOffset;
        EXPECT_EQ(lh, expectedLocal) << e.name;
        EXPECT_EQ(U32(b, lh), 0x04034B50u) << e.name;
        EXPECT_EQ(U16(b, lh + 8), e.method) << e.name;
        EXPECT_EQ(U16(b, lh + 10), U16(b, at - 46 - nameLen + 12)) << e.name;
        EXPECT_EQ(U32(b, lh + 14), e.crc32) << e.name;
        EXPECT_EQ(U32(b, lh + 18), e.compressedSize) << e.name;
        EXPECT_EQ(U32(b, lh + 22), e.uncompressedSize) << e.name;
        EXPECT_EQ(U16(b, lh + 26), nameLen) << e.name;
        EXPECT_EQ(U16(b, lh + 28), 0) << e.name;
        EXPECT_EQ(b.substr(lh + 30, nameLen), e.name);
        e.data = b.substr(lh + 30 + nameLen, e.compressedSize);
        expectedLocal = lh + 30 + nameLen + e.compressedSize;
        out.push_back(std::move(e));
    }
    EXPECT_EQ(at, end);
    EXPECT_EQ(expectedLocal, cdOffset) << "no stray bytes before the central directory";
    return out;
}

std::string InflateRaw(const std::string& data) {
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, -15), Z_OK);
    std::string out;
    std::array<char, 65536> buf{};
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buf.data());
        zs.avail_out = buf.size();
        rc = inflate(&zs, Z_NO_FLUSH);
        out.append(buf.data(), buf.size() - zs.avail_out);
    }
    EXPECT_EQ(rc, Z_STREAM_END) << "deflate stream must end with a final block";
    EXPECT_EQ(zs.avail_in, 0u) << "no bytes after the final block";
    inflateEnd(&zs);
    return out;
}

std::string EntryContent(const ParsedEntry& e) {
    std::string content = e.method == 8 ? InflateRaw(e.data) : e.data;
    EXPECT_EQ(content.size(), e.uncompressedSize) << e.name;
    uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
    EXPECT_EQ(static_cast<std::uint32_t>(crc), e.crc32) << e.name;
    return content;
}

void CheckWithReaders(const fs::path& archive, const fs::path& tree, bool expectManifest) {
    auto entries = ParseArchive(ReadFile(archive));
    for (const auto& e : entries) {
        if (!e.name.empty() && e.name.back() != '/') {
            EXPECT_EQ(EntryContent(e), ReadFile(tree / e.name)) << e.name;
        }
    }
    CommandResult unzip = Run("unzip -t -q " + Quote(archive));
    // unzip counts an archive without members as a warning.
    bool emptyWarning =
        entries.empty() && unzip.status == 1 && unzip.output.find("empty") != std::string::npos;
    EXPECT_TRUE(unzip.status == 0 || emptyWarning) << unzip.output;
    CommandResult py = Run("python3 " ARCHIVE_CHECK_PY " " + Quote(archive) + " " + Quote(tree));
    EXPECT_EQ(py.status, 0) << py.output;
    CommandResult java = Run("java -cp " ARCHIVE_JAVA_DIR " JarCheck " + Quote(archive) + " " +
                             Quote(tree) + (expectManifest ? " yes" : " no"));
    EXPECT_EQ(java.status, 0) << java.output;
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quorix-archive-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string SampleText(std::size_t size, unsigned seed) {
    static const char* kWords[] = {
        "the ",   "reader ", "book ",   "page ",  "night, ",
        "river ", "and ",    "of ",     "light ", "\xd0\xb4\xd0\xbe\xd0\xbc ",
        "said. ", "\n",      "window ", "quiet ", "1912 ",
        "phone "};
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) out += kWords[rng() % 16];
    out.resize(size);
    return out;
}

}  // namespace quorix::test
