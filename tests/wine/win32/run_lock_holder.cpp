// Holds the update tool's run lock as another run would: the Global\ named mutex, taken, until
// standard input ends; then releases it. Prints HELD once it holds the mutex (BUSY when another
// process holds it) and RELEASED at the end. With --open-only it keeps a handle to the mutex
// without taking it (printing OPEN), so that the mutex outlives a holder that is killed: what
// the next run finds is then an abandoned mutex.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/win32_run_guards.h"

namespace {

void WaitForEndOfInput() {
    char byte = 0;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read != 0) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool openOnly = argc > 1 && std::strcmp(argv[1], "--open-only") == 0;
    const std::wstring name = std::wstring(L"Global\\") + platform::win32::kRunLockName;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        std::printf("no mutex: error %lu\n", GetLastError());
        return 2;
    }
    if (openOnly) {
        std::puts("OPEN");
        std::fflush(stdout);
        WaitForEndOfInput();
        CloseHandle(mutex);
        return 0;
    }
    const DWORD taken = WaitForSingleObject(mutex, 0);
    if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
        std::puts("BUSY");
        CloseHandle(mutex);
        return 1;
    }
    std::puts("HELD");
    std::fflush(stdout);
    WaitForEndOfInput();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    std::puts("RELEASED");
    return 0;
}
