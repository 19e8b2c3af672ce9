// Holds the update tool's run lock as another run would: the tool's own mutex, taken, until
// standard input ends; then releases it. Prints HELD once it holds the mutex (BUSY when another
// process holds it) and RELEASED at the end. With --open-only it keeps a handle to the mutex
// without taking it (printing OPEN), so that the mutex outlives a holder that is killed: what
// the next run finds is then an abandoned mutex. With --event or --foreign-mutex it squats the
// lock's name as any user could, with an event or with a mutex of its own default security,
// printing OPEN, until standard input ends.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_run_guards.h"

namespace {

void WaitForEndOfInput() {
    char byte = 0;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read != 0) {
    }
}

bool Option(int argc, char** argv, const char* option) {
    return argc > 1 && std::strcmp(argv[1], option) == 0;
}

// The name taken by another object than the tool's mutex.
int Squat(bool event) {
    const std::wstring name = std::wstring(L"Global\\") + platform::win32::kRunLockName;
    const platform::win32::KernelHandle squatter(
        event ? CreateEventW(nullptr, TRUE, FALSE, name.c_str())
              : CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!squatter.Valid()) {
        std::printf("no squatter: error %lu\n", GetLastError());
        return 2;
    }
    std::puts("OPEN");
    std::fflush(stdout);
    WaitForEndOfInput();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (Option(argc, argv, "--event") || Option(argc, argv, "--foreign-mutex")) {
        return Squat(Option(argc, argv, "--event"));
    }
    const platform::win32::KernelHandle mutex = platform::win32::OpenRunLockMutex();
    if (!mutex.Valid()) {
        std::printf("no mutex: error %lu\n", GetLastError());
        return 2;
    }
    if (Option(argc, argv, "--open-only")) {
        std::puts("OPEN");
        std::fflush(stdout);
        WaitForEndOfInput();
        return 0;
    }
    const DWORD taken = WaitForSingleObject(mutex.Get(), 0);
    if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
        std::puts("BUSY");
        return 1;
    }
    std::puts("HELD");
    std::fflush(stdout);
    WaitForEndOfInput();
    ReleaseMutex(mutex.Get());
    std::puts("RELEASED");
    return 0;
}
