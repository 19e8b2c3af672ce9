// The stack protector's guard and the failure handlers of the stack protector and of
// _FORTIFY_SOURCE's checked copies. GCC's own libssp seeds its guard through ADVAPI32
// (CryptGenRandom), which the exe must not import; msvcrt's rand_s gives the same system random
// numbers. A detected overrun ends the process at once with STATUS_STACK_BUFFER_OVERRUN, as the
// Microsoft runtime's /GS check does.
#define _CRT_RAND_S  // rand_s in stdlib.h
#include <windows.h>

#include <cstdint>
#include <cstdlib>

extern "C" {

std::uintptr_t __stack_chk_guard = 0;

[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

[[noreturn]] void __chk_fail() {
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

}  // extern "C"

namespace {

// Runs among the C++ constructors, before main; a frame that is live while the guard changes
// would fail its check on return, so this one carries no canary.
__attribute__((constructor, no_stack_protector)) void SeedStackGuard() {
    std::uintptr_t guard = 0;
    for (int half = 0; half < 2; ++half) {
        unsigned int random = 0;
        if (rand_s(&random) != 0) {
            // msvcrt has rand_s since Windows Vista; keep a guard that is not zero.
            random = 0x2F8C61D5u;
        }
        guard = guard << 32 | random;
    }
    __stack_chk_guard = guard != 0 ? guard : 0x5DEECE66Du;
}

}  // namespace
