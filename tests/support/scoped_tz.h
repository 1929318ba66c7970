// Sets the process's time zone for a test's lifetime and puts back what was there.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace qp::test {

class ScopedTz {
public:
    explicit ScopedTz(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
            had_ = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTz() {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::string old_;
    bool had_ = false;
};

} // namespace qp::test
