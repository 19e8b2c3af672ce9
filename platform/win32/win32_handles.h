// The Win32 traits of platform::ScopedHandle: kernel object handles, and resources that a
// function of their own frees (a registry key, an event source, memory from LocalAlloc).
#pragma once

#include "platform/scoped_handle.h"

namespace platform::win32 {

// A kernel object handle (file, event, mutex, token), closed with CloseHandle. Null and
// INVALID_HANDLE_VALUE both mean no handle, as Win32 functions return one or the other.
struct KernelHandleTraits {
    using Value = void*;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value handle);
    static void Release(Value handle);
};

using KernelHandle = ScopedHandle<KernelHandleTraits>;

// A resource that Free releases; null means nothing to free.
template <typename T, auto Free>
struct FreedByTraits {
    using Value = T;
    static Value Invalid() { return T{}; }
    static bool IsValid(Value value) { return value != T{}; }
    static void Release(Value value) { Free(value); }
};

template <typename T, auto Free>
using FreedBy = ScopedHandle<FreedByTraits<T, Free>>;

}  // namespace platform::win32
