#include "app/result_table.h"

namespace app {

using discovery::ResultCode;

ResultCode ResultOfInboxUpdate(inbox::UpdateStatus status) {
    switch (status) {
        case inbox::UpdateStatus::Activated:
        case inbox::UpdateStatus::AlreadyDownloaded:
            return ResultCode::RebootRequired;
        case inbox::UpdateStatus::Refused:
            return ResultCode::Failed;
        case inbox::UpdateStatus::NotCarriedOut:
            return ResultCode::NotCarriedOut;
    }
    return ResultCode::NotCarriedOut;
}

ResultCode SettledResult(const discovery::DiskRecord& disk, std::u16string_view imageRevision) {
    ResultCode code = disk.ResultCode;
    if (disk.FirmwareRevision == imageRevision) {
        code = ResultCode::Latest;
    }
    if (disk.AccessPath != discovery::AccessPath::Inbox && code == ResultCode::Updated) {
        code = ResultCode::RebootRequired;
    }
    return code;
}

const char* DiskResultText(ResultCode code) {
    switch (code) {
        case ResultCode::Updated:
            return "Updated firmware successfully.\n";
        case ResultCode::RebootRequired:
            return "Downloaded firmware successfully, but firmware activation requires reboot.\n";
        case ResultCode::Latest:
            return "Already have the latest firmware.\n";
        default:
            return "Unable to update firmware.\n";
    }
}

void FinalResultTally::Add(ResultCode settled) {
    m_any = true;
    switch (settled) {
        case ResultCode::RebootRequired:
            m_downloaded = true;
            break;
        case ResultCode::Latest:
            m_current = true;
            break;
        case ResultCode::Updated:
            break;
        default:
            // Any code that is not a success is a failure: never let it pass as one.
            m_failed = true;
            break;
    }
}

std::int32_t FinalResultTally::Result() const {
    if (!m_any || m_failed || m_leftBehind) {
        return ToInt(ResultCode::Failed);
    }
    if (m_downloaded) {
        return ToInt(ResultCode::RebootRequired);
    }
    if (m_current) {
        return ToInt(ResultCode::Latest);
    }
    return ToInt(ResultCode::Updated);
}

const char* FinalResultLine(std::int32_t finalResult) {
    switch (finalResult) {
        case ToInt(ResultCode::Updated):
            return "Result Details : Updated firmware successfully.\n";
        case ToInt(ResultCode::RebootRequired):
            return "Result Details : Downloaded firmware successfully, but firmware activation "
                   "requires reboot.\n";
        case ToInt(ResultCode::Latest):
            return "Already have the latest firmware.\n";
        default:
            return "Result Details : Unable to update firmware.\n";
    }
}

}  // namespace app
