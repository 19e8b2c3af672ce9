// Small stand-ins for the device installation services and device I/O, for unit tests of the
// inbox road: they serve fixed answers, record every request and count what is left open.
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

namespace fakes {

struct SentRequest {
    std::u16string path;
    win::Dword controlCode = 0;
    std::vector<std::uint8_t> input;  // the bytes the driver received
};

// Answers one device control: fills the buffer and says what DeviceIoControl returned.
using Responder =
    std::function<platform::ControlResult(const SentRequest&, std::span<std::uint8_t>)>;

class FakeIo : public platform::DeviceIo {
public:
    struct Device {
        win::Dword openError = 0;  // non-zero: CreateFileW fails with it
        Responder respond;
    };
    struct OpenCall {
        std::u16string path;
        win::Dword access = 0;
        win::Dword share = 0;
        win::Dword flags = 0;
    };

    std::map<std::u16string, Device> devices;
    std::vector<OpenCall> opens;
    std::vector<SentRequest> requests;
    std::set<std::uint64_t> openHandles;

    platform::OpenResult Open(std::u16string_view path, win::Dword access, win::Dword share,
                              win::Dword flags) override {
        opens.push_back({std::u16string(path), access, share, flags});
        const auto found = devices.find(std::u16string(path));
        if (found == devices.end()) {
            return {{}, win::kErrorFileNotFound};
        }
        if (found->second.openError != 0) {
            return {{}, found->second.openError};
        }
        const std::uint64_t id = m_nextId++;
        openHandles.insert(id);
        m_paths[id] = found->first;
        return {platform::DeviceHandle(this, id), 0};
    }

    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword code,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override {
        const std::u16string& path = m_paths.at(handle.Id());
        SentRequest sent{path, code,
                         std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + inputLength)};
        requests.push_back(sent);
        const Device& device = devices.at(path);
        if (!device.respond) {
            return {false, 0, win::kErrorNotSupported};
        }
        return device.respond(sent, buffer);
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
        std::optional<std::u16string> parentId;
        std::optional<std::u16string> instanceId;
        std::optional<std::vector<std::u16string>> hardwareIds;
        std::optional<std::u16string> interfacePath;  // its disk interface
    };

    std::vector<Device> devices;
    bool listFails = false;
    std::set<std::uint64_t> openLists;
    std::vector<win::Dword> listFlags;

    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override {
        listFlags.push_back(flags);
        if (listFails || interfaceClass == nullptr ||
            !(*interfaceClass == win::kGuidDevinterfaceDisk)) {
            return {};
        }
        const std::uint64_t id = m_nextId++;
        openLists.insert(id);
        return platform::DeviceInfoList(this, id);
    }
    std::optional<platform::DeviceInfo> EnumDeviceInfo(const platform::DeviceInfoList& list,
                                                       std::uint32_t index) override {
        CheckList(list);
        if (index >= devices.size()) {
            return std::nullopt;
        }
        return platform::DeviceInfo{index, 1000 + index};
    }
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) override {
        CheckList(list);
        if (index >= devices.size() || !devices[index].interfacePath ||
            !(interfaceClass == win::kGuidDevinterfaceDisk)) {
            return std::nullopt;
        }
        return platform::DeviceInterface{index, interfaceClass};
    }
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list, const platform::DeviceInterface& item) override {
        CheckList(list);
        return platform::DeviceInterfaceDetail{*devices.at(item.index).interfacePath,
                                               {item.index, 1000 + item.index}};
    }
    std::optional<std::u16string> GetDeviceStringProperty(const platform::DeviceInfoList& list,
                                                          const platform::DeviceInfo& device,
                                                          const win::DevPropKey& key) override {
        CheckList(list);
        const Device& d = devices.at(device.index);
        if (key == win::kDevpkeyDeviceParent) {
            return d.parentId;
        }
        if (key == win::kDevpkeyDeviceInstanceId) {
            return d.instanceId;
        }
        return std::nullopt;
    }
    std::optional<std::vector<std::u16string>> GetHardwareIds(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device) override {
        CheckList(list);
        return devices.at(device.index).hardwareIds;
    }

    bool misuse = false;  // a call on a list that is not open

protected:
    void DestroyDeviceInfoList(std::uint64_t id) override {
        if (openLists.erase(id) == 0) {
            misuse = true;
        }
    }

private:
    void CheckList(const platform::DeviceInfoList& list) {
        if (!openLists.contains(list.Id())) {
            misuse = true;
        }
    }
    std::uint64_t m_nextId = 1;
};

// The pieces of a platform for one test.
struct FakeMachine {
    FakeSetup setup;
    FakeIo io;
    sim::SimConsole console;
    sim::SimClock clock;
    platform::Platform platform{setup, io, console, clock};
};

}  // namespace fakes
