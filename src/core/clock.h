// Date values and the one place the clock and the local time zone reach the program, so tests
// can fix both.
#pragma once

#include <cstdint>

namespace qp {

// Whole seconds since 1970-01-01 00:00:00 counted on the local wall clock, with no time zone
// attached. 64 bits wide so dates after 2038 keep working; files store it as decimal text.
using DateValue = std::int64_t;

struct DateFields {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4; // 0 = Sunday
};

// Calendar fields of a date value, read without any time-zone shift (proleptic Gregorian).
DateFields date_fields(DateValue value);
DateValue date_from_fields(int year, int month, int day, int hour, int minute, int second);

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t utc_now() const = 0;
    // Local time minus GMT, in seconds, at the given UTC instant.
    virtual std::int32_t utc_offset_at(std::int64_t utc) const = 0;
};

// The system clock and time zone.
const Clock& system_clock();
// The clock every date computation reads; the system clock unless a test installed another.
const Clock& current_clock();

// Installs a clock for the lifetime of the object (tests).
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* previous_;
};

// A clock standing still at a UTC instant with a fixed offset.
class FixedClock : public Clock {
public:
    FixedClock(std::int64_t utc, std::int32_t offset) : utc_(utc), offset_(offset) {}
    std::int64_t utc_now() const override { return utc_; }
    std::int32_t utc_offset_at(std::int64_t) const override { return offset_; }
    void set(std::int64_t utc, std::int32_t offset) {
        utc_ = utc;
        offset_ = offset;
    }

private:
    std::int64_t utc_;
    std::int32_t offset_;
};

// The wall-clock date value of a UTC instant in the current clock's time zone.
DateValue local_from_utc(std::int64_t utc);
// The offset (local minus GMT, in seconds) in force at a wall-clock date value under the current
// clock's zone rules. A time skipped by a change of offset takes the offset before the change; a
// time that occurs twice takes the later one.
std::int32_t utc_offset_at_local(DateValue local);

} // namespace qp
