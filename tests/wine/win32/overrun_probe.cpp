// Overruns a buffer the way the stack protector or _FORTIFY_SOURCE must stop, built with the
// exe's compile options. Usage: fwu_overrun_probe.exe canary|fortify|none
// Stopped, the process ends with STATUS_STACK_BUFFER_OVERRUN; unchecked, it prints "NOT STOPPED"
// (or crashes with another code).
#include <cstdio>
#include <cstring>

namespace {

volatile int g_length = 64;

// Writes past a local array: only the canary behind it catches this.
__attribute__((noinline)) int OverrunStack() {
    char buffer[16];
    // Through a volatile pointer, so that the compiler cannot bound the loop by the array.
    char* volatile target = buffer;
    for (int i = 0; i < g_length; ++i) {
        target[i] = 'x';
    }
    return buffer[3];
}

struct TwoFields {
    char first[8];
    char second[24];
};

// Copies 15 characters into an 8-byte member; the rest of the structure takes the excess, so
// only the checked copy can tell.
__attribute__((noinline)) int OverrunMember(const char* text) {
    TwoFields fields{};
    std::strcpy(fields.first, text);
    return fields.second[0];
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    int result = 0;
    if (std::strcmp(mode, "canary") == 0) {
        result = OverrunStack();
    } else if (std::strcmp(mode, "fortify") == 0) {
        result = OverrunMember(argc > 2 ? argv[2] : "fifteen chars!!");
    } else if (std::strcmp(mode, "none") == 0) {
        result = OverrunMember("seven!!");
    } else {
        std::fputs("usage: fwu_overrun_probe.exe canary|fortify|none\n", stderr);
        return 2;
    }
    std::printf("NOT STOPPED %d\n", result);
    return 0;
}
