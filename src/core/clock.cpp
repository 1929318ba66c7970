#include "core/clock.h"

#include <algorithm>
#include <atomic>
#include <ctime>

namespace qp {

namespace {

// Days since 1970-01-01 of a civil date and back (Howard Hinnant's algorithms).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

class SystemClock : public Clock {
public:
    std::int64_t utc_now() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
    std::int32_t utc_offset_at(std::int64_t utc) const override {
        const auto t = static_cast<std::time_t>(utc);
        std::tm local{};
        if (!localtime_r(&t, &local))
            return 0;
        return static_cast<std::int32_t>(local.tm_gmtoff);
    }
};

std::atomic<const Clock*> g_clock{nullptr};

} // namespace

DateFields date_fields(DateValue value) {
    std::int64_t days = value / 86400;
    std::int64_t rest = value % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civil_from_days(days, y, m, d);
    DateFields f;
    f.year = static_cast<int>(y);
    f.month = static_cast<int>(m);
    f.day = static_cast<int>(d);
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest / 60 % 60);
    f.second = static_cast<int>(rest % 60);
    const std::int64_t wd = (days + 4) % 7; // 1970-01-01 was a Thursday
    f.weekday = static_cast<int>(wd < 0 ? wd + 7 : wd);
    return f;
}

DateValue date_from_fields(int year, int month, int day, int hour, int minute, int second) {
    // Months outside 1..12 carry into the year, as a calendar would.
    std::int64_t y = year;
    std::int64_t m = month - 1;
    y += m >= 0 ? m / 12 : (m - 11) / 12;
    m = ((m % 12) + 12) % 12;
    const std::int64_t days = days_from_civil(y, static_cast<unsigned>(m + 1), 1) + (day - 1);
    return days * 86400 + static_cast<std::int64_t>(hour) * 3600 +
           static_cast<std::int64_t>(minute) * 60 + second;
}

const Clock& system_clock() {
    static const SystemClock clock;
    return clock;
}

const Clock& current_clock() {
    const Clock* c = g_clock.load();
    return c ? *c : system_clock();
}

ScopedClock::ScopedClock(const Clock& clock) : previous_(g_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() {
    g_clock.store(previous_);
}

DateValue local_from_utc(std::int64_t utc) {
    return utc + current_clock().utc_offset_at(utc);
}

std::int32_t utc_offset_at_local(DateValue local) {
    const Clock& clock = current_clock();
    // The offset found for the instant the guess names is right when it names that instant
    // again; two rounds settle every real change of offset.
    const std::int32_t first = clock.utc_offset_at(local - clock.utc_offset_at(local));
    const std::int32_t second = clock.utc_offset_at(local - first);
    if (second == first)
        return first;
    // A skipped time: both offsets put it on the other side of the change. Take the earlier.
    return std::min(first, second);
}

} // namespace qp
