// dos_time.h - local times as the DOS date and time words of ZIP headers.
#pragma once

#include <cstdint>
#include <ctime>

namespace quorix {

struct TDosDateTime {
    std::uint16_t time = 0;  // hour * 2048 + minute * 32 + second / 2
    std::uint16_t date = 0;  // (year - 1980) * 512 + month * 32 + day
};

// `t` in local time; years the format cannot hold are clamped to 1980 or 2107.
TDosDateTime ToDosDateTime(std::time_t t);

}  // namespace quorix
