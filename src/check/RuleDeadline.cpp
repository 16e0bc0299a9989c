#include "check/RuleDeadline.h"

namespace {

// "120 s", or "2.5 s" for a time that is no whole number of seconds.
std::string SecondsText(std::int64_t units, std::int64_t unitsPerSecond) {
    if (unitsPerSecond <= 0 || units % unitsPerSecond == 0) {
        return std::to_string(unitsPerSecond <= 0 ? units : units / unitsPerSecond) + " s";
    }
    const std::int64_t tenths = units * 10 / unitsPerSecond;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

} // namespace

RuleDeadline RuleDeadlineFrom(const FetchClock& clock, const DeadlineRule& rule) {
    const std::int64_t allowed = rule.overall.value_or(rule.readTimeOut);
    return {&clock, clock.Now() + allowed, SecondsText(allowed, rule.unitsPerSecond)};
}
