// dos_time.cpp - conversion of calendar time to DOS date and time.
#include "archive/dos_time.h"

namespace quorix {

TDosDateTime ToDosDateTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    int year = tm.tm_year + 1900;
    // The year field has 7 bits from 1980; outside it the date would wrap into nonsense.
    if (year < 1980) {
        return {0, static_cast<std::uint16_t>((1 << 5) | 1)};
    }
    if (year > 2107) {
        return {static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29),
                static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31)};
    }
    TDosDateTime out;
    out.time = static_cast<std::uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    out.date =
        static_cast<std::uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    return out;
}

}  // namespace quorix
