#include "inspect/capture.h"

#include <cstdio>

#include "inspect/json_text.h"
#include "platform/text.h"

namespace inspect {

namespace {

using json::Value;

std::string HexNumber(std::uint32_t value) {
    return "0x" + platform::HexUpper(value);
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, as Windows writes a GUID.
std::string GuidText(const win::Guid& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.data1, guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2],
                  guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

std::string BytesText(const std::vector<std::uint8_t>& bytes) {
    std::size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == 0) {
        --end;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(end * 2);
    for (std::size_t i = 0; i < end; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

// DD-MM-YYYY HH:MM:SS, as fwsim's clock takes it.
std::string StampText(const platform::LocalTime& t) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d:%02d", t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second);
    return stamp;
}

Value TextList(const std::vector<std::u16string>& texts) {
    Value list = Value::array();
    for (const std::u16string& text : texts) {
        list.push_back(json::Utf8(text));
    }
    return list;
}

Value DeviceJson(std::uint32_t index, const RecordedDevice& device) {
    Value properties = Value::object();
    for (const auto& [key, property] : device.Properties) {
        properties[GuidText(key.fmtid) + " " + std::to_string(key.pid)] =
            property
                ? Value{{"type", HexNumber(property->Type)}, {"text", json::Utf8(property->Text)}}
                : Value();
    }
    Value entry = {
        {"index", index}, {"devInst", device.DevInst}, {"properties", std::move(properties)}};
    if (device.HardwareIds) {
        entry["hardwareIds"] = *device.HardwareIds
                                   ? Value{{"type", HexNumber((*device.HardwareIds)->Type)},
                                           {"ids", TextList((*device.HardwareIds)->Ids)}}
                                   : Value();
    }
    return entry;
}

Value ListJson(const RecordedList& list) {
    Value entry = {{"class", list.InterfaceClass ? Value(GuidText(*list.InterfaceClass)) : Value()},
                   {"flags", HexNumber(list.Flags)}};
    if (list.Failed) {
        entry["failed"] = true;
        return entry;
    }
    Value devices = Value::array();
    for (const auto& [index, device] : list.Devices) {
        devices.push_back(DeviceJson(index, device));
    }
    Value interfaces = Value::array();
    for (const RecordedInterface& i : list.Interfaces) {
        Value item = {{"class", GuidText(i.InterfaceClass)}, {"index", i.Index}};
        if (i.Detail) {
            item["path"] = json::Utf8(i.Detail->DevicePath);
            item["device"] = i.Detail->Device.Index;
        }
        interfaces.push_back(std::move(item));
    }
    entry["devices"] = std::move(devices);
    entry["interfaces"] = std::move(interfaces);
    return entry;
}

Value RequestJson(const RecordedRequest& request) {
    return {{"path", json::Utf8(request.Path)},   {"controlCode", HexNumber(request.ControlCode)},
            {"inputLength", request.InputLength}, {"input", BytesText(request.Input)},
            {"size", request.Output.size()},      {"ok", request.Result.Ok},
            {"error", request.Result.Error},      {"bytesReturned", request.Result.BytesReturned},
            {"output", BytesText(request.Output)}};
}

}  // namespace

std::string CaptureText(const Recording& recording, const platform::LocalTime& taken) {
    Value lists = Value::array(), opens = Value::array(), requests = Value::array();
    for (const RecordedList& list : recording.Lists) {
        lists.push_back(ListJson(list));
    }
    for (const auto& [path, error] : recording.Opens) {
        opens.push_back({{"path", json::Utf8(path)}, {"error", error}});
    }
    for (const RecordedRequest& request : recording.Requests) {
        requests.push_back(RequestJson(request));
    }
    const std::string stamp = StampText(taken);
    return json::Dump(
        {{"comment", "What this machine answered the inspector on " + stamp +
                         ". fwsim answers the update's reads from it; downloads and activations "
                         "go to simulated drives made from the recorded Identify data and slots."},
         {"clock", {{"start", stamp}, {"step", 0}}},
         {"recorded",
          {{"lists", std::move(lists)},
           {"opens", std::move(opens)},
           {"requests", std::move(requests)}}}});
}

}  // namespace inspect
