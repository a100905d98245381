// mask_fuzz.cpp - TMask against a plain wildcard matcher on the same mask.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/mask.h"

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Dynamic programming over "*" and "?"; a "?" right after a "*" adds nothing.
bool Reference(const std::string& mask, const std::string& text) {
    std::string m;
    for (char c : mask) {
        if (c == '?' && !m.empty() && m.back() == '*') continue;
        if (c == '*' && !m.empty() && m.back() == '*') continue;
        m.push_back(c);
    }
    std::vector<std::vector<bool>> ok(m.size() + 1, std::vector<bool>(text.size() + 1));
    ok[m.size()][text.size()] = true;
    for (std::size_t i = m.size(); i-- > 0;) {
        for (std::size_t j = text.size() + 1; j-- > 0;) {
            if (m[i] == '*') {
                ok[i][j] = ok[i + 1][j] || (j < text.size() && ok[i][j + 1]);
            } else if (j < text.size() && (m[i] == '?' || Upper(m[i]) == Upper(text[j]))) {
                ok[i][j] = ok[i + 1][j + 1];
            }
        }
    }
    return ok[0][0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\n');
    if (split == std::string::npos || input.size() > 200) return 0;
    std::string mask = input.substr(0, split), text = input.substr(split + 1);
    try {
        quorix::TMask compiled(mask);
        if (compiled.Matches(text) != Reference(mask, text)) std::abort();
    } catch (const quorix::EMaskError&) {
        // Only masks with more than 30 starred elements are refused.
    }
    return 0;
}
