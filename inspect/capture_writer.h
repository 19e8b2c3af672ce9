// The writer of the captured scenario, shared by the two sources that write its parts: which
// device node becomes which entry, the drives the entries refer to, and the notes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/capture_drive.h"
#include "inspect/capture_json.h"
#include "inspect/capture_nodes.h"
#include "inspect/capture_scenario.h"

namespace inspect {

// What a device node becomes: a "devices" entry, an "inbox" disk, the chosen RST controller,
// another RST controller listed after it, an RST volume or an RST disk.
enum class Role { Plain, Inbox, Controller, ExtraController, Volume, RstDisk };

class ScenarioWriter {
public:
    explicit ScenarioWriter(const CapturedMachine& machine) : m(machine) {}
    json::Value Scenario();

private:
    void Classify();
    void ClassifyRst();
    Role RoleOf(const CapturedDevice& device) const;
    const DiskProbe* ProbeOf(const CapturedDevice& device) const;
    // The devices of a role, those of the disk interface list in that list's order.
    std::vector<const CapturedDevice*> InDiskListOrder(Role role) const;
    std::string NewDrive(std::span<const std::uint8_t> identify,
                         const std::optional<SlotState>& slots = std::nullopt);
    void Emit(const CapturedDevice& device);
    json::Value PlainEntry(const CapturedDevice& device);
    json::Value InboxEntry(const CapturedDevice& device);
    void CheckListOrder(const std::vector<std::uint32_t>& owners, std::string_view list);
    void CheckWalkOrder(const std::vector<std::u16string>& taken, std::string_view walk);
    std::string Comment(bool inbox) const;

    // capture_rst_entries.cpp
    json::Value Rst();
    json::Value ControllerEntry();
    void AddReturnCodes(json::Value& controller);
    json::Value VolumeEntry(std::size_t k);
    json::Value RstDiskEntry(std::size_t j);
    std::string PortDrive(std::uint8_t port);
    void AddDeviceNumber(json::Value& entry, const CapturedDevice& device);

    const CapturedMachine& m;
    std::map<std::uint32_t, Role> m_roles;
    const CapturedDevice* m_controller = nullptr;
    std::vector<const CapturedDevice*> m_extraControllers;
    std::vector<const CapturedDevice*> m_volumes;   // the k-th: RAID set k (null: not listed)
    std::vector<const CapturedDevice*> m_rstDisks;  // beside m.rst.disks (null: a plain device)
    json::Value m_drives = json::Value::array();
    json::Value m_propertyTypes = json::Value::array();
    std::map<std::uint8_t, std::string> m_portDrives;
    std::vector<std::uint32_t> m_emitted;  // DevInsts in the order the loader makes the nodes
    std::vector<std::string> m_numbered;   // plain devices that answered a device number
    Notes m_notes;
};

}  // namespace inspect
