// The context of one run: the lists of disks, the two time stamps and the final result.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app/disk_inventory.h"
#include "app/result_table.h"
#include "image/firmware_image.h"
#include "model/disk_record.h"
#include "platform/platform.h"

namespace app {

// The report's tally, whose Result is the exit code: over the selected disks, each settled as the
// report settles it, failed unless everything the run could see is accounted for.
FinalResultTally TallyOf(std::span<const model::DiskRecord> selectedDisks,
                         std::u16string_view imageRevision, bool allAccountedFor);

// DD-MM-YYYY(HH:MM:SS) of the clock's local time.
std::string FormatLocalTime(platform::Clock& clock);

class RunContext {
public:
    explicit RunContext(platform::Platform& platform) : m_platform(platform) {}

    void RecordStartTime();
    // Prints the report and returns FinalResult, the exit code.
    std::int32_t ReportResults(const image::FirmwareImage& image);

    model::DiskList SelectedDisks;
    DiskInventory Inventory;
    std::u16string StartTime;
    std::u16string EndTime;
    std::int32_t FinalResult = 0;
    FinalResultTally Tally;  // of the last report

private:
    platform::Platform& m_platform;
};

}  // namespace app
