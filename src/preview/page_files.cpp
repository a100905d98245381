// page_files.cpp - pages drawn, encoded and written by a few threads taking them in turn.
#include "preview/page_files.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "base/processors.h"
#include "preview/png_writer.h"

namespace quorix::preview {

namespace fs = std::filesystem;

namespace {

// Below this many pages a thread costs more to start than it saves.
constexpr int kPagesPerWorker = 16;

}  // namespace

void WritePageFiles(const TBookPreview& pages, int first, int last, const fs::path& dir,
                    const std::function<std::string(int)>& name, unsigned workers) {
    if (last < first) {
        return;
    }
    const int count = last - first + 1;
    const unsigned wanted = workers != 0 ? workers : AvailableProcessors();
    const unsigned threads = static_cast<unsigned>(std::clamp(
        std::min<int>(static_cast<int>(std::min(wanted, 64u)), count / kPagesPerWorker), 1, 64));
    std::atomic<int> next{first};
    std::atomic<bool> failed{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            TPngEncoder encoder;
            for (int number = next++; number <= last && !failed; number = next++) {
                encoder.Write(pages.Page(number - 1), dir / name(number));
            }
        } catch (...) {
            std::lock_guard lock(failureMutex);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned i = 1; i < threads; ++i) helpers.emplace_back(work);
        work();
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace quorix::preview
