#pragma once
// The fixed Chinese texts of the configuration file are GBK on disk. They are
// written here in UTF-8 and converted while compiling, so nothing depends on
// the process locale and a character missing from the table below stops the
// build instead of corrupting the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vexla {

namespace gbk_detail {

struct Mapping {
    char32_t codePoint;
    uint16_t gbk;
};

// Exactly the characters the file's sections, keys and explanations use,
// sorted by code point.
inline constexpr Mapping kTable[] = {
    {0x00D7, 0xA1C1},  // ×
    {0x3001, 0xA1A2},  // 、
    {0x4E09, 0xC8FD},  // 三
    {0x4E0A, 0xC9CF},  // 上
    {0x4E0D, 0xB2BB},  // 不
    {0x4E2A, 0xB8F6},  // 个
    {0x4E32, 0xB4AE},  // 串
    {0x4E3B, 0xD6F7},  // 主
    {0x4EF6, 0xBCFE},  // 件
    {0x4F4D, 0xCEBB},  // 位
    {0x4FDD, 0xB1A3},  // 保
    {0x503C, 0xD6B5},  // 值
    {0x5199, 0xD0B4},  // 写
    {0x521D, 0xB3F5},  // 初
    {0x5236, 0xD6C6},  // 制
    {0x52A8, 0xB6AF},  // 动
    {0x5316, 0xBBAF},  // 化
    {0x53C2, 0xB2CE},  // 参
    {0x53CD, 0xB7B4},  // 反
    {0x53D6, 0xC8A1},  // 取
    {0x53D7, 0xCADC},  // 受
    {0x53E3, 0xBFDA},  // 口
    {0x53EB, 0xBDD0},  // 叫
    {0x53F7, 0xBAC5},  // 号
    {0x547C, 0xBAF4},  // 呼
    {0x56F4, 0xCEA7},  // 围
    {0x5747, 0xBEF9},  // 均
    {0x578B, 0xD0CD},  // 型
    {0x586B, 0xCCEE},  // 填
    {0x59CB, 0xCABC},  // 始
    {0x5C0F, 0xD0A1},  // 小
    {0x5C1D, 0xB3A2},  // 尝
    {0x5E73, 0xC6BD},  // 平
    {0x5E8F, 0xD0F2},  // 序
    {0x5EA6, 0xB6C8},  // 度
    {0x5F0F, 0xCABD},  // 式
    {0x5F53, 0xB5B1},  // 当
    {0x6216, 0xBBF2},  // 或
    {0x6237, 0xBBA7},  // 户
    {0x6309, 0xB0B4},  // 按
    {0x636E, 0xBEDD},  // 据
    {0x63A5, 0xBDD3},  // 接
    {0x63A7, 0xBFD8},  // 控
    {0x6570, 0xCAFD},  // 数
    {0x65E0, 0xCEDE},  // 无
    {0x65F6, 0xCAB1},  // 时
    {0x660E, 0xC3F7},  // 明
    {0x6613, 0xD2D7},  // 易
    {0x663E, 0xCFD4},  // 显
    {0x683C, 0xB8F1},  // 格
    {0x6BCF, 0xC3BF},  // 每
    {0x6CE2, 0xB2A8},  // 波
    {0x6DF1, 0xC9EE},  // 深
    {0x6EE4, 0xC2CB},  // 滤
    {0x70B9, 0xB5E3},  // 点
    {0x7279, 0xCCD8},  // 特
    {0x7387, 0xC2CA},  // 率
    {0x7528, 0xD3C3},  // 用
    {0x7559, 0xC1F4},  // 留
    {0x7684, 0xB5C4},  // 的
    {0x786C, 0xD3B2},  // 硬
    {0x793A, 0xCABE},  // 示
    {0x79FB, 0xD2C6},  // 移
    {0x7A0B, 0xB3CC},  // 程
    {0x7A97, 0xB4B0},  // 窗
    {0x7B80, 0xBCF2},  // 简
    {0x7B97, 0xCBE3},  // 算
    {0x7C7B, 0xC0E0},  // 类
    {0x7EBF, 0xCFDF},  // 线
    {0x7F16, 0xB1E0},  // 编
    {0x7F6E, 0xD6C3},  // 置
    {0x8003, 0xBFBC},  // 考
    {0x81EA, 0xD7D4},  // 自
    {0x8303, 0xB7B6},  // 范
    {0x8868, 0xB1ED},  // 表
    {0x8BA1, 0xBCC6},  // 计
    {0x8BAF, 0xD1B6},  // 讯
    {0x8BBE, 0xC9E8},  // 设
    {0x8BD5, 0xCAD4},  // 试
    {0x8BF4, 0xCBB5},  // 说
    {0x8FC7, 0xB9FD},  // 过
    {0x8FDE, 0xC1AC},  // 连
    {0x901A, 0xCDA8},  // 通
    {0x9053, 0xB5C0},  // 道
    {0x91CD, 0xD6D8},  // 重
    {0x96F6, 0xC1E3},  // 零
    {0xFF0C, 0xA3AC},  // ，
    {0xFF1A, 0xA3BA},  // ：
    {0xFF5E, 0xA1AB},  // ～
};

// Not constexpr on purpose: reaching it during constant evaluation fails
// the build.
inline void CharacterMissingFromTable() {}

constexpr uint16_t Lookup(char32_t c) {
    for (const Mapping& m : kTable)
        if (m.codePoint == c) return m.gbk;
    CharacterMissingFromTable();
    return 0;
}

}  // namespace gbk_detail

// A UTF-8 literal held as GBK bytes; GBK never needs more bytes than UTF-8
// for these characters, so N bounds the result.
template <std::size_t N>
struct GbkText {
    std::array<char, N> bytes{};
    std::size_t size = 0;

    constexpr GbkText(const char (&utf8)[N]) {
        std::size_t i = 0;
        while (i + 1 < N) {  // N counts the terminating NUL
            const auto b = static_cast<unsigned char>(utf8[i]);
            if (b < 0x80) {
                bytes[size++] = static_cast<char>(b);
                ++i;
                continue;
            }
            char32_t c = 0;
            std::size_t length = 0;
            if ((b & 0xE0) == 0xC0) {
                c = b & 0x1F;
                length = 2;
            } else if ((b & 0xF0) == 0xE0) {
                c = b & 0x0F;
                length = 3;
            } else {
                gbk_detail::CharacterMissingFromTable();  // no four-byte characters are used
            }
            for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            const uint16_t g = gbk_detail::Lookup(c);
            bytes[size++] = static_cast<char>(g >> 8);
            bytes[size++] = static_cast<char>(g & 0xFF);
            i += length;
        }
    }

    constexpr std::string_view view() const { return {bytes.data(), size}; }
    constexpr operator std::string_view() const { return view(); }
};

}  // namespace vexla
