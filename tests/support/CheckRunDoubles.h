#pragma once
// What the check run's tests stand in for: the records to check, named in the test's order, and a
// clock that moves only when the test says so.

#include "check/CheckRun.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ListedRecords final : public RecordSource {
public:
    explicit ListedRecords(std::vector<std::string> names) : m_names(std::move(names)) {}
    std::optional<std::string> NextRecord() override {
        if (m_next == m_names.size()) {
            return std::nullopt;
        }
        return m_names[m_next++];
    }

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

class TestClock final : public FetchClock {
public:
    std::int64_t Now() const override { return m_now; }
    void Advance(std::int64_t by = 1) { m_now += by; }

private:
    std::int64_t m_now = 1000;
};
