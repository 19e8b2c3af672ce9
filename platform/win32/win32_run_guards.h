// The run lock as a named mutex and the keep-awake request as the thread's execution state,
// behind platform::RunGuards.
#pragma once

#include "platform/run_guards.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// The mutex's name, behind "Global\" (every session of the machine) or, where the global
// namespace is refused, "Local\" (this session).
inline constexpr wchar_t kRunLockName[] = L"VELKORA.NVMeFirmwareUpdate.RunLock";

class Win32RunGuards : public platform::RunGuards {
public:
    Win32RunGuards() = default;
    Win32RunGuards(const Win32RunGuards&) = delete;
    Win32RunGuards& operator=(const Win32RunGuards&) = delete;
    ~Win32RunGuards() override;

    bool AcquireRunLock() override;
    void ReleaseRunLock() override;
    void KeepSystemAwake() override;
    void AllowSystemSleep() override;

private:
    UniqueHandle m_mutex;  // owned by this thread while the run lock is held
};

}  // namespace platform::win32
