#include "platform/FileTime.h"

#include <ctime>
#include <sys/stat.h>

namespace pixbako {

std::optional<TDateTime> localDateTime(UnixTime time) {
    std::int64_t seconds = time.seconds;
    std::int64_t ns = time.nanoseconds;
    if (ns < 0 || ns >= 1'000'000'000)
        return std::nullopt;
    std::time_t t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds)
        return std::nullopt;
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return std::nullopt;
    // Leap seconds (tm_sec 60) fold into the last second of the minute.
    int second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    return encodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          second, static_cast<int>(ns / 1'000'000));
}

TDateTime localNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return localDateTime(
               {static_cast<std::int64_t>(now.tv_sec), static_cast<std::int64_t>(now.tv_nsec)})
        .value_or(0);
}

std::optional<LocalDateTime> dosLocalDateTime(UnixTime time) {
    auto local = localDateTime({time.seconds, 0});
    if (!local)
        return std::nullopt;
    DateTimeParts p = decodeDateTime(*local);
    if (p.year < 1980 || p.year > 2107)
        return std::nullopt;
    return LocalDateTime{p.year, p.month, p.day, p.hour, p.minute, p.second & ~1, 0};
}

std::optional<UnixTime> lastWriteTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return UnixTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                    static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace pixbako
