// Where an identification or an update stopped, and what the system or the driver answered
// there: kept beside every outcome so that a failure says which stage, which piece, which
// error. The console output does not show it; tests and the inspector do.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows_values.h"

namespace model {

enum class StopStage {
    NotStarted,  // refused before any device access
    SlotChoice,  // refused before any device access: the drive has no writable firmware slot
    Open,        // CreateFileW
    Identify,    // the Identify Controller request
    RaidQuery,   // CSMI GET_RAID_CONFIG
    GetInfo,     // the miniport's firmware get-info
    Download,    // a download piece
    Activation,  // the activate request
    Done,        // every request answered
};

struct StopPoint {
    StopStage Stage = StopStage::NotStarted;
    std::uint32_t Piece = 0;       // Download: the piece, counted from 1
    std::uint32_t PieceCount = 0;  // Download: how many pieces the image takes
    win::Dword SystemError = 0;    // the call failed with this system error code
    std::uint32_t ReturnCode = 0;  // the call succeeded; the driver answered this ReturnCode

    friend bool operator==(const StopPoint&, const StopPoint&) = default;
};

// "open", "get-info", "piece 3 of 512", ..., then ", system error 0x5" or ", ReturnCode 0x20"
// where one was given.
std::string Describe(const StopPoint& stop);

// A stop at a stage, with the system error of a failed call or the ReturnCode of an answer.
StopPoint StoppedAt(StopStage stage, win::Dword systemError = 0, std::uint32_t returnCode = 0);

}  // namespace model
