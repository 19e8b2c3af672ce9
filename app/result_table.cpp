#include "app/result_table.h"

namespace app {

using model::DiskResult;

DiskResult ResultOfInboxUpdate(inbox::UpdateStatus status) {
    switch (status) {
        case inbox::UpdateStatus::Activated:
        case inbox::UpdateStatus::AlreadyDownloaded:
            return DiskResult::RebootRequired;
        case inbox::UpdateStatus::Refused:
            return DiskResult::Failed;
        case inbox::UpdateStatus::NotCarriedOut:
            return DiskResult::NotCarriedOut;
    }
    return DiskResult::NotCarriedOut;
}

DiskResult ResultOfForeseenUpdate(const model::DiskRecord& disk, ForeseenUpdate update) {
    if (disk.AccessPath == model::AccessKind::Inbox) {
        return ResultOfInboxUpdate(
            update == ForeseenUpdate::ImageStaged ? inbox::UpdateStatus::AlreadyDownloaded
            : update == ForeseenUpdate::Accepted  ? inbox::UpdateStatus::Activated
                                                  : inbox::UpdateStatus::Refused);
    }
    // The RST update refuses before its download only a drive without a writable slot.
    switch (update) {
        case ForeseenUpdate::ImageStaged:
            return DiskResult::RebootRequired;
        case ForeseenUpdate::RefusedBeforeDownload:
            return DiskResult::Failed;
        case ForeseenUpdate::Accepted:
            break;
    }
    return DiskResult::Updated;
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
