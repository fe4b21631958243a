// The Windows TComm under Wine, on a COM name that wine_peer.py maps to a pty
// whose far end echoes what it gets and obeys "@peer" commands.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm.h"
#include "expect_open_fails.h"

namespace vexla::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Asks the far end to do something and waits for its "ok".
bool Peer(const std::string& command) {
    std::printf("\n@peer %s\n", command.c_str());
    std::fflush(stdout);
    char answer[64] = {};
    return std::fgets(answer, sizeof answer, stdin) && std::string(answer).rfind("ok", 0) == 0;
}

std::vector<uint8_t> EveryByteValue() {
    std::vector<uint8_t> bytes;
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

class Owner {
  public:
    Owner() {
        comm.OnReceiveData = [this](TComm&, const uint8_t* buffer, uint16_t length) {
            bytes.insert(bytes.end(), buffer, buffer + length);
            if (buffer[length] != 0) ++unterminatedBlocks;
        };
        comm.OnRequestHangup = [this](TComm&) { ++hangups; };
        comm.OnSendDataEmpty = [this](TComm&) { ++sendEmpty; };
        comm.SetCommName(Env("VEXLA_PEER_PORT"));
        // Binary data: XON and XOFF must arrive as bytes.
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
    }

    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 15s) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            comm.ProcessNotifications();
            if (done()) return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        }
    }

    TComm comm;
    std::vector<uint8_t> bytes;
    int hangups = 0;
    int sendEmpty = 0;
    int unterminatedBlocks = 0;
};

class CommWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        if (Env("VEXLA_PEER_PORT").empty()) GTEST_SKIP() << "needs the far end of wine_peer.py";
    }
};

// Under Wine a pty refuses the line-event wait; reception must not depend on it.
TEST_F(CommWin32, CarriesBytesBothWaysAndReopens) {
    Owner owner;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        owner.bytes.clear();
        owner.comm.OpenPort();
        ASSERT_TRUE(owner.comm.IsOpen());
        const std::vector<uint8_t> pattern = EveryByteValue();

        ASSERT_TRUE(Peer("send"));
        ASSERT_TRUE(owner.WaitUntil([&] { return owner.bytes.size() >= pattern.size(); }));
        EXPECT_EQ(owner.bytes, pattern);

        owner.bytes.clear();
        ASSERT_TRUE(owner.comm.QueueWrite(pattern.data(), static_cast<uint16_t>(pattern.size())));
        ASSERT_TRUE(owner.WaitUntil([&] { return owner.bytes.size() >= pattern.size(); })) << "no echo";
        EXPECT_EQ(owner.bytes, pattern);

        owner.comm.ClosePort();
        EXPECT_FALSE(owner.comm.IsOpen());
    }
    EXPECT_EQ(owner.hangups, 0);
    EXPECT_EQ(owner.unterminatedBlocks, 0);
    EXPECT_GE(owner.sendEmpty, 2);
}

TEST_F(CommWin32, OpenFailuresLeaveTheRightState) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring fileW = std::wstring(temp) + L"vexla_comm_test.bin";
    HANDLE file = CreateFileW(fileW.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    const std::string fileName(fileW.begin(), fileW.end());

    Owner first;
    first.comm.OpenPort();

    struct Case {
        const char* what;
        std::string name;
        bool sameComponent;
        TCommsFailure failure;
        bool openAfter;
    };
    const Case cases[] = {
        {"opened twice", Env("VEXLA_PEER_PORT"), true, TCommsFailure::AlreadyOpen, true},
        // A second component on the same port is refused by real serial
        // drivers; Wine does not enforce exclusive opens of a device.
        {"disk file", fileName, false, TCommsFailure::NotCommHandle, false},
        {"missing port", Env("VEXLA_PEER_MISSING"), false, TCommsFailure::OpenFailed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Owner second;
        TComm& comm = c.sameComponent ? first.comm : second.comm;
        comm.SetCommName(c.name);
        vexla::testing::ExpectOpenFails(comm, c.failure);
        EXPECT_EQ(comm.IsOpen(), c.openAfter);
    }
    // The refused disk file was closed again: it can be deleted.
    EXPECT_TRUE(DeleteFileW(fileW.c_str()));

    // The first component still works.
    first.comm.SetCommName(Env("VEXLA_PEER_PORT"));
    const uint8_t byte = 0x5A;
    ASSERT_TRUE(first.comm.QueueWrite(&byte, 1));
    ASSERT_TRUE(first.WaitUntil([&] { return !first.bytes.empty(); }));
    EXPECT_EQ(first.bytes, std::vector<uint8_t>{byte});
}

TEST_F(CommWin32, QueueWriteRefusesWhatItCannotSend) {
    Owner owner;
    const uint8_t byte = 1;
    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 1));
    owner.comm.OpenPort();
    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 0));
    owner.comm.ClosePort();
    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 1));
}

TEST_F(CommWin32, VanishedPeerRaisesOneHangupWithoutSpinning) {
    Owner owner;
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty == 1; }));
    ASSERT_TRUE(Peer("hangup"));
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.hangups > 0; }));
    const double cpuBefore = ProcessCpuSeconds();
    owner.WaitUntil([] { return false; }, 1000ms);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.5);
    // Closing must not hang on, or free under, a read that is still pending.
    owner.comm.ClosePort();
    owner.comm.ProcessNotifications();
    EXPECT_EQ(owner.hangups, 1);
}

// Every cycle closes with a read pending (Wine's PurgeComm does not abort
// it) while the far end streams, and queues a block the moment OpenPort
// returns, before the transmit thread could have run on its own.
TEST_F(CommWin32, OpenCloseCyclesWithTrafficInFlight) {
    Owner owner;
    const std::vector<uint8_t> pattern = EveryByteValue();
    for (int cycle = 0; cycle < 40; ++cycle) {
        SCOPED_TRACE(cycle);
        owner.comm.SetInputBufferLong(cycle % 2 ? 1 : 2048);
        owner.comm.OpenPort();
        ASSERT_TRUE(owner.comm.QueueWrite(pattern.data(), static_cast<uint16_t>(pattern.size())));
        owner.comm.ProcessNotifications();
        owner.comm.ClosePort();
    }
    owner.comm.ProcessNotifications();
    EXPECT_EQ(owner.hangups, 0);

    // A block queued right after opening arrives.
    owner.bytes.clear();
    owner.comm.SetInputBufferLong(1);
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.comm.QueueWrite(pattern.data(), static_cast<uint16_t>(pattern.size())));
    // Echoes of earlier cycles may come first; ours are the last bytes.
    auto endsWithPattern = [&] {
        return owner.bytes.size() >= pattern.size() &&
               std::equal(pattern.begin(), pattern.end(), owner.bytes.end() - static_cast<long>(pattern.size()));
    };
    EXPECT_TRUE(owner.WaitUntil(endsWithPattern));
    owner.comm.ClosePort();
}

}  // namespace
}  // namespace vexla::test
