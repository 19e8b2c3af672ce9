// The simulated Application log: keeps every event the tool reports, whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event_log.h"

namespace sim {

struct LoggedEvent {
    std::uint16_t id = 0;
    platform::EventType type = platform::EventType::Error;
    std::u16string text;
};

class SimEventLog final : public platform::EventLog {
public:
    void Report(std::uint16_t id, platform::EventType type, std::u16string_view text) override {
        m_events.push_back({id, type, std::u16string(text)});
    }
    const std::vector<LoggedEvent>& Events() const { return m_events; }

private:
    std::vector<LoggedEvent> m_events;
};

}  // namespace sim
