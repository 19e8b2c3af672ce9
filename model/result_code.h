// How one selected disk's update ended, as the run stores it in the disk's record and the report
// shows it. The values are the tool's documented codes; app/result_table.h says who stores each.
#pragma once

#include <cstdint>

namespace model {

enum class DiskResult : std::int32_t {
    Updated = 0,            // activation accepted (reaches the report as RebootRequired)
    Failed = 1,             // the drive or driver refused the download or the activation
    NotCarriedOut = 5,      // the disk did not open, or a request failed
    AlreadyCurrent = 20,    // at the image's revision: nothing sent
    RebootRequired = 1602,  // downloaded; the new firmware runs after a reboot
    Latest = 4000,          // the report's code for a disk already current
};

inline constexpr std::int32_t ToInt(DiskResult code) {
    return static_cast<std::int32_t>(code);
}

}  // namespace model
