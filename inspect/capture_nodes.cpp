#include "inspect/capture_nodes.h"

#include "platform/text.h"

namespace inspect {

namespace {

constexpr std::u16string_view kDiskDriverDesc = u"Disk drive";

void AddText(json::Value& entry, const char* key,
             const std::optional<platform::DeviceProperty>& property) {
    if (property) {
        entry[key] = json::Utf8(property->text);
    }
}

void AddHardwareIds(json::Value& entry, const CapturedDevice& device) {
    if (device.hardwareIds) {
        entry["hardwareIds"] = json::TextList(device.hardwareIds->ids);
    }
}

std::string InterfaceClassName(const win::Guid& interfaceClass) {
    return interfaceClass == win::kGuidDevinterfaceDisk ? "disk" : "storageport";
}

}  // namespace

std::u16string NodeInstanceId(const CapturedDevice& device) {
    if (device.instanceId) {
        return device.instanceId->text;
    }
    return u"CAPTURE\\UNREADABLE\\" + platform::ToU16(platform::HexUpper(device.devInst));
}

std::string NodeName(const CapturedDevice& device) {
    return platform::EncodeUtf8(NodeInstanceId(device));
}

json::Value PlainDeviceJson(const CapturedDevice& device) {
    json::Value entry = {{"instanceId", json::Utf8(NodeInstanceId(device))}};
    AddText(entry, "parentId", device.parentId);
    AddHardwareIds(entry, device);
    AddText(entry, "driverDesc", device.driverDesc);
    AddText(entry, "location", device.location);
    if (!device.interfaces.empty()) {
        json::Value& interfaces = entry["interfaces"] = json::Value::array();
        for (const CapturedInterface& i : device.interfaces) {
            interfaces.push_back(
                {{"class", InterfaceClassName(i.interfaceClass)}, {"path", json::Utf8(i.path)}});
        }
    }
    return entry;
}

void AddDiskNodeFields(json::Value& entry, const CapturedDevice& device, Notes& notes) {
    AddText(entry, "instanceId", device.instanceId);
    AddText(entry, "parentId", device.parentId);
    AddHardwareIds(entry, device);
    const std::vector<std::u16string> disks = device.Paths(win::kGuidDevinterfaceDisk);
    if (!disks.empty()) {
        entry["interfacePath"] = json::Utf8(disks.front());
    }
    AddText(entry, "location", device.location);

    const std::string name = NodeName(device);
    if (!device.hardwareIds) {
        notes.push_back(name + " has no hardware IDs; fwsim derives them");
    }
    if (!device.driverDesc || device.driverDesc->text != kDiskDriverDesc) {
        // Built piece by piece: GCC 12 at -O3 misreads a chain of string temporaries here as
        // an overlapping copy (-Wrestrict).
        std::string note = name;
        note += " has the driver description ";
        if (device.driverDesc) {
            note += '"';
            note += platform::EncodeUtf8(device.driverDesc->text);
            note += '"';
        } else {
            note += "(none)";
        }
        note += "; fwsim's disks have \"Disk drive\"";
        notes.push_back(std::move(note));
    }
    if (disks.size() != 1 || device.interfaces.size() != 1) {
        notes.push_back(name + " has " + std::to_string(device.interfaces.size()) +
                        " interfaces; fwsim's disk has its one disk interface");
    }
}

void AddPropertyTypes(const CapturedDevice& device, json::Value& entries) {
    const std::string id = json::Utf8(NodeInstanceId(device));
    auto add = [&](std::string_view property, win::Dword type) {
        entries.push_back({{"instanceId", id}, {"property", property}, {"type", json::Hex(type)}});
    };
    const std::pair<std::string_view, const std::optional<platform::DeviceProperty>*> texts[] = {
        {"instanceId", &device.instanceId},
        {"parentId", &device.parentId},
        {"driverDesc", &device.driverDesc},
        {"location", &device.location}};
    for (const auto& [property, value] : texts) {
        if (*value && (*value)->type != win::kDevpropTypeString) {
            add(property, (*value)->type);
        }
    }
    if (device.hardwareIds && device.hardwareIds->type != win::kRegMultiSz) {
        add("hardwareIds", device.hardwareIds->type);
    }
}

}  // namespace inspect
