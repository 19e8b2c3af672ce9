#pragma once

#include "platform/clock.h"

namespace platform::win32 {

// The C runtime's time() and localtime().
class Win32Clock : public platform::Clock {
public:
    platform::LocalTime Now() override;
};

}  // namespace platform::win32
