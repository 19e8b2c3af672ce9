#include "app/result_table.h"

namespace app {

using model::DiskResult;

DiskResult ResultOfForeseenUpdate(const model::DiskRecord& disk, ForeseenUpdate update) {
    switch (update) {
        case ForeseenUpdate::ImageStaged:
            return DiskResult::RebootRequired;
        // Before the download, either update refuses only a drive without a writable slot.
        case ForeseenUpdate::RefusedBeforeDownload:
            return DiskResult::Failed;
        case ForeseenUpdate::Accepted:
            break;
    }
    // The inbox update stores an accepted activation as needing a reboot; the report settles the
    // RST update's Updated the same way.
    return disk.AccessPath == model::AccessKind::Inbox ? DiskResult::RebootRequired
                                                       : DiskResult::Updated;
}

DiskResult SettledResult(const model::DiskRecord& disk, std::u16string_view imageRevision) {
    DiskResult code = disk.ResultCode;
    if (disk.FirmwareRevision == imageRevision) {
        code = DiskResult::Latest;
    }
    if (disk.AccessPath != model::AccessKind::Inbox && code == DiskResult::Updated) {
        code = DiskResult::RebootRequired;
    }
    return code;
}

const char* DiskResultText(DiskResult code) {
    switch (code) {
        case DiskResult::Updated:
            return "Updated firmware successfully.\n";
        case DiskResult::RebootRequired:
            return "Downloaded firmware successfully, but firmware activation requires reboot.\n";
        case DiskResult::Latest:
            return "Already have the latest firmware.\n";
        default:
            return "Unable to update firmware.\n";
    }
}

void FinalResultTally::Add(DiskResult settled) {
    m_any = true;
    switch (settled) {
        case DiskResult::RebootRequired:
            m_downloaded = true;
            break;
        case DiskResult::Latest:
            m_current = true;
            break;
        case DiskResult::Updated:
            break;
        default:
            // Any code that is not a success is a failure: never let it pass as one.
            m_failed = true;
            break;
    }
}

std::int32_t FinalResultTally::Result() const {
    if (!m_any || m_failed || m_notAccountedFor) {
        return ToInt(DiskResult::Failed);
    }
    if (m_downloaded) {
        return ToInt(DiskResult::RebootRequired);
    }
    if (m_current) {
        return ToInt(DiskResult::Latest);
    }
    return ToInt(DiskResult::Updated);
}

const char* FinalResultLine(std::int32_t finalResult) {
    switch (finalResult) {
        case ToInt(DiskResult::Updated):
            return "Result Details : Updated firmware successfully.\n";
        case ToInt(DiskResult::RebootRequired):
            return "Result Details : Downloaded firmware successfully, but firmware activation "
                   "requires reboot.\n";
        case ToInt(DiskResult::Latest):
            return "Already have the latest firmware.\n";
        default:
            return "Result Details : Unable to update firmware.\n";
    }
}

}  // namespace app
