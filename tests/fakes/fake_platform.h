// Stand-ins for the device installation services and device I/O for the unit tests of both access
// paths: the three device lists (storage ports, disks, every device), fixed answers, every request
// kept, and what is left open or used after closing counted.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/sim_clock.h"
#include "sim/sim_console.h"
#include "sim/sim_run_guards.h"
#include "tests/fakes/traced_events.h"

namespace fakes {

struct Sent {
    std::u16string path;
    win::Dword code = 0;
    std::vector<std::uint8_t> bytes;  // what the driver received
};

// Answers one request; the buffer is the caller's, answered in place.
using Responder = std::function<platform::ControlResult(const Sent&, std::span<std::uint8_t>)>;

inline platform::ControlResult Ok() {
    return {true, 0, 0};
}
inline platform::ControlResult Fail(win::Dword error) {
    return {false, 0, error};
}

class FakeIo : public platform::DeviceIo {
public:
    struct OpenCall {
        std::u16string path;
        win::Dword access, share, flags;
    };
    std::map<std::u16string, win::Dword> openErrors;  // paths that do not open
    Responder respond = [](const Sent&, std::span<std::uint8_t>) { return Ok(); };
    std::vector<OpenCall> opens;
    std::vector<Sent> sent;
    std::set<std::uint64_t> openHandles;

    platform::OpenResult Open(std::u16string_view path, win::Dword access, win::Dword share,
                              win::Dword flags) override {
        opens.push_back({std::u16string(path), access, share, flags});
        if (auto e = openErrors.find(std::u16string(path)); e != openErrors.end()) {
            return {{}, e->second};
        }
        const std::uint64_t id = m_nextId++;
        openHandles.insert(id);
        m_paths[id] = path;
        return {platform::DeviceHandle({this, id}), 0};
    }
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword code,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override {
        sent.push_back({m_paths.at(handle.Get().Id), code,
                        std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + inputLength)});
        return respond(sent.back(), buffer);
    }

protected:
    void CloseDevice(std::uint64_t id) override { openHandles.erase(id); }

private:
    std::uint64_t m_nextId = 1;
    std::map<std::uint64_t, std::u16string> m_paths;
};

class FakeSetup : public platform::DeviceInstallServices {
public:
    struct Device {
        std::uint32_t devInst = 0;
        std::optional<std::u16string> parentId, instanceId, driverDesc, location;
        std::optional<std::vector<std::u16string>> hardwareIds;
        std::optional<std::u16string> interfacePath;  // nothing: no interface of the class
        bool detailFails = false;
    };
    std::vector<Device> storagePorts;  // GUID_DEVINTERFACE_STORAGEPORT list
    std::vector<Device> disks;         // GUID_DEVINTERFACE_DISK list
    std::vector<Device> everyDevice;   // the all-classes list
    std::set<const std::vector<Device>*> failingLists;
    std::vector<win::Dword> listFlags;
    std::set<std::uint64_t> openLists;
    bool misuse = false;  // a list used or destroyed after it was destroyed

    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override {
        listFlags.push_back(flags);
        const std::vector<Device>* devices = &everyDevice;
        if (interfaceClass != nullptr) {
            devices = *interfaceClass == win::kGuidDevinterfaceDisk ? &disks : &storagePorts;
        }
        if (failingLists.contains(devices)) {
            return {};
        }
        const std::uint64_t id = m_nextId++;
        openLists.insert(id);
        m_lists[id] = devices;
        return platform::DeviceInfoList({this, id});
    }
    platform::DeviceAtIndex EnumDeviceInfo(const platform::DeviceInfoList& list,
                                           std::uint32_t index) override {
        const auto& devices = Of(list);
        if (index >= devices.size()) {
            return {};
        }
        return {platform::DeviceInfo{index, devices[index].devInst}, 0};
    }
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) override {
        const auto& devices = Of(list);
        if (index >= devices.size() || !devices[index].interfacePath) {
            return std::nullopt;
        }
        return platform::DeviceInterface{index, interfaceClass};
    }
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list, const platform::DeviceInterface& item) override {
        const Device& d = Of(list).at(item.Index);
        if (d.detailFails) {
            return std::nullopt;
        }
        return platform::DeviceInterfaceDetail{*d.interfacePath, {item.Index, d.devInst}};
    }
    std::optional<platform::DeviceProperty> GetDeviceStringProperty(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
        const win::DevPropKey& key) override {
        const Device& d = Of(list).at(device.Index);
        const std::optional<std::u16string>* value = nullptr;
        if (key == win::kDevpkeyDeviceParent)
            value = &d.parentId;
        if (key == win::kDevpkeyDeviceInstanceId)
            value = &d.instanceId;
        if (key == win::kDevpkeyDeviceDriverDesc)
            value = &d.driverDesc;
        if (key == win::kDevpkeyDeviceLocationInfo)
            value = &d.location;
        if (value == nullptr || !*value)
            return std::nullopt;
        return platform::DeviceProperty{win::kDevpropTypeString, **value};
    }
    std::optional<platform::HardwareIdList> GetHardwareIds(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device) override {
        const Device& d = Of(list).at(device.Index);
        if (!d.hardwareIds)
            return std::nullopt;
        return platform::HardwareIdList{win::kRegMultiSz, *d.hardwareIds};
    }

protected:
    void DestroyDeviceInfoList(std::uint64_t id) override { misuse |= openLists.erase(id) == 0; }

private:
    const std::vector<Device>& Of(const platform::DeviceInfoList& list) {
        misuse |= !openLists.contains(list.Get().Id);
        return *m_lists.at(list.Get().Id);
    }
    std::uint64_t m_nextId = 1;
    std::map<std::uint64_t, const std::vector<Device>*> m_lists;
};

struct FakeMachine {
    FakeSetup setup;
    FakeIo io;
    sim::SimConsole console;
    sim::SimClock clock;
    sim::SimRunGuards guards;
    platform::Platform platform{setup, io, console, clock, guards};
    TracedEvents events{console};  // the lines the tool prints for what happens

    bool NothingLeftOpen() const {
        return io.openHandles.empty() && setup.openLists.empty() && !setup.misuse;
    }
};

// Little-endian writer for expected bytes, independent of the product's helpers.
struct Bytes {
    std::vector<std::uint8_t> data;
    explicit Bytes(std::size_t size) : data(size) {}
    Bytes& Put(std::size_t offset, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            data.at(offset + i) = (value >> (8 * i)) & 0xFF;
        return *this;
    }
    Bytes& Text(std::size_t offset, std::string_view text) {
        for (char c : text)
            data.at(offset++) = static_cast<std::uint8_t>(c);
        return *this;
    }
};

inline std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t o) {
    return b.at(o) | b.at(o + 1) << 8 | b.at(o + 2) << 16 | std::uint32_t{b.at(o + 3)} << 24;
}

}  // namespace fakes
