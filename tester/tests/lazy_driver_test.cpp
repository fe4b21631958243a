#include "binding/lazy_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexla::tester {
namespace {

// A library that is there but is not the driver.
#ifdef _WIN32
constexpr char kOtherLibrary[] = "kernel32.dll";
#else
constexpr char kOtherLibrary[] = "libc.so.6";
#endif

struct Missing {
    std::vector<std::string> what;
    std::vector<std::string> reasons;
    LazyLibrary::MissingHandler Handler() {
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
    other.GetNewData32Ch(&block);
    EXPECT_EQ(block.value[0], 42);
    ASSERT_EQ(wrong.what.size(), 2u) << "told at each call, since nothing was bound";
    EXPECT_EQ(wrong.what[0], std::string("GetNewData32Ch in ") + kOtherLibrary);
}

}  // namespace
}  // namespace vexla::tester
