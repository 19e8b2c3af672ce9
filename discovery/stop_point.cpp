#include "discovery/stop_point.h"

#include "platform/text.h"

namespace discovery {

namespace {

std::string StageText(const StopPoint& stop) {
    switch (stop.stage) {
        case StopPoint::Stage::NotStarted:
            return "not started";
        case StopPoint::Stage::Open:
            return "open";
        case StopPoint::Stage::Identify:
            return "identify";
        case StopPoint::Stage::RaidQuery:
            return "RAID query";
        case StopPoint::Stage::GetInfo:
            return "get-info";
        case StopPoint::Stage::Download:
            return "piece " + platform::DecimalText(static_cast<std::int32_t>(stop.piece)) +
                   " of " + platform::DecimalText(static_cast<std::int32_t>(stop.pieceCount));
        case StopPoint::Stage::Activation:
            return "activation";
        case StopPoint::Stage::Done:
            return "done";
    }
    return "?";
}

}  // namespace

std::string Describe(const StopPoint& stop) {
    std::string text = StageText(stop);
    if (stop.systemError != 0) {
        text += ", system error 0x" + platform::HexLower(stop.systemError);
    } else if (stop.returnCode != 0) {
        text += ", ReturnCode 0x" + platform::HexLower(stop.returnCode);
    }
    return text;
}

StopPoint StoppedAt(StopPoint::Stage stage, win::Dword systemError, std::uint32_t returnCode) {
    StopPoint stop;
    stop.stage = stage;
    stop.systemError = systemError;
    stop.returnCode = returnCode;
    return stop;
}

}  // namespace discovery
