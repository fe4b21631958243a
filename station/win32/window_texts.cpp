#include "window_texts.h"

namespace vexla::station {
namespace {

constexpr WindowTexts kChinese{
    .setupTitle = "检测站设置",
    .segment = "网段",
    .channels = "通道",
    .names = "名称\n(每行: 通道 = 名称)",
    .thousandths = "0.001 mm 通道",
    .limitsFile = "公差文件",
    .browse = "浏览…",
    .warning = "预警 (%)",
    .captureKey = "采集键",
    .scanThenCapture = "扫码后立即采集",
    .masterInterval = "校零间隔 (小时)",
    .recordsFolder = "记录文件夹",
    .language = "语言",
    .okButton = "确定",
    .cancelButton = "取消",
    .limitsFilter = "公差文件",
    .chooseFolder = "选择记录文件夹",
    .badSegment = "网段须为 0 到 255 的整数。",
    .badChannels = "通道须如 1-8,12，编号 1 到 32。",
    .badThousandths = "0.001 mm 通道须如 5,6，可空。",
    .badWarning = "预警须为 0 到 100 的数。",
    .badCaptureKey = "采集键须为 F1–F24、字母、数字、Pause、Insert、Home、End、PageUp、PageDown 或 ScrollLock。",
    .badInterval = "校零间隔须为 0 或正数 (小时)。",
    .badName = "名称第 %d 行须为 \"通道 = 名称\"，通道 1 到 32。",
    .saveFailed = "设置未能保存",
    .problemsTitle = "检测站设置有误",
    .startFailed = "驱动未能启动",
    .reportFailed = "报告未能生成",
    .masterFailed = "校零未能完成",
    .shiftFailed = "新班次未能保存",
    .lastMaster = "上次: %s",
    .characteristic = "特性",
    .count = "件数",
    .noPpk = "—",
    .noCapture = "无驱动，不能采集。",
    .recordsTo = "记录: %s",
    .waiting = "%zu 件待写入记录",
    .publishUp = "MQTT 已连接",
    .publishDown = "MQTT 未连接, %zu 件待发送",
    .part = "第 %llu 件",
    .pressToCapture = "放入零件，踩踏板或按回车",
};

constexpr WindowTexts kEnglish{
    .setupTitle = "Station setup",
    .segment = "Segment",
    .channels = "Channels",
    .names = "Names\n(channel = name, one a line)",
    .thousandths = "0.001 mm channels",
    .limitsFile = "Limits file",
    .browse = "Browse…",
    .warning = "Warning (%)",
    .captureKey = "Capture key",
    .scanThenCapture = "Capture on scan",
    .masterInterval = "Master every (h)",
    .recordsFolder = "Records folder",
    .language = "Language",
    .okButton = "OK",
    .cancelButton = "Cancel",
    .limitsFilter = "Limits files",
    .chooseFolder = "Choose the records folder",
    .badSegment = "The segment is a whole number from 0 to 255.",
    .badChannels = "Channels are written like 1-8,12, numbered 1 to 32.",
    .badThousandths = "The 0.001 mm channels are written like 5,6, or left empty.",
    .badWarning = "The warning is a number from 0 to 100.",
    .badCaptureKey =
        "The capture key is F1-F24, a letter, a digit, Pause, Insert, Home, End, PageUp, PageDown or "
        "ScrollLock.",
    .badInterval = "The master interval is 0 or more hours.",
    .badName = "Names, line %d: write \"channel = name\", channel 1 to 32.",
    .saveFailed = "The settings were not saved",
    .problemsTitle = "The station's settings have faults",
    .startFailed = "The driver did not start",
    .reportFailed = "No report was made",
    .masterFailed = "The master was not zeroed",
    .shiftFailed = "The new shift was not saved",
    .lastMaster = "last: %s",
    .characteristic = "Characteristic",
    .count = "Parts",
    .noPpk = "-",
    .noCapture = "No driver: nothing can be captured.",
    .recordsTo = "Records: %s",
    .waiting = "%zu parts wait for the records",
    .publishUp = "MQTT connected",
    .publishDown = "MQTT not connected, %zu parts wait for the broker",
    .part = "Part %llu",
    .pressToCapture = "Put a part in, press the pedal or Enter",
};

}  // namespace

const WindowTexts& WindowTextsFor(Language language) {
    return language == Language::English ? kEnglish : kChinese;
}

}  // namespace vexla::station
