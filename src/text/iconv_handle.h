// iconv_handle.h - the project's one use of iconv: an owned conversion descriptor.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorix {

class TIconv {
  public:
    // Empty (false) when iconv knows `to` or `from` not.
    static TIconv TryOpen(const std::string& to, const std::string& from);
    // Raises TTextError "Unknown code page <codePage>" when iconv knows `to` or `from` not.
    static TIconv Open(const std::string& to, const std::string& from, const std::string& codePage);

    TIconv() = default;
    ~TIconv();
    TIconv(TIconv&& other) noexcept;
    TIconv& operator=(TIconv&& other) noexcept;
    explicit operator bool() const { return cd_ != None(); }

    // iconv(3) itself: returns its result and leaves errno as it does.
    std::size_t Convert(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        return iconv(cd_, &in, &inLeft, &out, &outLeft);
    }
    // Writes what a stateful encoding holds back at the end of the input.
    void Flush(char*& out, std::size_t& outLeft) { iconv(cd_, nullptr, nullptr, &out, &outLeft); }
    // Back to the initial state, for a conversion of its own.
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // For a descriptor into UTF-32LE: the one character `byte` stands for alone; none for a
    // byte the encoding leaves undefined, starts a longer sequence with or holds back (an
    // accent waiting for its letter).
    std::optional<char32_t> CharOfByte(unsigned char byte);

  private:
    static iconv_t None() { return reinterpret_cast<iconv_t>(-1); }
    explicit TIconv(iconv_t cd) : cd_(cd) {}
    iconv_t cd_ = None();
};

}  // namespace quorix
