// TComm on real pty pairs: the master is the far end of the line.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "comm.h"
#include "expect_open_fails.h"
#include "line_events.h"
#include "message_queue.h"
#include "port_path.h"
#include "pty_peer.h"

namespace vexla::test {
namespace {

// Binary lines: flow-control characters must reach the owner as data.
void MakeTransparent(TComm& comm) {
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
}

int OpenFdCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(CommPosix, CarriesEveryByteValueBothWaysUnchanged) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    MakeTransparent(owner.comm);
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.comm.IsOpen());

    const std::vector<uint8_t> pattern = EveryByteValue(4);
    ASSERT_TRUE(peer.Write(pattern));
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.bytes.size() >= pattern.size(); }));
    EXPECT_EQ(owner.bytes, pattern);
    EXPECT_EQ(owner.unterminatedBlocks, 0);
    EXPECT_EQ(owner.wrongSender, 0);

    // Two blocks, to see that they are written in order.
    const std::vector<uint8_t> first(pattern.begin(), pattern.begin() + 300);
    const std::vector<uint8_t> second(pattern.begin() + 300, pattern.end());
    ASSERT_TRUE(owner.comm.QueueWrite(first.data(), static_cast<uint16_t>(first.size())));
    ASSERT_TRUE(owner.comm.QueueWrite(second.data(), static_cast<uint16_t>(second.size())));
    EXPECT_EQ(peer.Read(pattern.size()), pattern);

    owner.comm.ClosePort();
    EXPECT_FALSE(owner.comm.IsOpen());
    owner.comm.ClosePort();  // closed: nothing happens
    EXPECT_EQ(owner.hangups, 0);
}

TEST(CommPosix, QueueWriteRefusesWhatItCannotSend) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    const uint8_t byte = 0x55;

    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 1)) << "never opened";
    owner.comm.OpenPort();
    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 0)) << "length 0";
    EXPECT_TRUE(owner.comm.QueueWrite(&byte, 1));
    EXPECT_EQ(peer.Read(1), std::vector<uint8_t>{byte});
    owner.comm.ClosePort();
    EXPECT_FALSE(owner.comm.QueueWrite(&byte, 1)) << "closed again";
    EXPECT_TRUE(peer.Read(1, 200ms).empty());
}

TEST(CommPosix, SendDataEmptyOnceAfterOpenAndOnceAfterABurst) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty == 1; })) << "one after opening, nothing written";

    // The first block is larger than a pty holds, so the thread is still
    // writing it while the others are queued: one drain for the whole burst.
    std::vector<uint8_t> burst;
    const std::vector<uint8_t> big = EveryByteValue(255);
    ASSERT_TRUE(owner.comm.QueueWrite(big.data(), static_cast<uint16_t>(big.size())));
    burst.insert(burst.end(), big.begin(), big.end());
    for (int i = 0; i < 20; ++i) {
        const std::vector<uint8_t> small(100, static_cast<uint8_t>(i));
        ASSERT_TRUE(owner.comm.QueueWrite(small.data(), static_cast<uint16_t>(small.size())));
        burst.insert(burst.end(), small.begin(), small.end());
    }
    EXPECT_FALSE(owner.comm.SendQueueEmpty());
    EXPECT_EQ(peer.Read(burst.size()), burst);
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty >= 2; }));
    owner.comm.ClosePort();  // the threads have ended: every notification is queued
    owner.comm.ProcessNotifications();
    EXPECT_EQ(owner.sendEmpty, 2);
    EXPECT_TRUE(owner.comm.SendQueueEmpty());
}

TEST(CommPosix, InputBufferLongSetsTheLargestBlock) {
    struct Case {
        uint16_t inputBufferLong;
        size_t largestBlock;
    };
    for (const Case& c : {Case{0, 2048}, Case{1, 1}, Case{5000, 4096}, Case{16, 16}}) {
        SCOPED_TRACE(c.inputBufferLong);
        PtyPeer peer;
        Owner owner;
        owner.comm.SetCommName(peer.Name());
        owner.comm.SetInputBufferLong(c.inputBufferLong);
        MakeTransparent(owner.comm);
        owner.comm.OpenPort();
        const std::vector<uint8_t> pattern = EveryByteValue(40);
        ASSERT_TRUE(peer.Write(pattern));
        ASSERT_TRUE(owner.WaitUntil([&] { return owner.bytes.size() >= pattern.size(); }));
        EXPECT_EQ(owner.bytes, pattern);
        size_t largest = 0;
        for (const auto& block : owner.blocks) largest = std::max(largest, block.size());
        EXPECT_LE(largest, c.largestBlock);
        if (c.largestBlock == 1) {
            EXPECT_EQ(owner.blocks.size(), pattern.size());
        }
    }
}

// A batch interval holds arriving bytes back from the owner (one wake-up
// for many frames) until it ends, or until the owner collects them; the
// owner's collections and the thread's reads keep the bytes' order; a close
// does not wait for the interval.
TEST(CommPosix, BatchedReceptionHoldsBytesBackUntilCollected) {
    // The port opened with a batch interval; the owner collects while it waits.
    const auto openBatched = [](Owner& owner, const PtyPeer& peer, uint16_t block, uint32_t batchMs) {
        owner.comm.SetCommName(peer.Name());
        owner.comm.SetInputBufferLong(block);
        owner.comm.SetReceiveBatchMs(batchMs);
        MakeTransparent(owner.comm);
        owner.comm.OpenPort();
    };
    const auto collectUntil = [](Owner& owner, size_t count) {
        return owner.WaitUntil([&] {
            owner.comm.CollectReceived();
            return owner.bytes.size() >= count;
        });
    };

    PtyPeer peer;
    Owner owner;
    openBatched(owner, peer, 4096, 60000);
    const std::vector<uint8_t> pattern = EveryByteValue(2);
    ASSERT_TRUE(peer.Write(pattern));
    EXPECT_FALSE(owner.WaitUntil([&] { return !owner.bytes.empty(); }, 300ms)) << "the batch interval holds them";
    ASSERT_TRUE(collectUntil(owner, pattern.size()));
    EXPECT_EQ(owner.bytes, pattern);
    EXPECT_LE(owner.blocks.size(), 3u) << "read in a few blocks, not byte by byte";
    const auto closing = Clock::now();
    owner.comm.ClosePort();
    EXPECT_LT(Clock::now() - closing, 5s);

    // A short interval: the thread reads too, while the owner collects.
    PtyPeer busy;
    Owner both;
    openBatched(both, busy, 1, 3);
    const std::vector<uint8_t> stream = EveryByteValue(64);
    std::thread writer([&] {
        for (size_t at = 0; at < stream.size(); at += 512)
            busy.Write(
                std::vector<uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                     stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + 512, stream.size()))));
    });
    const bool all = collectUntil(both, stream.size());
    writer.join();
    ASSERT_TRUE(all);
    EXPECT_EQ(both.bytes, stream);
}

TEST(CommPosix, ReceiveNotificationPostedBeforeCloseIsStillRaised) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty == 1; }));

    const std::vector<uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(peer.Write(bytes));
    // Wait until the data is queued for the owner, without raising it.
    pollfd fd{owner.comm.NotificationFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&fd, 1, 10000), 1);
    owner.comm.ClosePort();
    EXPECT_TRUE(owner.bytes.empty());
    owner.comm.ProcessNotifications();
    ASSERT_FALSE(owner.bytes.empty());
    EXPECT_TRUE(std::equal(owner.bytes.begin(), owner.bytes.end(), bytes.begin()));
    EXPECT_EQ(owner.unterminatedBlocks, 0);
}

TEST(CommPosix, OpenFailuresLeaveTheRightState) {
    PtyPeer peer;
    const std::string file = std::filesystem::temp_directory_path() / ("comm_test_file_" + std::to_string(getpid()));
    {
        std::FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }

    Owner first;
    first.comm.SetCommName(peer.Name());
    first.comm.OpenPort();

    struct Case {
        const char* what;
        std::string name;
        bool sameComponent;
        TCommsFailure failure;
        int error;  // errno, 0: none; -1: EBUSY or EWOULDBLOCK, as privileges decide
        bool openAfter;
    };
    const Case cases[] = {
        {"opened twice", peer.Name(), true, TCommsFailure::AlreadyOpen, 0, true},
        {"second component", peer.Name(), false, TCommsFailure::OpenFailed, -1, false},
        {"regular file", file, false, TCommsFailure::NotCommHandle, ENOTTY, false},
        {"missing device", "/dev/vexla-no-such-port", false, TCommsFailure::OpenFailed, ENOENT, false},
        {"missing COM name", "COM250", false, TCommsFailure::OpenFailed, ENOENT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Owner second;
        TComm& comm = c.sameComponent ? first.comm : second.comm;
        comm.SetCommName(c.name);
        const int fdsBefore = OpenFdCount();
        vexla::testing::ExpectOpenFails(comm, c.failure, c.error);
        EXPECT_EQ(comm.IsOpen(), c.openAfter);
        EXPECT_EQ(OpenFdCount(), fdsBefore) << "a failed open left a descriptor";
    }

    // The first component was not disturbed by any of it.
    const uint8_t byte = 0xA5;
    ASSERT_TRUE(first.comm.QueueWrite(&byte, 1));
    EXPECT_EQ(peer.Read(1), std::vector<uint8_t>{byte});
    first.comm.ClosePort();

    // Closing released the port for the next component.
    Owner third;
    third.comm.SetCommName(peer.Name());
    EXPECT_NO_THROW(third.comm.OpenPort());
    std::filesystem::remove(file);
}

TEST(CommPosix, FailedEventCreationClosesThePort) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    // Leave exactly one descriptor for the port itself.
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree) + 1;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    TCommsFailure failure = TCommsFailure::AlreadyOpen;
    try {
        owner.comm.OpenPort();
    } catch (const ECommsError& e) {
        failure = e.Failure();
    }
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(failure, TCommsFailure::EventFailed);
    EXPECT_FALSE(owner.comm.IsOpen());
    EXPECT_NO_THROW(owner.comm.OpenPort()) << "the failed open kept the port locked";
}

TEST(CommPosix, ErrorTextsAreExact) {
    const std::pair<TCommsFailure, const char*> texts[] = {
        {TCommsFailure::AlreadyOpen, "This serial port already opened"},
        {TCommsFailure::OpenFailed, "Error opening serial port"},
        {TCommsFailure::NotCommHandle, "File handle is not a comm handle "},
        {TCommsFailure::SetupFailed, "Cannot setup comm buffer"},
        {TCommsFailure::EventFailed, "Unable to create event"},
        {TCommsFailure::ReadThreadFailed, "Unable to create read thread"},
        {TCommsFailure::WriteThreadFailed, "Unable to create write thread"},
    };
    for (const auto& [failure, text] : texts) {
        const ECommsError error(failure);
        EXPECT_STREQ(error.what(), text);
        EXPECT_FALSE(error.Code());
        const std::runtime_error& base = error;
        EXPECT_STREQ(base.what(), text);
    }
}

TEST(CommPosix, LineSettingsReachTheTerminal) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    auto attrs = [&] {
        termios tio{};
        tcgetattr(peer.SlaveFd(), &tio);
        return tio;
    };

    // Raw mode and the defaults, set completely at open.
    termios tio = attrs();
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(tio.c_cflag & HUPCL, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600});
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | INPCK), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(tio.c_cc[VSTART], 17);
    EXPECT_EQ(tio.c_cc[VSTOP], 19);

    struct Case {
        const char* what;
        std::function<void(TComm&)> set;
        std::function<bool(const termios&)> holds;
    };
    const Case cases[] = {
        {"BaudRate", [](TComm& c) { c.SetBaudRate(115200); },
         [](const termios& t) { return cfgetispeed(&t) == B115200 && cfgetospeed(&t) == B115200; }},
        {"StopBits", [](TComm& c) { c.SetStopBits(TStopBits::_2); },
         [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }},
        {"ParityCheck", [](TComm& c) { c.SetParityCheck(true); },
         [](const termios& t) { return (t.c_iflag & INPCK) != 0; }},
        {"Outx_CtsFlow", [](TComm& c) { c.SetOutx_CtsFlow(true); },
         [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; }},
        {"Outx_XonXoffFlow", [](TComm& c) { c.SetOutx_XonXoffFlow(false); },
         [](const termios& t) { return (t.c_iflag & IXON) == 0 && (t.c_iflag & IXOFF) != 0; }},
        {"Inx_XonXoffFlow", [](TComm& c) { c.SetInx_XonXoffFlow(false); },
         [](const termios& t) { return (t.c_iflag & IXOFF) == 0; }},
        {"XonChar", [](TComm& c) { c.SetXonChar('Q'); }, [](const termios& t) { return t.c_cc[VSTART] == 'Q'; }},
        {"XoffChar", [](TComm& c) { c.SetXoffChar('S'); }, [](const termios& t) { return t.c_cc[VSTOP] == 'S'; }},
        // A plain store: only the next application of the line settings takes it.
        // (A pty forces CS8 and clears PARENB, so the parity shows in PARODD and CMSPAR.)
        {"Parity, stored", [](TComm& c) { c.SetParity(TParity::Odd); },
         [](const termios& t) { return (t.c_cflag & (PARODD | CMSPAR)) == 0; }},
        {"Parity, applied by the next setter", [](TComm& c) { c.SetStopBits(TStopBits::_1); },
         [](const termios& t) { return (t.c_cflag & (PARODD | CMSPAR | CSTOPB)) == PARODD; }},
        {"Parity Mark",
         [](TComm& c) {
             c.SetParity(TParity::Mark);
             c.ApplyLineSettings();
         },
         [](const termios& t) { return (t.c_cflag & (PARODD | CMSPAR)) == (PARODD | CMSPAR); }},
        {"Parity Space",
         [](TComm& c) {
             c.SetParity(TParity::Space);
             c.ApplyLineSettings();
         },
         [](const termios& t) { return (t.c_cflag & (PARODD | CMSPAR)) == CMSPAR; }},
        {"Parity None",
         [](TComm& c) {
             c.SetParity(TParity::None);
             c.ApplyLineSettings();
         },
         [](const termios& t) { return (t.c_cflag & (PARODD | CMSPAR)) == 0; }},
    };
    for (const Case& c : cases) {
        c.set(owner.comm);
        EXPECT_TRUE(c.holds(attrs())) << c.what;
    }
}

// What the device does not take is reported, not ignored: a speed the
// system has no code for, and parity, which a pty refuses (it forces CS8
// and no parity). The port stays open on what it had.
TEST(CommPosix, RefusedLineSettingsAreReported) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    const std::error_code none;
    const std::error_code refused = std::make_error_code(std::errc::invalid_argument);
    EXPECT_EQ(owner.comm.LineSettingsError(), none);

    owner.comm.SetBaudRate(12345);
    EXPECT_EQ(owner.comm.LineSettingsError(), refused);
    termios tio{};
    tcgetattr(peer.SlaveFd(), &tio);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600});
    owner.comm.SetBaudRate(19200);
    EXPECT_EQ(owner.comm.LineSettingsError(), none);

    owner.comm.SetParity(TParity::Even);
    owner.comm.ApplyLineSettings();
    EXPECT_EQ(owner.comm.LineSettingsError(), refused);
    owner.comm.SetParity(TParity::None);
    owner.comm.ApplyLineSettings();
    EXPECT_EQ(owner.comm.LineSettingsError(), none);
    EXPECT_TRUE(owner.comm.IsOpen());
}

TEST(CommPosix, UnchangedSetterLeavesTheDeviceAlone) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    // Someone else reprograms the tty; an unchanged value must not undo it.
    termios tio{};
    tcgetattr(peer.SlaveFd(), &tio);
    cfsetspeed(&tio, B4800);
    tcsetattr(peer.SlaveFd(), TCSANOW, &tio);

    owner.comm.SetBaudRate(9600);
    owner.comm.SetByteSize(TByteSize::_8);
    owner.comm.SetXonChar(17);
    tcgetattr(peer.SlaveFd(), &tio);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B4800});

    owner.comm.SetBaudRate(19200);
    tcgetattr(peer.SlaveFd(), &tio);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B19200});
}

TEST(CommPosix, VanishedPeerRaisesOneHangupWithoutSpinning) {
    PtyPeer peer;
    Owner owner;
    owner.comm.SetCommName(peer.Name());
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty == 1; }));

    peer.HangUp();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.hangups > 0; }));
    // A receive thread that kept polling the dead line would burn a core here.
    const double cpuBefore = ProcessCpuSeconds();
    owner.PumpFor(500ms);
    const double cpuUsed = ProcessCpuSeconds() - cpuBefore;
    EXPECT_LT(cpuUsed, 0.25);
    EXPECT_TRUE(owner.comm.IsOpen()) << "the owner closes, not the thread";
    owner.comm.ClosePort();
    owner.comm.ProcessNotifications();
    EXPECT_EQ(owner.hangups, 1);
    EXPECT_TRUE(owner.bytes.empty());
}

// Opening and closing while both directions are busy: the sanitizer builds
// look for races and use-after-free between ClosePort and the threads.
TEST(CommPosix, OpenCloseCyclesWithTrafficInFlight) {
    PtyPeer peer;
    std::atomic<bool> done{false};
    // About five times the 115200-baud line rate: this owner pumps only once
    // a cycle, and a flood would fill its queue (which ends reception).
    std::thread farEnd([&] {
        const std::vector<uint8_t> every = EveryByteValue();
        const std::vector<uint8_t> chunk(every.begin(), every.begin() + 64);
        uint8_t sink[4096];
        while (!done) {
            [[maybe_unused]] ssize_t w = ::write(peer.MasterFd(), chunk.data(), chunk.size());
            while (::read(peer.MasterFd(), sink, sizeof sink) > 0) {
            }
            pollfd fd{peer.MasterFd(), POLLIN, 0};
            ::poll(&fd, 1, 1);
        }
    });

    Owner owner;
    owner.comm.SetCommName(peer.Name());
    MakeTransparent(owner.comm);
    const std::vector<uint8_t> block = EveryByteValue(8);
    for (int cycle = 0; cycle < 200; ++cycle) {
        owner.comm.SetInputBufferLong(cycle % 2 ? 1 : 2048);
        owner.comm.OpenPort();
        for (int i = 0; i < 4; ++i) owner.comm.QueueWrite(block.data(), static_cast<uint16_t>(block.size()));
        owner.comm.ProcessNotifications();
        owner.comm.ClosePort();
    }
    done = true;
    farEnd.join();
    owner.comm.ProcessNotifications();
    EXPECT_EQ(owner.hangups, 0);
    EXPECT_EQ(owner.unterminatedBlocks, 0);

    // The line still works after all that.
    owner.bytes.clear();
    owner.comm.OpenPort();
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.sendEmpty > 0; }));
    while (!peer.Read(4096, 50ms).empty()) {
    }
    const std::vector<uint8_t> pattern = EveryByteValue();
    ASSERT_TRUE(owner.comm.QueueWrite(pattern.data(), static_cast<uint16_t>(pattern.size())));
    EXPECT_EQ(peer.Read(pattern.size()), pattern);
    ASSERT_TRUE(peer.Write(pattern));
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.bytes.size() >= pattern.size(); }));
    EXPECT_EQ(owner.bytes, pattern);
}

TEST(CommPosix, DestructorClosesAnOpenPort) {
    PtyPeer peer;
    {
        Owner owner;
        owner.comm.SetCommName(peer.Name());
        owner.comm.OpenPort();
    }
    Owner next;
    next.comm.SetCommName(peer.Name());
    EXPECT_NO_THROW(next.comm.OpenPort());
}

TEST(CommPosix, ComNamesResolveLikeWine) {
    const std::string home = std::filesystem::temp_directory_path() / ("comm_test_home_" + std::to_string(getpid()));
    std::filesystem::create_directories(home + "/vexla/dosdevices");
    std::filesystem::create_symlink("/dev/pts/99", home + "/vexla/dosdevices/com3");
    struct Case {
        std::string name;
        std::string path;
    };
    const Case cases[] = {
        {"COM3", home + "/vexla/dosdevices/com3"},
        {"com3", home + "/vexla/dosdevices/com3"},
        {"COM1", "/dev/ttyS0"},
        {"COM12", "/dev/ttyS11"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"COM", "COM"},
        {"COM0", "COM0"},
        {"COMx", "COMx"},
        {"XCOM3", "XCOM3"},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolvePortPath(c.name, home), c.path) << c.name;
    std::filesystem::remove_all(home);
}

TEST(CommPosix, LineCountersBecomeEvents) {
    struct Case {
        TLineCounters now;
        uint32_t errors;
        uint32_t modem;
    };
    const TLineCounters before{5, 5, 5, 5, 5, 5, 5};
    auto with = [&](uint32_t TLineCounters::*field) {
        TLineCounters c = before;
        c.*field += 1;
        return c;
    };
    TLineCounters both = with(&TLineCounters::carrier);
    both.ring += 2;
    const Case cases[] = {
        {before, 0, 0},
        {with(&TLineCounters::carrier), 0, 8},
        {with(&TLineCounters::ring), 0, 4},
        {both, 0, 12},
        {with(&TLineCounters::rxOver), 0x01, 0},
        {with(&TLineCounters::overrun), 0x02, 0},
        {with(&TLineCounters::parity), 0x04, 0},
        {with(&TLineCounters::frame), 0x08, 0},
        {with(&TLineCounters::brk), 0x10, 0},
    };
    for (const Case& c : cases) {
        const TLineEvents events = CompareLineCounters(before, c.now);
        EXPECT_EQ(events.errors, c.errors);
        EXPECT_EQ(events.modem, c.modem);
    }
}

TEST(CommPosix, FullQueueRefusesDataButNotHangup) {
    TMessageQueue queue(2);
    auto data = [] { return TMessage{comm::kMsgReceiveData, 1, 0, std::make_unique<uint8_t[]>(2)}; };
    EXPECT_TRUE(queue.Post(data()));
    EXPECT_TRUE(queue.Post(data()));
    EXPECT_FALSE(queue.Post(data()));
    EXPECT_TRUE(queue.Post(TMessage{comm::kMsgRequestHangup, 0, 0, nullptr}));
    pollfd fd{queue.Fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&fd, 1, 0), 1);
    int taken = 0;
    while (queue.Take()) ++taken;
    EXPECT_EQ(taken, 3);
    EXPECT_EQ(::poll(&fd, 1, 0), 0) << "drained queue still signals";
    queue.Close();
    EXPECT_FALSE(queue.Post(TMessage{comm::kMsgRequestHangup, 0, 0, nullptr}));
}

}  // namespace
}  // namespace vexla::test
