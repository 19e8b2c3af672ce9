#include "sim/sim_machine.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "platform/text.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

namespace {

constexpr std::size_t kSrbSignatureOffset = layout::kSrbSignature;
constexpr std::size_t kSrbSignatureLength = layout::kSrbSignatureSize;
constexpr std::size_t kSrbReturnCodeOffset = layout::kSrbReturnCode;
// FIRMWARE_REQUEST_BLOCK.Function in "FIRMWARE" and "IntelFw " requests.
constexpr std::size_t kFirmwareFunctionOffset = layout::kInboxFrb + layout::kFrbFunction;
constexpr std::size_t kIntelFwFunctionOffset = layout::kIntelFrb + layout::kFrbFunction;

// CreateFileW access rights the tool may ask for: the generic rights and the specific and
// standard rights of a file object.
constexpr win::Dword kValidAccess = kGenericRights | kFileAllAccess;
constexpr win::Dword kValidShare = kFileShareAll;

bool SamePath(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && platform::ToUpperAscii(a) == platform::ToUpperAscii(b);
}

std::string SignatureOf(std::span<const std::uint8_t> buffer) {
    if (!platform::FitsIn(buffer.size(), kSrbSignatureOffset, kSrbSignatureLength)) {
        return {};
    }
    return std::string(buffer.begin() + kSrbSignatureOffset,
                       buffer.begin() + kSrbSignatureOffset + kSrbSignatureLength);
}

std::uint32_t FunctionOf(std::span<const std::uint8_t> buffer, const std::string& signature) {
    std::size_t offset = 0;
    if (signature == "FIRMWARE") {
        offset = kFirmwareFunctionOffset;
    } else if (signature == "IntelFw ") {
        offset = kIntelFwFunctionOffset;
    } else {
        return 0;
    }
    return platform::FitsIn(buffer.size(), offset, 4) ? platform::GetU32(buffer, offset) : 0;
}

win::Dword TypeOf(const SimDevice& device, const std::string& property, win::Dword usual) {
    const auto it = device.propertyTypes.find(property);
    return it == device.propertyTypes.end() ? usual : it->second;
}

CallInfo Call(CallKind kind, std::u16string target = {}) {
    CallInfo call;
    call.kind = kind;
    call.target = std::move(target);
    return call;
}

}  // namespace

std::u16string DeviceInterfacePath(std::u16string_view instanceId, std::u16string_view classGuid) {
    std::u16string path = u"\\\\?\\";
    for (char16_t c : instanceId) {
        const char16_t lower =
            (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
        path += lower == u'\\' ? u'#' : lower;
    }
    return path + u"#" + std::u16string(classGuid);
}

SimMachine::SimMachine() : m_platform{*this, *this, m_console, m_clock, m_guards} {}

SimMachine::~SimMachine() = default;

std::uint32_t SimMachine::AddDevice(SimDevice device) {
    // DevInst values are opaque handles on Windows; make them look like it.
    device.devInst = 0x1000 + static_cast<std::uint32_t>(m_devices.size()) * 0x10;
    m_devices.push_back(std::move(device));
    return m_devices.back().devInst;
}

SimDevice* SimMachine::FindDevice(std::u16string_view instanceId) {
    for (SimDevice& device : m_devices) {
        if (SamePath(device.instanceId, instanceId)) {
            return &device;
        }
    }
    return nullptr;
}

SimDevice* SimMachine::FindDeviceByInst(std::uint32_t devInst) {
    for (SimDevice& device : m_devices) {
        if (device.devInst == devInst) {
            return &device;
        }
    }
    return nullptr;
}

NvmeDrive& SimMachine::AddDrive(NvmeDriveConfig config) {
    m_drives.push_back(std::make_unique<NvmeDrive>(std::move(config)));
    return *m_drives.back();
}

NvmeDrive* SimMachine::FindDrive(std::string_view name) {
    for (auto& drive : m_drives) {
        if (drive->Name() == name) {
            return drive.get();
        }
    }
    return nullptr;
}

void SimMachine::AddPath(std::u16string path, std::shared_ptr<SimEndpoint> endpoint) {
    m_paths.emplace_back(std::move(path), std::move(endpoint));
}

void SimMachine::RebootDrives() {
    for (auto& drive : m_drives) {
        drive->Reset();
    }
}

std::vector<std::u16string> SimMachine::OpenHandlePaths() const {
    std::vector<std::u16string> paths;
    for (const auto& [id, handle] : m_handles) {
        paths.push_back(handle.path);
    }
    return paths;
}

std::optional<FaultAction> SimMachine::BeginCall(CallInfo call) {
    call.number = ++m_callCount;
    std::optional<FaultAction> action = m_faults.Decide(call);
    CallRecord record;
    record.call = call;
    if (action && action->fail) {
        record.failed = true;
        record.error = action->error;
    }
    m_callLog.push_back(std::move(record));
    return action;
}

const std::vector<std::uint32_t>* SimMachine::FindList(const platform::DeviceInfoList& list) {
    const auto it = m_lists.find(list.Id());
    if (!list.Valid() || it == m_lists.end()) {
        m_misuse.push_back("device list used after it was destroyed, or never made");
        return nullptr;
    }
    return &it->second;
}

const SimDevice* SimMachine::ListedDevice(const platform::DeviceInfoList& list,
                                          const platform::DeviceInfo& device) {
    const std::vector<std::uint32_t>* members = FindList(list);
    if (members == nullptr) {
        return nullptr;
    }
    if (device.index >= members->size() || (*members)[device.index] != device.devInst) {
        m_misuse.push_back("SP_DEVINFO_DATA that does not belong to the list");
        return nullptr;
    }
    return FindDeviceByInst(device.devInst);
}

std::optional<SimMachine::ListedInterface> SimMachine::FindListedInterface(
    const std::vector<std::uint32_t>& members, const win::Guid& interfaceClass,
    std::uint32_t index) const {
    std::uint32_t seen = 0;
    for (std::uint32_t d = 0; d < members.size(); ++d) {
        const auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const SimDevice& dev) {
            return dev.devInst == members[d];
        });
        for (std::size_t i = 0; i < it->interfaces.size(); ++i) {
            if (it->interfaces[i].interfaceClass == interfaceClass && seen++ == index) {
                return ListedInterface{d, i};
            }
        }
    }
    return std::nullopt;
}

platform::DeviceInfoList SimMachine::GetClassDevices(const win::Guid* interfaceClass,
                                                     win::Dword flags) {
    if (BeginCall(Call(CallKind::GetClassDevices))) {
        return {};
    }
    const bool allClasses = (flags & win::kDigcfAllClasses) != 0;
    const bool byInterface = (flags & win::kDigcfDeviceInterface) != 0;
    if (!allClasses && interfaceClass == nullptr) {
        m_misuse.push_back("SetupDiGetClassDevsW without a class and without DIGCF_ALLCLASSES");
        return {};
    }
    std::vector<std::uint32_t> members;
    for (const SimDevice& device : m_devices) {
        if ((flags & win::kDigcfPresent) && !device.present) {
            continue;
        }
        bool listed = allClasses;
        if (!allClasses && byInterface) {
            listed = std::any_of(
                device.interfaces.begin(), device.interfaces.end(),
                [&](const SimInterface& i) { return i.interfaceClass == *interfaceClass; });
        }
        if (listed) {
            members.push_back(device.devInst);
        }
    }
    const std::uint64_t id = m_nextId++;
    m_lists.emplace(id, std::move(members));
    return platform::DeviceInfoList(this, id);
}

std::optional<platform::DeviceInfo> SimMachine::EnumDeviceInfo(const platform::DeviceInfoList& list,
                                                               std::uint32_t index) {
    const std::vector<std::uint32_t>* members = FindList(list);
    CallInfo call = Call(CallKind::EnumDeviceInfo);
    if (members != nullptr && index < members->size()) {
        call.target = FindDeviceByInst((*members)[index])->instanceId;
    }
    if (BeginCall(call) || members == nullptr || index >= members->size()) {
        return std::nullopt;
    }
    return platform::DeviceInfo{index, (*members)[index]};
}

std::optional<platform::DeviceInterface> SimMachine::EnumDeviceInterfaces(
    const platform::DeviceInfoList& list, const win::Guid& interfaceClass, std::uint32_t index) {
    const std::vector<std::uint32_t>* members = FindList(list);
    std::optional<ListedInterface> found;
    CallInfo call = Call(CallKind::EnumDeviceInterfaces);
    if (members != nullptr) {
        found = FindListedInterface(*members, interfaceClass, index);
        if (found) {
            call.target = FindDeviceByInst((*members)[found->deviceIndex])->instanceId;
        }
    }
    if (BeginCall(call) || !found) {
        return std::nullopt;
    }
    return platform::DeviceInterface{index, interfaceClass};
}

std::optional<platform::DeviceInterfaceDetail> SimMachine::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    const std::vector<std::uint32_t>* members = FindList(list);
    std::optional<ListedInterface> found;
    CallInfo call = Call(CallKind::GetDeviceInterfaceDetail);
    const SimDevice* device = nullptr;
    if (members != nullptr) {
        found =
            FindListedInterface(*members, deviceInterface.interfaceClass, deviceInterface.index);
        if (found) {
            device = FindDeviceByInst((*members)[found->deviceIndex]);
            call.target = device->instanceId;
        }
    }
    if (BeginCall(call) || !found) {
        return std::nullopt;
    }
    return platform::DeviceInterfaceDetail{
        device->interfaces[found->interfaceIndex].path,
        platform::DeviceInfo{found->deviceIndex, device->devInst}};
}

std::optional<platform::DeviceProperty> SimMachine::GetDeviceStringProperty(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
    const win::DevPropKey& key) {
    const SimDevice* node = ListedDevice(list, device);
    if (BeginCall(Call(CallKind::GetDeviceStringProperty, node ? node->instanceId : u"")) ||
        !node) {
        return std::nullopt;
    }
    const std::pair<const char*, const std::optional<std::u16string>> properties[] = {
        {"instanceId",
         key == win::kDevpkeyDeviceInstanceId ? std::optional(node->instanceId) : std::nullopt},
        {"parentId", key == win::kDevpkeyDeviceParent ? node->parentId : std::nullopt},
        {"driverDesc", key == win::kDevpkeyDeviceDriverDesc ? node->driverDesc : std::nullopt},
        {"location", key == win::kDevpkeyDeviceLocationInfo ? node->locationInfo : std::nullopt},
    };
    for (const auto& [name, value] : properties) {
        if (value) {
            return platform::DeviceProperty{TypeOf(*node, name, win::kDevpropTypeString), *value};
        }
    }
    return std::nullopt;
}

std::optional<platform::HardwareIdList> SimMachine::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    const SimDevice* node = ListedDevice(list, device);
    if (BeginCall(Call(CallKind::GetHardwareIds, node ? node->instanceId : u"")) || !node ||
        !node->hardwareIds) {
        return std::nullopt;
    }
    return platform::HardwareIdList{TypeOf(*node, "hardwareIds", win::kRegMultiSz),
                                    *node->hardwareIds};
}

void SimMachine::DestroyDeviceInfoList(std::uint64_t id) {
    if (m_lists.erase(id) == 0) {
        m_misuse.push_back("SetupDiDestroyDeviceInfoList of an unknown list");
    }
}

platform::OpenResult SimMachine::Open(std::u16string_view path, win::Dword desiredAccess,
                                      win::Dword shareMode, win::Dword flagsAndAttributes) {
    (void)flagsAndAttributes;
    if (const auto action = BeginCall(Call(CallKind::Open, std::u16string(path)))) {
        return {{}, action->error};
    }
    if ((desiredAccess & ~kValidAccess) != 0 || (shareMode & ~kValidShare) != 0) {
        return {{}, win::kErrorInvalidParameter};
    }
    const auto it = std::find_if(m_paths.begin(), m_paths.end(),
                                 [&](const auto& entry) { return SamePath(entry.first, path); });
    // The interface of a device that is not present no longer opens.
    const bool gone = std::any_of(m_devices.begin(), m_devices.end(), [&](const SimDevice& device) {
        return !device.present &&
               std::any_of(device.interfaces.begin(), device.interfaces.end(),
                           [&](const SimInterface& i) { return SamePath(i.path, path); });
    });
    if (it == m_paths.end() || gone) {
        return {{}, win::kErrorFileNotFound};
    }
    const std::uint64_t id = m_nextId++;
    m_handles.emplace(id, OpenHandle{std::u16string(path), it->second, desiredAccess});
    return {platform::DeviceHandle(this, id), 0};
}

platform::ControlResult SimMachine::Control(const platform::DeviceHandle& handle,
                                            win::Dword controlCode, std::span<std::uint8_t> buffer,
                                            std::uint32_t inputLength) {
    const auto it = m_handles.find(handle.Id());
    CallInfo call = Call(CallKind::Control);
    call.controlCode = controlCode;
    if (it != m_handles.end()) {
        call.target = it->second.path;
    }
    if (controlCode == win::kIoctlScsiMiniport) {
        call.signature = SignatureOf(buffer);
        call.function = FunctionOf(buffer, call.signature);
    }
    const std::optional<FaultAction> action = BeginCall(call);
    if (!handle.Valid() || it == m_handles.end()) {
        m_misuse.push_back("DeviceIoControl on a handle that is not open");
        return {false, 0, win::kErrorInvalidHandle};
    }
    if (action && action->fail) {
        return {false, 0, action->error};
    }
    if (action && action->returnCode && !action->deliver) {
        if (!platform::FitsIn(buffer.size(), kSrbReturnCodeOffset, 4)) {
            return {false, 0, win::kErrorInvalidParameter};
        }
        platform::PutU32(buffer, kSrbReturnCodeOffset, *action->returnCode);
        return {true, static_cast<std::uint32_t>(buffer.size()), 0};
    }
    if (inputLength > buffer.size()) {
        return {false, 0, win::kErrorInvalidParameter};
    }
    // The access bits of a control code name the rights the handle must have been opened with.
    const win::Dword required = (controlCode >> kCtlCodeAccessShift) & kCtlCodeAccessMask;
    const win::Dword access = it->second.access;
    if (((required & kFileReadAccess) && !(access & win::kGenericRead)) ||
        ((required & kFileWriteAccess) && !(access & win::kGenericWrite))) {
        return {false, 0, win::kErrorAccessDenied};
    }
    platform::ControlResult result = it->second.endpoint->Control(controlCode, buffer, inputLength);
    if (result.ok && action && action->returnCode &&
        platform::FitsIn(buffer.size(), kSrbReturnCodeOffset, 4)) {
        platform::PutU32(buffer, kSrbReturnCodeOffset, *action->returnCode);
    }
    return result;
}

void SimMachine::CloseDevice(std::uint64_t id) {
    if (m_handles.erase(id) == 0) {
        m_misuse.push_back("CloseHandle of a handle that is not open");
    }
}

}  // namespace sim
