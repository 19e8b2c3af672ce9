#include "platform/win32/win32_handles.h"

#include <windows.h>

namespace platform::win32 {

bool KernelHandleTraits::IsValid(Value handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void KernelHandleTraits::Release(Value handle) {
    CloseHandle(handle);
}

}  // namespace platform::win32
