// The Windows Application log, where every run of the updater leaves one event.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

enum class EventType { Information, Warning, Error };

class EventLog {
public:
    virtual ~EventLog() = default;
    // One event of the tool's source, its text the one insertion string. Whether it could be
    // written changes nothing for the run.
    virtual void Report(std::uint16_t id, EventType type, std::u16string_view text) = 0;
};

}  // namespace platform
