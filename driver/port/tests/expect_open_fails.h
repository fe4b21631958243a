#pragma once
// The check both platforms' open-failure tables make: OpenPort raises the
// expected failure with its fixed text, and the system's error code when
// `error` is not -1 (errno, or GetLastError on Windows; 0: none).

#include <gtest/gtest.h>

#include <system_error>

#include "comm.h"

namespace vexla::testing {

inline void ExpectOpenFails(TComm& comm, TCommsFailure failure, int error) {
    try {
        comm.OpenPort();
        ADD_FAILURE() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.Failure(), failure);
        EXPECT_STREQ(e.what(), CommsFailureText(failure));
        if (error == -1) return;
        EXPECT_EQ(e.Code().value(), error) << e.Code().message();
        if (error == 0) return;
#if defined(_WIN32)
        const std::error_category& category = std::system_category();
#else
        const std::error_category& category = std::generic_category();
#endif
        // errno and GetLastError each keep their own category, so the message is the system's own.
        EXPECT_EQ(e.Code().category(), category);
    }
}

}  // namespace vexla::testing
