// The run lock as a named mutex that only administrators and SYSTEM can open, the keep-awake
// request as the thread's execution state and the console's Ctrl+C as the console control
// handler's, behind platform::RunGuards.
#pragma once

#include "platform/run_guards.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {

// The mutex's name, behind "Global\" (every session of the machine).
inline constexpr wchar_t kRunLockName[] = L"VELKORA.NVMeFirmwareUpdate.RunLock";

// The run lock's mutex, not taken: created with a DACL that lets only Administrators and SYSTEM
// in, or the existing one when it is the tool's own. No handle when the name belongs to another
// object or to a mutex the tool did not make: then another run may be going.
KernelHandle OpenRunLockMutex();

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
    void IgnoreInterrupts() override;
    void EndIgnoringInterrupts() override;

private:
    KernelHandle m_mutex;  // owned by this thread while the run lock is held
};

}  // namespace platform::win32
