// zw_dir.cpp - entry array growth, name look-up and the committed snapshot.
#include "archive/zw_dir.h"

#include <algorithm>

#include "archive/zip_format.h"

namespace quorix {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

}  // namespace

void TZWDirArray::Grow(std::size_t requested) {
    if (requested <= capacity_) {
        return;
    }
    step_ = std::min(step_ * 2, kMaxStep);
    capacity_ = std::max(capacity_ + step_, requested);
    entries_.reserve(capacity_);
}

TZWEntry& TZWDirArray::Append(TZWEntry entry) {
    Grow(entries_.size() + 1);
    entries_.push_back(std::move(entry));
    return entries_.back();
}

void TZWDirArray::RemoveAt(std::size_t i) {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TZWDirArray::Clear() {
    entries_.clear();
}

std::optional<std::size_t> TZWDirArray::Find(std::string_view name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (SameNameIgnoringCase(entries_[i].storedName, name)) {
            return i;
        }
    }
    return std::nullopt;
}

TZWDirManager::TZWDirManager() {
    endRecord_.signature = zipfmt::kEndRecordSignature;
}

void TZWDirManager::Snapshot() {
    for (std::size_t i = 0; i < working_.Count(); ++i) {
        working_[i].pending = false;
    }
    committed_ = working_;
}

void TZWDirManager::Rollback() {
    working_ = committed_;
}

}  // namespace quorix
