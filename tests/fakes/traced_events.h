// The run's events as the console shows them, and a trace of each update's course: an update
// reports its start once and its end (stopped or ended) once, with the outcome it returns.
#pragma once

#include <optional>

#include "app/console_events.h"

namespace fakes {

class TracedEvents final : public model::RunEvents {
public:
    explicit TracedEvents(platform::Console& console) : m_lines(console) {}

    void DeviceSkipped(const model::DiskRecord& device, model::SkipReason reason,
                       const model::StopPoint& stop) override {
        m_lines.DeviceSkipped(device, reason, stop);
    }
    void DeviceNotRead(const model::UnreadDevice& device) override {
        m_lines.DeviceNotRead(device);
    }
    void IdentificationStopped(const model::DiskRecord& device,
                               const model::IdentifyStop& stop) override {
        m_lines.IdentificationStopped(device, stop);
    }
    void UpdateStarted(const model::DiskRecord& disk, std::u16string_view imageRevision) override {
        ++updatesStarted;
        m_lines.UpdateStarted(disk, imageRevision);
    }
    void ImageNotActivated(const model::DiskRecord& disk, std::uint8_t slot) override {
        m_lines.ImageNotActivated(disk, slot);
    }
    void DownloadEnded(const model::DiskRecord& disk) override { m_lines.DownloadEnded(disk); }
    void UpdateStopped(const model::DiskRecord& disk,
                       const model::UpdateOutcome& outcome) override {
        Ended(outcome);
        m_lines.UpdateStopped(disk, outcome);
    }
    void UpdateEnded(const model::DiskRecord& disk, model::UpdateEnd end,
                     const model::UpdateOutcome& outcome) override {
        Ended(outcome);
        m_lines.UpdateEnded(disk, end, outcome);
    }

    int updatesStarted = 0;
    int updatesEnded = 0;
    std::optional<model::UpdateOutcome> lastEnd;

private:
    void Ended(const model::UpdateOutcome& outcome) {
        ++updatesEnded;
        lastEnd = outcome;
    }

    app::ConsoleEvents m_lines;
};

}  // namespace fakes
