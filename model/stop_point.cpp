#include "model/stop_point.h"

#include "platform/text.h"

namespace model {

namespace {

std::string StageText(const StopPoint& stop) {
    switch (stop.Stage) {
        case StopStage::NotStarted:
            return "not started";
        case StopStage::SlotChoice:
            return "slot choice";
        case StopStage::Open:
            return "open";
        case StopStage::Identify:
            return "identify";
        case StopStage::RaidQuery:
            return "RAID query";
        case StopStage::GetInfo:
            return "get-info";
        case StopStage::Download:
            return "piece " + platform::DecimalText(static_cast<std::int32_t>(stop.Piece)) +
                   " of " + platform::DecimalText(static_cast<std::int32_t>(stop.PieceCount));
        case StopStage::Activation:
            return "activation";
        case StopStage::Done:
            return "done";
    }
    return "?";
}

}  // namespace

std::string Describe(const StopPoint& stop) {
    std::string text = StageText(stop);
    if (stop.SystemError != 0) {
        text += ", system error 0x" + platform::HexLower(stop.SystemError);
    } else if (stop.ReturnCode != 0) {
        text += ", ReturnCode 0x" + platform::HexLower(stop.ReturnCode);
    }
    return text;
}

StopPoint StoppedAt(StopStage stage, win::Dword systemError, std::uint32_t returnCode) {
    StopPoint stop;
    stop.Stage = stage;
    stop.SystemError = systemError;
    stop.ReturnCode = returnCode;
    return stop;
}

}  // namespace model
