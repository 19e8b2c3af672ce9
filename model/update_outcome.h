// How one selected disk's update ended, on either access path: the code the run stores for the
// disk, where the update stopped, and what the drive and its driver said on the way.
#pragma once

#include <cstdint>
#include <optional>

#include "model/result_code.h"
#include "model/stop_point.h"

namespace model {

// The RST driver's answer to an activation, as its ReturnCode (a FIRMWARE_STATUS value) names it.
enum class ActivationAnswer {
    Activated,           // FIRMWARE_STATUS_SUCCESS
    ErrorReturned,       // FIRMWARE_STATUS_ERROR, FIRMWARE_STATUS_CONTROLLER_ERROR
    ParameterError,      // illegal request, invalid parameter, input buffer too big
    InvalidSlot,         // FIRMWARE_STATUS_INVALID_SLOT
    InvalidImage,        // FIRMWARE_STATUS_INVALID_IMAGE
    PowerCycleRequired,  // FIRMWARE_STATUS_POWER_CYCLE_REQUIRED: accepted, runs after a reboot
    Unexpected,          // any other ReturnCode
};

struct [[nodiscard]] UpdateOutcome {
    DiskResult Result = DiskResult::NotCarriedOut;
    StopPoint Stop;
    // The RST driver answered the activation with this (Stop.ReturnCode, classified once).
    std::optional<ActivationAnswer> Activation;
    // The slot that held the image the last reset did not activate: the drive was told to shut
    // down.
    std::optional<std::uint8_t> UnactivatedImageSlot;

    friend bool operator==(const UpdateOutcome&, const UpdateOutcome&) = default;
};

}  // namespace model
