#include "channels/config_file.h"

#include <filesystem>
#include <vector>

#include "channels/gbk_text.h"
#include "channels/ini_profile.h"

namespace vexla {

namespace {

constexpr GbkText kHardware{"硬件类型"};
constexpr GbkText kComms{"通讯设置"};
constexpr GbkText kUser{"用户参数"};
constexpr GbkText kNotes{"参数说明"};
constexpr GbkText kReferences{"参考零点"};

constexpr GbkText kDataFormat{"数据格式"};
constexpr GbkText kPortNumber{"串口编号"};
constexpr GbkText kBaudRate{"波特率"};
constexpr GbkText kShowCtrlWindow{"显示DLL小窗口"};
constexpr GbkText kFilterDepth{"数据过滤深度"};
constexpr GbkText kResetOnConnect{"连接时重置硬件"};
constexpr GbkText kTimesTenRange{"数值×10"};
constexpr GbkText kInvertRange{"位移计算取反"};
constexpr GbkText kThreeDecimals{"三位小数"};
constexpr GbkText kChannelPrefix{"通道"};

// For a person editing the file by hand; written with every full write,
// spaces exactly as they stand.
constexpr GbkText kNoteDataFormat{
    "取值范围： 0～4              0：简易格式   1：保留   2：PC呼叫的通用格式 3：硬件呼叫的通用格式 4：无线格式"};
constexpr GbkText kNotePortNumber{"取值范围： 1～16             0=接受上位程序控制 "};
constexpr GbkText kNoteBaudRate{"取值范围： 按硬件说明取 9600、19200、38400、57600或11520"};
constexpr GbkText kNoteShowCtrlWindow{"0：不显示DLL小窗口  1：显示DLL小窗口"};
constexpr GbkText kNoteFilterDepth{"取值范围： 1～40，表示取1～40个数据的平均值"};
constexpr GbkText kNoteResetOnConnect{"取值范围： 0～1，0：不主动重置硬件   1：DLL初始化时尝试重置硬件"};
constexpr GbkText kNoteReferences{"取值范围：每当重置位移时，自动填写"};

// 通道00 .. 通道31.
std::string ReferenceKey(std::size_t channel) {
    std::string key(kChannelPrefix.view());
    key += static_cast<char>('0' + channel / 10);
    key += static_cast<char>('0' + channel % 10);
    return key;
}

std::vector<ini::Entry> ReferenceEntries(const ReferencePoints& references, std::vector<std::string>& keys) {
    std::vector<ini::Entry> entries;
    for (std::size_t i = 0; i < kChannels; ++i)
        entries.push_back({kReferences, keys[i], std::to_string(references[i])});
    return entries;
}

std::vector<std::string> ReferenceKeys() {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < kChannels; ++i) keys.push_back(ReferenceKey(i));
    return keys;
}

uint8_t LowByte(int32_t v) {
    return static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFF);
}

}  // namespace

DriverSettings DefaultSettings() {
    DriverSettings s;
    s.DataFormat = 2;
    s.PortNumber = 1;
    s.BaudRate = 19200;
    s.ShowCtrlWindow = 1;
    s.FilterDepth = 10;
    s.ResetOnConnect = 0;
    s.TimesTenRange = 0;
    s.InvertRange = 0;
    s.ThreeDecimals = 0;
    s.SegmentNumber = 0;
    return s;
}

std::string ConfigFileName(uint8_t segment) {
    std::string name = "Vexla配置";
    name += static_cast<char>('0' + segment / 100);
    name += static_cast<char>('0' + segment / 10 % 10);
    name += static_cast<char>('0' + segment % 10);
    return name + ".txt";
}

void ReadConfigText(std::string_view bytes, DriverSettings& settings, ReferencePoints& references) {
    const ini::Profile p(bytes);
    const DriverSettings d = DefaultSettings();
    settings.DataFormat = LowByte(p.ReadInt(kHardware, kDataFormat, d.DataFormat));
    settings.PortNumber = p.ReadInt(kComms, kPortNumber, d.PortNumber);
    settings.BaudRate = p.ReadInt(kComms, kBaudRate, d.BaudRate);
    settings.ShowCtrlWindow = p.ReadInt(kUser, kShowCtrlWindow, d.ShowCtrlWindow) != 0 ? 1 : 0;
    settings.FilterDepth = LowByte(p.ReadInt(kUser, kFilterDepth, d.FilterDepth));
    settings.ResetOnConnect = LowByte(p.ReadInt(kUser, kResetOnConnect, d.ResetOnConnect));
    settings.TimesTenRange = LowByte(p.ReadInt(kUser, kTimesTenRange, d.TimesTenRange));
    settings.InvertRange = LowByte(p.ReadInt(kUser, kInvertRange, d.InvertRange));
    settings.ThreeDecimals = LowByte(p.ReadInt(kUser, kThreeDecimals, d.ThreeDecimals));
    for (std::size_t i = 0; i < kChannels; ++i) references[i] = p.ReadInt(kReferences, ReferenceKey(i), 0);
}

std::string WriteConfigText(std::string_view existing, const DriverSettings& s, const ReferencePoints& references) {
    const auto n = [](auto v) { return std::to_string(v); };  // bytes as unsigned values
    std::vector<ini::Entry> entries = {
        {kHardware, kDataFormat, n(s.DataFormat)},
        {kComms, kPortNumber, n(s.PortNumber)},
        {kComms, kBaudRate, n(s.BaudRate)},
        // Always 0: the window shows on a segment's first run only, until the
        // user sets the key by hand.
        {kUser, kShowCtrlWindow, "0"},
        {kUser, kFilterDepth, n(s.FilterDepth)},
        {kUser, kResetOnConnect, n(s.ResetOnConnect)},
        {kUser, kTimesTenRange, n(s.TimesTenRange)},
        {kUser, kInvertRange, n(s.InvertRange)},
        {kUser, kThreeDecimals, n(s.ThreeDecimals)},
        {kNotes, kDataFormat, std::string(kNoteDataFormat.view())},
        {kNotes, kPortNumber, std::string(kNotePortNumber.view())},
        {kNotes, kBaudRate, std::string(kNoteBaudRate.view())},
        {kNotes, kShowCtrlWindow, std::string(kNoteShowCtrlWindow.view())},
        {kNotes, kFilterDepth, std::string(kNoteFilterDepth.view())},
        {kNotes, kResetOnConnect, std::string(kNoteResetOnConnect.view())},
        {kNotes, kReferences, std::string(kNoteReferences.view())},
    };
    std::vector<std::string> keys = ReferenceKeys();
    const std::vector<ini::Entry> refs = ReferenceEntries(references, keys);
    entries.insert(entries.end(), refs.begin(), refs.end());
    return ini::Profile(existing).WithValues(entries);
}

std::string WriteReferencesText(std::string_view existing, const ReferencePoints& references) {
    std::vector<std::string> keys = ReferenceKeys();
    return ini::Profile(existing).WithValues(ReferenceEntries(references, keys));
}

std::string ConfigMessage(const ConfigResult& result) {
    switch (result.status) {
        case ConfigResult::FolderFailed:
            return "没能成功创建目录：\r\n" + result.path;
        case ConfigResult::WriteFailed:
            return "Unable to write to " + result.path;
        case ConfigResult::Ok:
        case ConfigResult::ReadFailed:
            break;
    }
    return {};
}

std::string ConfigTraceText(const ConfigResult& result) {
    std::string text =
        result.status == ConfigResult::ReadFailed ? "Unable to read " + result.path : ConfigMessage(result);
    if (result.error) {
        text += " (OS error ";
        text += std::to_string(result.error.value());
        text += ": ";
        text += result.error.message();
        text += ')';
    }
    return text;
}

ConfigFile::ConfigFile(ConfigFileSystem& fs, std::string folder) : fs_(fs), folder_(std::move(folder)) {}

std::string ConfigFile::FilePath() const {
    return folder_ + static_cast<char>(std::filesystem::path::preferred_separator) + ConfigFileName(segment_);
}

std::error_code ConfigFile::EnsureFolder() {
    if (folder_.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);  // no home for it
    if (fs_.FolderExists(folder_)) return {};
    return fs_.CreateFolder(folder_);
}

ConfigResult ConfigFile::Replace(std::string_view bytes) {
    const std::string path = FilePath();
    const std::error_code error = fs_.ReplaceContents(path, bytes);
    if (!error) return {};
    return {ConfigResult::WriteFailed, path, error};
}

ConfigResult ConfigFile::Load(DriverSettings& settings, ReferencePoints& references) {
    const uint8_t segment = settings.SegmentNumber;
    settings = DefaultSettings();
    settings.SegmentNumber = segment;
    references.fill(0);
    if (const std::error_code error = EnsureFolder()) return {ConfigResult::FolderFailed, folder_, error};

    const FileRead file = fs_.ReadContents(FilePath());
    switch (file.status) {
        case FileRead::Ok:
            ReadConfigText(file.bytes, settings, references);
            return {};
        case FileRead::Missing:
            return Replace(WriteConfigText({}, settings, references));
        case FileRead::Failed:
            break;  // replacing it would lose what we could not read
    }
    return {ConfigResult::ReadFailed, FilePath(), file.error};
}

ConfigResult ConfigFile::Save(const DriverSettings& settings, const ReferencePoints& references) {
    if (const std::error_code error = EnsureFolder()) return {ConfigResult::FolderFailed, folder_, error};
    const FileRead file = fs_.ReadContents(FilePath());
    if (file.status == FileRead::Failed) return {ConfigResult::WriteFailed, FilePath(), file.error};
    return Replace(WriteConfigText(file.bytes, settings, references));
}

ConfigResult ConfigFile::SaveReferences(DriverSettings& settings, const ReferencePoints& references) {
    if (const std::error_code error = EnsureFolder()) return {ConfigResult::FolderFailed, folder_, error};
    const FileRead file = fs_.ReadContents(FilePath());
    switch (file.status) {
        case FileRead::Ok:
            return Replace(WriteReferencesText(file.bytes, references));
        case FileRead::Missing: {
            // The file vanished while connected: start again from the
            // defaults, but in the format that captures references itself.
            const uint8_t segment = settings.SegmentNumber;
            settings = DefaultSettings();
            settings.DataFormat = 3;
            settings.SegmentNumber = segment;
            return Replace(WriteConfigText({}, settings, references));
        }
        case FileRead::Failed:
            break;
    }
    return {ConfigResult::WriteFailed, FilePath(), file.error};
}

}  // namespace vexla
