#include "platform/win32/win32_run_guards.h"

#include <windows.h>

#include <string>
#include <utility>

namespace platform::win32 {

namespace {

enum class Take {
    Taken,    // this run holds the mutex
    Busy,     // another run holds it
    Refused,  // the namespace refused the name: nothing is known
};

Take TakeMutex(const std::wstring& name, UniqueHandle& held) {
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex.Valid() && GetLastError() == ERROR_ACCESS_DENIED) {
        // The mutex exists with another account's default rights (a run as SYSTEM or elevated):
        // ask only for what a wait and a release need.
        mutex = UniqueHandle(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
        if (!mutex.Valid()) {
            return GetLastError() == ERROR_FILE_NOT_FOUND ? Take::Refused : Take::Busy;
        }
    }
    if (!mutex.Valid()) {
        return Take::Refused;
    }
    switch (WaitForSingleObject(mutex.Get(), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // left by a run that was killed: the lock is free
            held = std::move(mutex);
            return Take::Taken;
        case WAIT_TIMEOUT:
            return Take::Busy;
        default:
            return Take::Refused;
    }
}

}  // namespace

Win32RunGuards::~Win32RunGuards() {
    ReleaseRunLock();
}

bool Win32RunGuards::AcquireRunLock() {
    const std::wstring name = kRunLockName;
    Take taken = TakeMutex(L"Global\\" + name, m_mutex);
    if (taken == Take::Refused) {
        taken = TakeMutex(L"Local\\" + name, m_mutex);
    }
    // Refused in both namespaces, no other run can be seen: the run goes on, as without a lock.
    return taken != Take::Busy;
}

void Win32RunGuards::ReleaseRunLock() {
    if (m_mutex.Valid()) {
        ReleaseMutex(m_mutex.Get());
        m_mutex.Reset();
    }
}

void Win32RunGuards::KeepSystemAwake() {
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

void Win32RunGuards::AllowSystemSleep() {
    SetThreadExecutionState(ES_CONTINUOUS);
}

}  // namespace platform::win32
