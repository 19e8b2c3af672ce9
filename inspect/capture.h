// The capture: a recording of the machine's answers to the inspection, written as JSON that
// fwsim replays. Numbers that Windows shows in hexadecimal are written as "0x..." text; byte
// buffers as lower-case hexadecimal, the zero bytes at their end left off.
#pragma once

#include <string>

#include "inspect/recording.h"
#include "platform/clock.h"

namespace inspect {

// The capture's text: when it was taken and everything recorded.
std::string CaptureText(const Recording& recording, const platform::LocalTime& taken);

}  // namespace inspect
