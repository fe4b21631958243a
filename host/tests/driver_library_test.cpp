#include "host/driver_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/lazy_driver.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vexla::host {
namespace {

// A library that is there but is not the driver.
#ifdef _WIN32
constexpr char kOtherLibrary[] = "kernel32.dll";
#else
constexpr char kOtherLibrary[] = "libc.so.6";
#endif

TEST(DriverLibrary, BindsEveryExportOfTheDriverByItsName) {
    DriverLibrary library(VEXLA_LIBRARY_FILE);
    const Result<DriverFunctions> bound = library.Bind(kEveryExport);
    ASSERT_TRUE(bound) << bound.Failure().Text();
    EXPECT_NE(bound->SetNetSegment, nullptr);
    EXPECT_NE(bound->EnableCtrls, nullptr);
    char buffer[8] = {};
    BoundDriver driver(*bound);
    driver.Long2String(-5, 1, buffer, 7);
    EXPECT_STREQ(buffer, "  -0.5");
#ifdef _WIN32
    // The list's ordinals are the library's.
    const HMODULE module = GetModuleHandleA(VEXLA_LIBRARY_FILE);
    ASSERT_NE(module, nullptr);
    for (const Export e : kEveryExport) {
        const auto byOrdinal = reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ExportOrdinal(e))));
        EXPECT_EQ(byOrdinal, *library.Resolve(e)) << ExportName(e);
    }
#endif
}

TEST(DriverLibrary, AMissingLibraryOrFunctionIsNamedWithTheSystemsReason) {
    DriverLibrary absent("/nonexistent/no-such-driver-library");
    const auto noLibrary = absent.Bind(kEveryExport);
    ASSERT_FALSE(noLibrary);
    EXPECT_FALSE(absent.Loaded());
    EXPECT_EQ(noLibrary.Failure().what, "/nonexistent/no-such-driver-library");
    EXPECT_FALSE(noLibrary.Failure().reason.empty());

    DriverLibrary other(kOtherLibrary);
    const auto noFunction = other.Bind(kEveryExport);
    ASSERT_FALSE(noFunction);
    EXPECT_TRUE(other.Loaded());
    EXPECT_EQ(noFunction.Failure().what, std::string("CtrlFirmWare in ") + kOtherLibrary);
    EXPECT_FALSE(noFunction.Failure().reason.empty());
}

struct Missing {
    std::vector<std::string> what;
    std::vector<std::string> reasons;
    LazyDriver::MissingHandler Handler() {
        return [this](const std::string& w, const std::string& r) {
            what.push_back(w);
            reasons.push_back(r);
        };
    }
};

TEST(LazyDriver, BindsEachFunctionAtItsFirstCallAndKeepsIt) {
    Missing missing;
    LazyDriver driver(VEXLA_LIBRARY_FILE, missing.Handler());
    EXPECT_FALSE(driver.Library().Loaded()) << "nothing is loaded before the first call";
    char buffer[14] = {};
    driver.Long2String(-12346, 4, buffer, 13);
    EXPECT_TRUE(driver.Library().Loaded());
    EXPECT_STREQ(buffer, "     -1.2346");
    driver.Long2String(7, 0, buffer, 4);
    EXPECT_STREQ(buffer, "  7");
    EXPECT_TRUE(missing.what.empty());
}

TEST(LazyDriver, AMissingLibraryOrFunctionIsNamedAndTheCallSkipped) {
    Missing missing;
    LazyDriver absent("no-such-driver-library", missing.Handler());
    char buffer[14] = "untouched";
    absent.Long2String(1, 0, buffer, 13);
    EXPECT_STREQ(buffer, "untouched");
    ASSERT_EQ(missing.what.size(), 1u);
    EXPECT_EQ(missing.what[0], "no-such-driver-library");
    EXPECT_FALSE(missing.reasons[0].empty()) << "the system's reason goes with it";

    Missing wrong;
    LazyDriver other(kOtherLibrary, wrong.Handler());
    VexlaDataBlock32 block{};
    block.value[0] = 42;
    other.GetNewData32Ch(&block);
    EXPECT_EQ(other.SetNetSegment(2), 0) << "a skipped call returns zero";
    other.GetNewData32Ch(&block);
    EXPECT_EQ(block.value[0], 42);
    ASSERT_EQ(wrong.what.size(), 3u) << "told at each call, since nothing was bound";
    EXPECT_EQ(wrong.what[0], std::string("GetNewData32Ch in ") + kOtherLibrary);
    EXPECT_EQ(wrong.what[1], std::string("SetNetSegment in ") + kOtherLibrary);
}

}  // namespace
}  // namespace vexla::host
