// What discovery, identification and the updates report as they go: what happened to which
// device, and where it stopped. Device code never writes text; the program turns each event into
// its console lines, and callers that read only the outcomes listen to nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/disk_record.h"
#include "model/stop_point.h"

namespace model {

// Why a device is left out before its identification or its update.
enum class SkipReason {
    ControllerNotOpened,     // CreateFileW refused the chosen RST controller
    DiskNotOpened,           // CreateFileW refused a disk
    BehindSecondController,  // an NVMe disk on another Intel RST controller than the chosen one
    AddressCollision,        // another disk behind RST answers at the disk's path identifier
};

// Why an identification gave no record, or not all of a RAID volume's.
enum class IdentifyEnd {
    NotOpened,         // CreateFileW refused the disk or the controller (Stop.SystemError)
    RequestFailed,     // the Identify call failed (Stop.SystemError)
    NoIdentifyData,    // an NVMe disk behind RST answered without data (PCI vendor ID 0)
    RaidQueryFailed,   // GET_RAID_CONFIG failed as a call (Stop.SystemError)
    RaidQueryRefused,  // the driver refused GET_RAID_CONFIG (Stop.ReturnCode)
    MembersNotListed,  // the RAID set suppressed its drive count
    MembersUnread,     // the RAID set listed more member drives than could be read
};

struct IdentifyStop {
    IdentifyEnd End = IdentifyEnd::NotOpened;
    StopPoint Stop;
    std::uint32_t RaidSetIndex = 0;  // the RAID set asked for
    std::size_t MembersListed = 0;   // MembersUnread: bDriveCount
    std::size_t MembersRead = 0;     // MembersUnread: the entries read
};

// How an update ended without a failed request.
enum class UpdateEnd {
    AlreadyDownloaded,  // the slot activated at the next reset holds the image: nothing sent
    Activated,          // the activation was accepted (Stop.ReturnCode as the driver answered)
};

class RunEvents {
public:
    virtual ~RunEvents() = default;

    virtual void DeviceSkipped(const DiskRecord& device, SkipReason reason,
                               const StopPoint& stop) = 0;
    virtual void IdentificationStopped(const DiskRecord& device, const IdentifyStop& stop) = 0;
    // Before anything is opened or sent.
    virtual void UpdateStarted(const DiskRecord& disk, std::u16string_view imageRevision) = 0;
    // Every piece of the image was accepted; the activation follows.
    virtual void DownloadEnded(const DiskRecord& disk) = 0;
    // A request was refused or failed, or the update could not start: the stop says which.
    virtual void UpdateStopped(const DiskRecord& disk, const StopPoint& stop) = 0;
    virtual void UpdateEnded(const DiskRecord& disk, UpdateEnd end, const StopPoint& stop) = 0;
};

// Listens to nothing: for callers that read only the outcomes.
class NoRunEvents final : public RunEvents {
public:
    void DeviceSkipped(const DiskRecord&, SkipReason, const StopPoint&) override {}
    void IdentificationStopped(const DiskRecord&, const IdentifyStop&) override {}
    void UpdateStarted(const DiskRecord&, std::u16string_view) override {}
    void DownloadEnded(const DiskRecord&) override {}
    void UpdateStopped(const DiskRecord&, const StopPoint&) override {}
    void UpdateEnded(const DiskRecord&, UpdateEnd, const StopPoint&) override {}
};

}  // namespace model
