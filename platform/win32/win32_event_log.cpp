#include "platform/win32/win32_event_log.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {

namespace {

using RegistryKey = FreedBy<HKEY, RegCloseKey>;
using EventSource = FreedBy<HANDLE, DeregisterEventSource>;

// EventMessageFile and TypesSupported, written again on every run that may write them.
void RegisterSource() {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring file = kEventMessageFile;
    RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(file.c_str()),
                   static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    RegSetValueExW(key.Get(), L"TypesSupported", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&types), sizeof types);
}

WORD TypeOf(EventType type) {
    switch (type) {
        case EventType::Information:
            return EVENTLOG_INFORMATION_TYPE;
        case EventType::Warning:
            return EVENTLOG_WARNING_TYPE;
        case EventType::Error:
            break;
    }
    return EVENTLOG_ERROR_TYPE;
}

}  // namespace

void Win32EventLog::Report(std::uint16_t id, EventType type, std::u16string_view text) {
    RegisterSource();
    const EventSource source(RegisterEventSourceW(nullptr, kEventSource));
    if (source.Get() == nullptr) {
        return;
    }
    const std::wstring wide = ToWide(text);
    LPCWSTR strings[] = {wide.c_str()};
    // The bare ID, without severity or facility bits: the message file's IDs are bare too.
    ReportEventW(source.Get(), TypeOf(type), 0, id, nullptr, 1, 0, strings, nullptr);
}

}  // namespace platform::win32
