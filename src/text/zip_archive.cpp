// zip_archive.cpp - libzip behind a small interface, with clear failures.
#include "text/zip_archive.h"

#include <zip.h>

#include "text/text_error.h"

namespace quorix {
namespace {

struct TZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using TZipFile = std::unique_ptr<zip_file_t, TZipFileCloser>;

TZipFile OpenEntry(zip_t* archive, const std::string& name) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (file == nullptr) {
        throw TTextError("Can not read " + name + " in the archive: " + zip_strerror(archive));
    }
    return TZipFile(file);
}

class TZipEntryReader : public TByteReader {
  public:
    TZipEntryReader(zip_t* archive, std::string name)
        : archive_(archive), name_(std::move(name)), file_(OpenEntry(archive_, name_)) {}

    std::size_t Read(char* buffer, std::size_t count) override {
        zip_int64_t n = zip_fread(file_.get(), buffer, count);
        if (n < 0) {
            throw TTextError("Can not read " + name_ +
                             " in the archive: " + zip_file_strerror(file_.get()));
        }
        return static_cast<std::size_t>(n);
    }
    // Deflated entries cannot seek: read again from the start.
    void Rewind() override { file_ = OpenEntry(archive_, name_); }

  private:
    zip_t* archive_;
    std::string name_;
    TZipFile file_;
};

}  // namespace

std::optional<TZipArchive> TZipArchive::Open(const std::filesystem::path& path) {
    std::string why;
    return Open(path, why);
}

std::optional<TZipArchive> TZipArchive::Open(const std::filesystem::path& path, std::string& why) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        why = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return std::nullopt;
    }
    return TZipArchive(archive);
}

std::optional<TZipArchive> TZipArchive::OpenMemory(std::string_view bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return std::nullopt;
    }
    return TZipArchive(archive);
}

TZipArchive::~TZipArchive() {
    if (archive_ != nullptr) zip_discard(archive_);
}

TZipArchive::TZipArchive(TZipArchive&& other) noexcept : archive_(other.archive_) {
    other.archive_ = nullptr;
}

std::vector<std::string> TZipArchive::Names() const {
    std::vector<std::string> names;
    zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
        if (name != nullptr) names.emplace_back(name);
    }
    return names;
}

bool TZipArchive::Has(const std::string& name) const {
    return zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

bool TZipArchive::Encrypted(const std::string& name) const {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat(archive_, name.c_str(), 0, &info) != 0) return false;
    return (info.valid & ZIP_STAT_ENCRYPTION_METHOD) && info.encryption_method != ZIP_EM_NONE;
}

std::optional<std::uint64_t> TZipArchive::Size(const std::string& name) const {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat(archive_, name.c_str(), 0, &info) != 0 || (info.valid & ZIP_STAT_SIZE) == 0) {
        return std::nullopt;
    }
    return info.size;
}

std::string TZipArchive::ReadAll(const std::string& name, std::size_t limit) const {
    TZipEntryReader reader(archive_, name);
    std::string bytes;
    char buffer[16384];
    while (std::size_t n = reader.Read(buffer, sizeof buffer)) {
        if (bytes.size() + n > limit) throw TTextError(name + " in the archive is too large");
        bytes.append(buffer, n);
    }
    return bytes;
}

std::unique_ptr<TByteReader> TZipArchive::Reader(const std::string& name) const {
    return std::make_unique<TZipEntryReader>(archive_, name);
}

}  // namespace quorix
