// A console that writes nowhere: discovery and identification print their own lines, which the
// inspector tells in its own report instead.
#pragma once

#include "platform/console.h"

namespace inspect {

class SilentConsole final : public platform::Console {
public:
    void WriteWideLine(std::u16string_view) override {}
    void WriteNarrow(std::string_view) override {}
    void PrintWide(std::u16string_view) override {}
    void Pause() override {}
    bool InSessionZero() override { return false; }
};

}  // namespace inspect
