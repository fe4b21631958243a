#pragma once
// The check both platforms' open-failure tables make: OpenPort raises the
// expected failure with its fixed text.

#include <gtest/gtest.h>

#include "comm.h"

namespace vexla::testing {

inline void ExpectOpenFails(TComm& comm, TCommsFailure failure) {
    try {
        comm.OpenPort();
        ADD_FAILURE() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.Failure(), failure);
        EXPECT_STREQ(e.what(), CommsFailureText(failure));
    }
}

}  // namespace vexla::testing
