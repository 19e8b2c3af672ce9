// The run's events as the console shows them: each event's lines, on the channel and in the
// order the tool has always written them.
#pragma once

#include "model/run_events.h"
#include "platform/console.h"

namespace app {

class ConsoleEvents final : public model::RunEvents {
public:
    explicit ConsoleEvents(platform::Console& console) : m_console(console) {}

    void OpenFailed(model::HandleOf device, win::Dword error) override;
    void IdentifyFailed(win::Dword error) override;
    void RaidQueryFailed(win::Dword error) override;
    void RaidQueryRefused(std::uint32_t returnCode) override;
    void RaidMembersUnread(std::uint32_t raidSetIndex, std::size_t listed,
                           std::size_t read) override;
    void RaidMembersNotListed(std::uint32_t raidSetIndex) override;
    void NoIdentifyData(std::uint8_t pathId) override;
    void DiskBehindSecondController() override;
    void AddressCollision(std::uint8_t pathId) override;
    void UpdateStarted(const model::DiskRecord& disk, std::u16string_view imageRevision) override;
    void AlreadyDownloaded() override;
    void RstPieceFailed(bool callFailed, win::Dword error, std::uint32_t returnCode) override;
    void RstDownloadEnded(bool accepted) override;
    void RstActivationAnswered(model::RstActivationAnswer answer, win::Dword error,
                               std::uint32_t returnCode) override;

private:
    platform::Console& m_console;
};

}  // namespace app
