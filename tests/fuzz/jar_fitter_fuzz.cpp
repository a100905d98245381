// jar_fitter_fuzz.cpp - fitted plans give the text back, each part within the part size and
// the limit of a model JAR, cut where the plain rule may cut; or a refusal with its message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "book/book_error.h"
#include "book/jar_fitter.h"

namespace {

// A JAR that grows unevenly with the text: bytes above 127 weigh three, others one.
std::uintmax_t ModelJar(std::string_view text, std::uint64_t count) {
    std::uintmax_t size = 40 + std::to_string(count).size();
    for (unsigned char c : text) size += c > 127 ? 3 : 1;
    return size;
}

// Exact sizes from the model; guesses that are off by up to two cuts either way, as a streamed
// estimate may be, which the exact sizes must settle.
class TModelMeter : public quorix::TJarMeter {
  public:
    explicit TModelMeter(int skew) : skew_(skew) {}
    std::uintmax_t Size(std::uintmax_t, std::string_view text, std::uint64_t,
                        std::uint64_t count) override {
        return ModelJar(text, count);
    }
    std::ptrdiff_t Estimate(std::uintmax_t, std::string_view window,
                            const std::vector<std::size_t>& cuts, std::uint64_t,
                            std::uint64_t count, std::uintmax_t limit) override {
        std::ptrdiff_t last = -1;
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            if (ModelJar(window.substr(0, cuts[i]), count) <= limit)
                last = static_cast<std::ptrdiff_t>(i);
        }
        const std::ptrdiff_t guess = last + skew_;
        return std::clamp<std::ptrdiff_t>(guess, -1, static_cast<std::ptrdiff_t>(cuts.size()) - 1);
    }

  private:
    int skew_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::int32_t partSize = 1 + (data[0] | data[1] << 8) % 512;
    const std::uintmax_t limit = 1 + (data[2] | data[3] << 8) % 1024;
    const std::string source(reinterpret_cast<const char*>(data) + 4, size - 4);
    auto window = [&](std::uintmax_t pos, std::size_t length) {
        return std::string_view(source).substr(pos, length);
    };
    TModelMeter meter(static_cast<int>(data[0] % 5) - 2);
    std::vector<std::uint64_t> plan;
    try {
        plan = quorix::PlanFittedParts(source.size(), partSize, limit, window, meter);
    } catch (const quorix::TBookError& e) {
        if (std::string_view(e.what()).rfind(quorix::kMsgJarLimitTooSmall, 0) != 0) std::abort();
        return 0;
    }
    std::size_t pos = 0;
    for (std::uint64_t length : plan) {
        if (length == 0 || length > static_cast<std::uint64_t>(partSize)) std::abort();
        std::string_view part = std::string_view(source).substr(pos, length);
        if (part.size() != length || ModelJar(part, plan.size()) > limit) std::abort();
        pos += length;
        const char last = part.back();
        const bool atEnd = last == '.' || last == '?' || last == '!';
        const bool wholeRead = length == static_cast<std::uint64_t>(partSize) &&
                               part.find_first_of(".?!") == std::string_view::npos;
        if (!atEnd && !wholeRead && pos != source.size()) std::abort();
    }
    if (pos != source.size()) std::abort();
    return 0;
}
