// The run's events as the console shows them: each event's lines, on the channel and in the
// order the tool has always written them. The inbox access path's update prints only its banner
// and a download found already waiting; the RST access path's prints every step.
#pragma once

#include "model/run_events.h"
#include "platform/console.h"

namespace app {

class ConsoleEvents final : public model::RunEvents {
public:
    explicit ConsoleEvents(platform::Console& console) : m_console(console) {}

    void DeviceSkipped(const model::DiskRecord& device, model::SkipReason reason,
                       const model::StopPoint& stop) override;
    void DeviceNotRead(const model::UnreadDevice& device) override;
    void IdentificationStopped(const model::DiskRecord& device,
                               const model::IdentifyStop& stop) override;
    void UpdateStarted(const model::DiskRecord& disk, std::u16string_view imageRevision) override;
    void ImageNotActivated(const model::DiskRecord& disk, std::uint8_t slot) override;
    void DownloadEnded(const model::DiskRecord& disk) override;
    void UpdateStopped(const model::DiskRecord& disk, const model::UpdateOutcome& outcome) override;
    void UpdateEnded(const model::DiskRecord& disk, model::UpdateEnd end,
                     const model::UpdateOutcome& outcome) override;

private:
    void DiskHandleFailed(win::Dword error);
    void RstActivationRefused(model::ActivationAnswer answer, std::uint32_t returnCode);

    platform::Console& m_console;
};

}  // namespace app
