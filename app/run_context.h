// The context of one run: the lists of disks, the two time stamps and the final result.
#pragma once

#include <cstdint>
#include <string>

#include "app/disk_inventory.h"
#include "app/result_table.h"
#include "discovery/disk_record.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

namespace app {

// DD-MM-YYYY(HH:MM:SS) of the clock's local time.
std::string FormatLocalTime(platform::Clock& clock);

class RunContext {
public:
    explicit RunContext(platform::Platform& platform) : m_platform(platform) {}

    void RecordStartTime();
    // Prints the report and returns FinalResult, the exit code.
    std::int32_t ReportResults(const image::FirmwareImage& image);

    discovery::DiskList SelectedDisks;
    DiskInventory Inventory;
    std::u16string StartTime;
    std::u16string EndTime;
    std::int32_t FinalResult = 0;
    FinalResultTally Tally;  // of the last report

private:
    platform::Platform& m_platform;
};

}  // namespace app
