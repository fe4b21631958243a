// The library as a host sees it: loaded by file name, functions bound by
// name, arguments passed in 32-bit slots with garbage in their upper bytes.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "host/driver_library.h"

namespace vexla {
namespace {

class LibraryExports : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { library = new host::DriverLibrary(VEXLA_LIBRARY_FILE); }
    static void TearDownTestSuite() {
        delete library;
        library = nullptr;
    }
    void SetUp() override {
        const Status loaded = library->Load();
        ASSERT_TRUE(loaded) << loaded.Failure().Text();
    }

    template <typename Function>
    Function* Bind(const char* name) {
        const Result<void*> f = library->Find(name);
        EXPECT_TRUE(f) << name;
        return f ? reinterpret_cast<Function*>(*f) : nullptr;
    }
    static host::DriverLibrary* library;
};

host::DriverLibrary* LibraryExports::library = nullptr;

TEST_F(LibraryExports, EveryDataFunctionIsBoundByItsName) {
    for (const char* name : {"GotSerialData32", "GotSerialData", "GetReFlashRate32", "GetReFlashRate", "SetFilter",
                             "SetDataZero", "SetDataZeroCh", "StartPoint", "EnableCtrls", "Long2String"})
        EXPECT_TRUE(library->Find(name)) << name;
    EXPECT_FALSE(library->Find("TakeResult")) << "internals stay hidden";
    EXPECT_FALSE(library->Find("_ZN5vexla6Driver10TakeResultEv")) << "internals stay hidden";
}

TEST_F(LibraryExports, OnlyTheLowBitsOfEachArgumentAreRead) {
    auto* long2String = Bind<decltype(::Long2String)>("Long2String");
    auto* setFilter = Bind<decltype(::SetFilter)>("SetFilter");
    ASSERT_TRUE(long2String && setFilter);

    char text[16];
    std::memset(text, '#', sizeof text);
    long2String(12345, 0xABCDEF03u, text, 0x7777770Du);
    EXPECT_EQ(std::string(text, 13), std::string("      12.345\0", 13));
    EXPECT_EQ(text[13], '#');

    EXPECT_EQ(setFilter(0xFFFFFF05u), 5);
    EXPECT_EQ(setFilter(0x00000100u), 5) << "low byte 0 leaves the depth alone";
    EXPECT_EQ(setFilter(0x12345628u), 40);
    EXPECT_EQ(setFilter(10), 10);
}

TEST_F(LibraryExports, ResultCallsFillUnalignedHostBuffersWithTheEmptyResult) {
    auto* data32 = Bind<decltype(::GotSerialData32)>("GotSerialData32");
    auto* data8 = Bind<decltype(::GotSerialData)>("GotSerialData");
    auto* rates32 = Bind<decltype(::GetReFlashRate32)>("GetReFlashRate32");
    auto* rates8 = Bind<decltype(::GetReFlashRate)>("GetReFlashRate");
    ASSERT_TRUE(data32 && data8 && rates32 && rates8);

    // One byte off alignment, guard bytes on both sides.
    std::array<unsigned char, 330> raw;
    raw.fill(0xCC);
    data32(reinterpret_cast<VexlaRecord32*>(raw.data() + 1));
    EXPECT_EQ(raw[0], 0xCC);
    for (std::size_t i = 1; i <= 324; ++i) ASSERT_EQ(raw[i], 0) << "byte " << i - 1;
    EXPECT_EQ(raw[325], 0xCC);

    raw.fill(0xCC);
    data8(reinterpret_cast<VexlaRecord8*>(raw.data() + 3));
    for (std::size_t i = 3; i < 3 + 84; ++i) ASSERT_EQ(raw[i], 0) << "byte " << i - 3;
    EXPECT_EQ(raw[3 + 84], 0xCC);

    // No link: every rate is -1.
    raw.fill(0xCC);
    rates32(reinterpret_cast<int32_t*>(raw.data() + 1));
    for (std::size_t i = 1; i <= 128; ++i) ASSERT_EQ(raw[i], 0xFF);
    EXPECT_EQ(raw[129], 0xCC);
    raw.fill(0xCC);
    rates8(reinterpret_cast<int32_t*>(raw.data() + 1));
    for (std::size_t i = 1; i <= 32; ++i) ASSERT_EQ(raw[i], 0xFF);
    EXPECT_EQ(raw[33], 0xCC);
}

TEST_F(LibraryExports, OddArgumentsAreSurvived) {
    auto* data32 = Bind<decltype(::GotSerialData32)>("GotSerialData32");
    auto* data8 = Bind<decltype(::GotSerialData)>("GotSerialData");
    auto* rates32 = Bind<decltype(::GetReFlashRate32)>("GetReFlashRate32");
    auto* long2String = Bind<decltype(::Long2String)>("Long2String");
    auto* zeroCh = Bind<decltype(::SetDataZeroCh)>("SetDataZeroCh");
    auto* zero = Bind<decltype(::SetDataZero)>("SetDataZero");
    auto* startPoint = Bind<decltype(::StartPoint)>("StartPoint");
    auto* enable = Bind<decltype(::EnableCtrls)>("EnableCtrls");
    ASSERT_TRUE(data32 && data8 && rates32 && long2String && zeroCh && zero && startPoint && enable);
    data32(nullptr);
    data8(nullptr);
    rates32(nullptr);
    long2String(INT32_MIN, 0xFFFFFFFFu, nullptr, 0xFFFFFFFFu);
    zeroCh(0xFFFFFFFFu);
    zeroCh(31);
    zero();
    startPoint(-1);
    enable(0xFFFFFF00u, 1, 0x100u);
    SUCCEED();
}

}  // namespace
}  // namespace vexla
