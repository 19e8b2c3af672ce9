// The Application log behind platform::EventLog: the tool's event source, registered where the
// run may write its key, and one ReportEventW per event.
#pragma once

#include "platform/event_log.h"

namespace platform::win32 {

inline constexpr wchar_t kEventSource[] = L"VELKORA NVMe Firmware Update";
inline constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\VELKORA NVMe Firmware Update";
// A message file every Windows keeps, whose messages 1 to 1000 are "%1", the text itself (what
// eventcreate /SO registers for a source of its own).
inline constexpr wchar_t kEventMessageFile[] = L"%SystemRoot%\\System32\\EventCreate.exe";

class Win32EventLog : public platform::EventLog {
public:
    // Registers the source under HKLM when the account may; without it the event is written
    // with the unregistered source, and the viewers show its text beside a note that the
    // description was not found.
    void Report(std::uint16_t id, EventType type, std::u16string_view text) override;
};

}  // namespace platform::win32
