#include "app/run_context.h"

#include <cstdio>

#include "app/result_table.h"
#include "platform/text.h"

namespace app {

std::string FormatLocalTime(platform::Clock& clock) {
    const platform::LocalTime t = clock.Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d(%02d:%02d:%02d)", t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second);
    return stamp;
}

FinalResultTally TallyOf(std::span<const model::DiskRecord> selectedDisks,
                         std::u16string_view imageRevision, bool allAccountedFor) {
    FinalResultTally tally;
    for (const model::DiskRecord& disk : selectedDisks) {
        tally.Add(SettledResult(disk, imageRevision));
    }
    if (!allAccountedFor) {
        tally.AddNotAccountedFor();
    }
    return tally;
}

void RunContext::RecordStartTime() {
    StartTime = platform::WidenUnsigned(FormatLocalTime(m_platform.clock));
}

std::int32_t RunContext::ReportResults(const image::FirmwareImage& image) {
    using platform::Narrow;
    EndTime = platform::WidenUnsigned(FormatLocalTime(m_platform.clock));

    std::string text =
        "Start Time : " + Narrow(StartTime) + "\n" + "End Time : " + Narrow(EndTime) + "\n";
    if (SelectedDisks.empty()) {
        text += "\n[No Disk]\n";
        text += "Updated Firmware Version : " + Narrow(image.ImageRevision) + "\n";
        text += "Result Details : No disks are available for download.\n";
    } else {
        int number = 1;
        for (model::DiskRecord& disk : SelectedDisks) {
            text += "\n[Disk #" + platform::DecimalText(number++) + "]\n";
            text += "Model Number : " + Narrow(disk.ModelNumber) + "\n";
            text += "Serial Number : " + Narrow(disk.SerialNumber) + "\n";
            text += "Current Firmware Version : " + Narrow(disk.FirmwareRevision) + "\n";
            text += "Updated Firmware Version : " + Narrow(image.ImageRevision) + "\n";
            disk.ResultCode = SettledResult(disk, image.ImageRevision);
            text += "Result Details : ";
            text += DiskResultText(disk.ResultCode);
        }
    }
    // Whatever the order in which Windows lists the disks.
    Tally = TallyOf(SelectedDisks, image.ImageRevision, Inventory.AllAccountedFor());
    FinalResult = Tally.Result();
    text += "\n[Final Result]\n";
    text += FinalResultLine(FinalResult);

    m_platform.console.WriteWideLine(platform::DecodeUtf8(text));
    return FinalResult;
}

}  // namespace app
