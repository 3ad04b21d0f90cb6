#pragma once
// File times as the program sees them: local date-times on the shared scale.
#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pixbako {

// A point in time as the file system stores it (UTC seconds since 1970 and nanoseconds).
struct UnixTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

// The local date-time of a UTC time, to the millisecond; nullopt when it can't be converted.
std::optional<TDateTime> localDateTime(UnixTime time);

// The local date-time cut to the resolution of a DOS time stamp: seconds rounded down to an
// even number, milliseconds dropped. nullopt outside the years 1980 to 2107.
std::optional<LocalDateTime> dosLocalDateTime(UnixTime time);

// The local date-time of this moment, to the millisecond; 0 when it can't be converted.
TDateTime localNow();

// The last-write (modification) time of a file; nullopt when the file can't be examined.
std::optional<UnixTime> lastWriteTime(const std::string& path);

} // namespace pixbako
