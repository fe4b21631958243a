#include "station/model/station_texts.h"

namespace vexla::station {

namespace {

constexpr StationTexts kChinese = {
    "检测站",
    "已脱离",
    "OK",
    "NOK",
    "缺失",
    "超差",
    "测量",
    "零件号",
    "批次",
    "操作员",
    "件数",
    "不合格",
    "合格率",
    "标准件归零",
    "请放入标准件。把所有选定的位移归零吗?",
    "标准件校零已到期",
    "从未用标准件校零",
    "班次报告",
    "驱动窗口",
    "设置",
    "新班次",
    "控制图",
    "Ppk (最差在前)",
    "无公差",
    "基线 %d/%d",
    "受控",
    "失控",
    "记录写入失败",
    "无法加载驱动程序",
    "无法读取公差文件",
};

constexpr StationTexts kEnglish = {
    "Inspection station",
    "no signal",
    "OK",
    "NOK",
    "missing",
    "outside",
    "Capture",
    "Part ID",
    "Batch",
    "Operator",
    "Parts",
    "NOK",
    "Yield",
    "Zero on master",
    "Place the master part. Zero every chosen displacement?",
    "Mastering is due",
    "Never mastered",
    "Shift report",
    "Driver window",
    "Setup",
    "New shift",
    "Control chart",
    "Ppk (worst first)",
    "no limits",
    "baseline %d/%d",
    "in control",
    "out of control",
    "The records cannot be written",
    "The driver library cannot be loaded",
    "The limits file cannot be read",
};

}  // namespace

const StationTexts& TextsFor(Language language) {
    return language == Language::English ? kEnglish : kChinese;
}

}  // namespace vexla::station
