// A machine replayed from a capture's recording: the device lists, properties and paths answer
// as the recorded machine answered, and every device control request the capture sent is
// answered with the recorded buffer. What a read-only capture never sees is assumed here, once:
// - each disk that answered Identify through the inbox driver's property query is a drive
//   behind the simulated inbox driver, which takes downloads of at most 512 KiB and activations;
// - each port that answered the "IntelNvm" Identify is a drive behind the simulated RST driver,
//   which answers an accepted activation with ReturnCode 0x20 (power cycle required);
// - every such drive is a simulated NVMe drive with the recorded Identify data and the slots
//   its get-info answer or slot log showed (slot 1 holding the running revision where neither
//   was read): it refuses a piece not aligned to FWUG, takes a short last piece that ends at
//   the image end, refuses overlapping pieces and completes Firmware Commit, the new image
//   running after the next reset.
#pragma once

#include <nlohmann/json.hpp>

#include "sim/sim_machine.h"

namespace sim {

// A recording comes from the field: it is refused past what any real machine answers.
inline constexpr std::size_t kMaxRecordedRequests = 10000;
inline constexpr std::size_t kMaxRecordedDrives = 32;

// Builds the recorded machine ("recorded" of a capture) into an empty one; throws
// std::invalid_argument on a malformed recording.
void LoadRecording(const nlohmann::json& recorded, SimMachine& machine);

}  // namespace sim
