// What discovery, identification and the updates report as they go: what happened to which
// device, and where it stopped. Device code never writes text; the program turns each event into
// its console lines, and callers that read only the outcomes listen to nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/disk_record.h"
#include "model/stop_point.h"
#include "model/update_outcome.h"

namespace model {

// Why a device is left out before its identification or its update.
enum class SkipReason {
    ControllerNotOpened,     // CreateFileW refused the chosen RST controller
    DiskNotOpened,           // CreateFileW refused a disk
    BehindSecondController,  // an NVMe disk or RAID volume on another Intel RST controller
    AddressCollision,        // another disk behind RST answers at the disk's path identifier
};

// Why an identification gave no record, or not all of a RAID volume's.
enum class IdentifyEnd {
    NotOpened,           // CreateFileW refused the disk or the controller (Stop.SystemError)
    RequestFailed,       // the Identify call failed (Stop.SystemError)
    NoIdentifyData,      // no Identify data: behind RST PCI vendor ID 0, on the inbox driver an
                         // all-zero or short answer
    PassThroughRefused,  // the RST driver refused the "IntelNvm" request (Stop.ReturnCode)
    RaidQueryFailed,     // GET_RAID_CONFIG failed as a call (Stop.SystemError)
    RaidQueryRefused,    // the driver refused GET_RAID_CONFIG (Stop.ReturnCode)
    MembersNotListed,    // the RAID set suppressed its drive count, or gave 0
    MembersUnread,       // the RAID set listed more member drives than could be read
    SetsUncounted,       // the driver still answered past the most RAID sets that are asked for
};

struct IdentifyStop {
    IdentifyEnd End = IdentifyEnd::NotOpened;
    StopPoint Stop;
    std::uint32_t RaidSetIndex = 0;  // the RAID set asked for
    std::size_t MembersListed = 0;   // MembersUnread: bDriveCount
    std::size_t MembersRead = 0;     // MembersUnread: the entries read
};

// What discovery could not read of a device list or of a device it looked at: a drive of the
// maker may be behind it.
enum class UnreadPart {
    List,                      // the device list (Error: how SetupDiEnumDeviceInfo ended it)
    Parent,                    // DEVPKEY_Device_Parent
    InstanceId,                // DEVPKEY_Device_InstanceId
    HardwareIds,               // SPDRP_HARDWAREID
    DriverDescription,         // DEVPKEY_Device_DriverDesc
    Interface,                 // no interface, or no interface detail, at the device's index
    InterfaceOfAnotherDevice,  // the interface at the device's index belongs to another device
    DeviceNumber,              // IOCTL_STORAGE_GET_DEVICE_NUMBER failed (Error) or answered short
    ParentController,          // whether the parent is an Intel RST controller could not be told
};

struct UnreadDevice {
    bool StorageControllers = false;  // the storage-port list, else the disk list
    std::uint32_t Index = 0;          // in the list; List: where it ended
    std::u16string Name;              // the instance ID or interface path, where one was read
    UnreadPart Part = UnreadPart::List;
    win::Dword Error = 0;
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
    virtual void DeviceNotRead(const UnreadDevice& device) = 0;
    virtual void IdentificationStopped(const DiskRecord& device, const IdentifyStop& stop) = 0;
    // Before anything is opened or sent.
    virtual void UpdateStarted(const DiskRecord& disk, std::u16string_view imageRevision) = 0;
    // Before the download: the drive holds the image in `slot`, which the last reset did not
    // activate, and nothing is pending; the image is downloaded and activated all the same.
    virtual void ImageNotActivated(const DiskRecord& disk, std::uint8_t slot) = 0;
    // Every piece of the image was accepted; the activation follows.
    virtual void DownloadEnded(const DiskRecord& disk) = 0;
    // A request was refused or failed, or the update could not start: the outcome's stop says
    // which. Both carry the outcome the update returns.
    virtual void UpdateStopped(const DiskRecord& disk, const UpdateOutcome& outcome) = 0;
    virtual void UpdateEnded(const DiskRecord& disk, UpdateEnd end,
                             const UpdateOutcome& outcome) = 0;
};

// Listens to nothing: for callers that read only the outcomes.
class NoRunEvents final : public RunEvents {
public:
    void DeviceSkipped(const DiskRecord&, SkipReason, const StopPoint&) override {}
    void DeviceNotRead(const UnreadDevice&) override {}
    void IdentificationStopped(const DiskRecord&, const IdentifyStop&) override {}
    void UpdateStarted(const DiskRecord&, std::u16string_view) override {}
    void ImageNotActivated(const DiskRecord&, std::uint8_t) override {}
    void DownloadEnded(const DiskRecord&) override {}
    void UpdateStopped(const DiskRecord&, const UpdateOutcome&) override {}
    void UpdateEnded(const DiskRecord&, UpdateEnd, const UpdateOutcome&) override {}
};

}  // namespace model
