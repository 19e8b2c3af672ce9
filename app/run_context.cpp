#include "app/run_context.h"

#include <cstdio>

#include "platform/text.h"

namespace app {

std::string FormatLocalTime(platform::Clock& clock) {
    const platform::LocalTime t = clock.Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d(%02d:%02d:%02d)", t.day, t.month, t.year,
                  t.hour, t.minute, t.second);
    return stamp;
}

void RunContext::RecordStartTime() {
    StartTime = platform::WidenUnsigned(FormatLocalTime(m_platform.clock));
}

namespace {

const char* DiskResultText(std::int32_t resultCode) {
    switch (resultCode) {
        case kResultUpdated:
            return "Updated firmware successfully.\n";
        case kResultRebootRequired:
            return "Downloaded firmware successfully, but firmware activation requires reboot.\n";
        case kResultLatest:
            return "Already have the latest firmware.\n";
        default:
            return "Unable to update firmware.\n";
    }
}

const char* FinalResultLine(std::int32_t finalResult) {
    switch (finalResult) {
        case kResultUpdated:
            return "Result Details : Updated firmware successfully.\n";
        case kResultRebootRequired:
            return "Result Details : Downloaded firmware successfully, but firmware activation "
                   "requires reboot.\n";
        case kResultLatest:
            return "Already have the latest firmware.\n";
        default:
            return "Result Details : Unable to update firmware.\n";
    }
}

}  // namespace

std::int32_t RunContext::ReportResults(const image::FirmwareImage& image) {
    using platform::Narrow;
    EndTime = platform::WidenUnsigned(FormatLocalTime(m_platform.clock));

    std::string text =
        "Start Time : " + Narrow(StartTime) + "\n" + "End Time : " + Narrow(EndTime) + "\n";
    if (SelectedDisks.empty()) {
        text += "\n[No Disk]\n";
        text += "Updated Firmware Version : " + Narrow(image.ImageRevision) + "\n";
        text += "Result Details : No disks are available for download.\n";
        FinalResult = kResultFailed;
    } else {
        // The final result must not depend on the order in which Windows lists the disks: any
        // failure makes it 1, else any download 1602 (a reboot is needed), else 4000.
        bool anyFailed = false;
        bool anyDownloaded = false;
        bool anyCurrent = false;
        int number = 1;
        for (discovery::DiskRecord& disk : SelectedDisks) {
            text += "\n[Disk #" + platform::DecimalText(number++) + "]\n";
            text += "Model Number : " + Narrow(disk.ModelNumber) + "\n";
            text += "Serial Number : " + Narrow(disk.SerialNumber) + "\n";
            text += "Current Firmware Version : " + Narrow(disk.FirmwareRevision) + "\n";
            text += "Updated Firmware Version : " + Narrow(image.ImageRevision) + "\n";
            if (SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
                disk.ResultCode = kResultLatest;
            }
            if (disk.AccessPath != discovery::kAccessInbox && disk.ResultCode == kResultUpdated) {
                disk.ResultCode = kResultRebootRequired;
            }
            text += "Result Details : ";
            text += DiskResultText(disk.ResultCode);
            switch (disk.ResultCode) {
                case kResultRebootRequired:
                    anyDownloaded = true;
                    break;
                case kResultLatest:
                    anyCurrent = true;
                    break;
                case kResultUpdated:
                    break;
                default:
                    // Any code that is not a success is a failure: never let it pass as one.
                    anyFailed = true;
                    break;
            }
        }
        if (anyFailed) {
            FinalResult = kResultFailed;
        } else if (anyDownloaded) {
            FinalResult = kResultRebootRequired;
        } else if (anyCurrent) {
            FinalResult = kResultLatest;
        }
    }
    text += "\n[Final Result]\n";
    text += FinalResultLine(FinalResult);

    m_platform.console.WriteWideLine(platform::DecodeUtf8(text));
    return FinalResult;
}

}  // namespace app
