// What discovery, identification and the updates report as they go. Device code reports what
// happened and never writes text; the program turns each event into its console lines, and the
// inspector listens to the same events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/disk_record.h"
#include "platform/windows_values.h"

namespace model {

enum class HandleOf { Disk, Controller };

// The RST driver's answer to an activation, as its ReturnCode names it.
enum class RstActivationAnswer {
    CallFailed,          // the IOCTL itself failed
    Activated,           // FIRMWARE_STATUS_SUCCESS
    ErrorReturned,       // FIRMWARE_STATUS_ERROR, FIRMWARE_STATUS_CONTROLLER_ERROR
    ParameterError,      // illegal request, invalid parameter, input buffer too big
    InvalidSlot,         // FIRMWARE_STATUS_INVALID_SLOT
    InvalidImage,        // FIRMWARE_STATUS_INVALID_IMAGE
    PowerCycleRequired,  // FIRMWARE_STATUS_POWER_CYCLE_REQUIRED: accepted, runs after a reboot
    Unexpected,          // any other ReturnCode
};

class RunEvents {
public:
    virtual ~RunEvents() = default;

    // CreateFileW refused a disk or the RST controller's storage-port device.
    virtual void OpenFailed(HandleOf device, win::Dword error) = 0;
    // The inbox driver's Identify Controller query failed.
    virtual void IdentifyFailed(win::Dword error) = 0;
    // The CSMI RAID configuration query failed as a call, or the driver refused it.
    virtual void RaidQueryFailed(win::Dword error) = 0;
    virtual void RaidQueryRefused(std::uint32_t returnCode) = 0;
    // A RAID set listed more member drives than could be read, or suppressed its drive count.
    virtual void RaidMembersUnread(std::uint32_t raidSetIndex, std::size_t listed,
                                   std::size_t read) = 0;
    virtual void RaidMembersNotListed(std::uint32_t raidSetIndex) = 0;
    // An NVMe disk behind RST answered Identify without data (PCI vendor ID 0).
    virtual void NoIdentifyData(std::uint8_t pathId) = 0;
    // An NVMe disk hangs on another Intel RST controller than the chosen one.
    virtual void DiskBehindSecondController() = 0;
    // Two records behind RST answer at one path identifier; the later one is left out.
    virtual void AddressCollision(std::uint8_t pathId) = 0;
    // An update begins on the disk, before anything is opened or sent.
    virtual void UpdateStarted(const DiskRecord& disk, std::u16string_view imageRevision) = 0;
    // The slot the drive activates at its next reset already holds the image: nothing is sent.
    virtual void AlreadyDownloaded() = 0;
    // RST access path: a piece failed (the call, with its error, or the driver's ReturnCode), the
    // download ended, the activation was answered.
    virtual void RstPieceFailed(bool callFailed, win::Dword error, std::uint32_t returnCode) = 0;
    virtual void RstDownloadEnded(bool accepted) = 0;
    virtual void RstActivationAnswered(RstActivationAnswer answer, win::Dword error,
                                       std::uint32_t returnCode) = 0;
};

// Listens to nothing: for callers that read only the outcomes.
class NoRunEvents final : public RunEvents {
public:
    void OpenFailed(HandleOf, win::Dword) override {}
    void IdentifyFailed(win::Dword) override {}
    void RaidQueryFailed(win::Dword) override {}
    void RaidQueryRefused(std::uint32_t) override {}
    void RaidMembersUnread(std::uint32_t, std::size_t, std::size_t) override {}
    void RaidMembersNotListed(std::uint32_t) override {}
    void NoIdentifyData(std::uint8_t) override {}
    void DiskBehindSecondController() override {}
    void AddressCollision(std::uint8_t) override {}
    void UpdateStarted(const DiskRecord&, std::u16string_view) override {}
    void AlreadyDownloaded() override {}
    void RstPieceFailed(bool, win::Dword, std::uint32_t) override {}
    void RstDownloadEnded(bool) override {}
    void RstActivationAnswered(RstActivationAnswer, win::Dword, std::uint32_t) override {}
};

}  // namespace model
