#include "platform/win32/win32_run_guards.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_console_input.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {

namespace {

// Only Administrators and SYSTEM may open the mutex; nothing is inherited from the directory.
constexpr wchar_t kLockSecurity[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

// Memory that a Win32 function allocated with LocalAlloc for the caller.
using LocalMemory = FreedBy<HLOCAL, LocalFree>;

bool IsAdministratorsOrSystem(PSID sid) {
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(sid, WinLocalSystemSid);
}

// The owner this process gives the objects it creates (Administrators for an elevated
// administrator, SYSTEM for SYSTEM).
bool IsOwnDefaultOwner(PSID sid) {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return false;
    }
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenOwner, nullptr, 0, &size);
    if (size < sizeof(TOKEN_OWNER)) {
        return false;
    }
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenOwner, buffer.data(), size, &size)) {
        return false;
    }
    TOKEN_OWNER owner{};
    std::memcpy(&owner, buffer.data(), sizeof owner);
    return owner.Owner != nullptr && EqualSid(owner.Owner, sid);
}

// An existing mutex of the lock's name is the tool's when an administrator, SYSTEM or this
// account made it and its DACL lets nobody but Administrators and SYSTEM in. A user without
// administrator rights can make neither such an owner nor use such a mutex.
bool IsToolsMutex(HANDLE mutex) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    // A null DACL lets everyone in.
    if (owner == nullptr || dacl == nullptr) {
        return false;
    }
    if (!IsAdministratorsOrSystem(owner) && !IsOwnDefaultOwner(owner)) {
        return false;
    }
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(dacl, index, &ace)) {
            return false;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !IsAdministratorsOrSystem(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart)) {
            return false;
        }
    }
    return true;
}

}  // namespace

KernelHandle OpenRunLockMutex() {
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr)) {
        return {};
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    const std::wstring name = std::wstring(L"Global\\") + kRunLockName;
    HANDLE raw = CreateMutexW(&attributes, FALSE, name.c_str());
    const DWORD created = GetLastError();
    // No handle: an event or another object holds the name (ERROR_INVALID_HANDLE), or a mutex
    // this account may not open (ERROR_ACCESS_DENIED).
    KernelHandle mutex(raw);
    if (!mutex.Valid() || (created == ERROR_ALREADY_EXISTS && !IsToolsMutex(mutex.Get()))) {
        return {};
    }
    return mutex;
}

Win32RunGuards::~Win32RunGuards() {
    ReleaseRunLock();
}

bool Win32RunGuards::AcquireRunLock() {
    KernelHandle mutex = OpenRunLockMutex();
    if (!mutex.Valid()) {
        return false;
    }
    switch (WaitForSingleObject(mutex.Get(), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // left by a run that was killed: the lock is free
            m_mutex = std::move(mutex);
            return true;
        default:  // another run holds it, or the wait failed: never go on unlocked
            return false;
    }
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

void Win32RunGuards::IgnoreInterrupts() {
    SetConsoleKeys(ConsoleKeys::Ignored);
}

void Win32RunGuards::EndIgnoringInterrupts() {
    SetConsoleKeys(ConsoleKeys::PauseKey);
}

}  // namespace platform::win32
