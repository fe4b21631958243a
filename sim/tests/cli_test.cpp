// The gaugesim program on real ptys: what the driver's end of the line sees,
// what the program prints, its links and its exit status.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/command_frames.h"
#include "protocol/gauge_frames.h"

extern char** environ;

namespace vexla::sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
constexpr auto kPatience = 10s;  // generous: the machine may be busy

class SimProcess {
  public:
    SimProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<std::string> argStore = {GAUGESIM_PATH};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore;
        for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
        envStore.insert(envStore.end(), env.begin(), env.end());  // later entries win in getenv
        std::vector<char*> envp;
        for (auto it = envStore.rbegin(); it != envStore.rend(); ++it) envp.push_back(it->data());
        envp.push_back(nullptr);
        const int rc = posix_spawn(&pid_, GAUGESIM_PATH, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        fcntl(err_, F_SETFL, O_NONBLOCK);  // Stderr() takes what is there
        if (rc != 0) throw std::runtime_error("spawn");
    }
    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The next stdout line that contains `text`; empty after the timeout.
    std::string LineWith(const std::string& text, std::chrono::milliseconds timeout = kPatience) {
        const auto end = Clock::now() + timeout;
        while (true) {
            const auto nl = pending_.find('\n');
            if (nl != std::string::npos) {
                std::string line = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                seen_ += line + '\n';
                if (line.find(text) != std::string::npos) return line;
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) return {};
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char buffer[4096];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) return {};
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    const std::string& Seen() const { return seen_; }

    std::string PtyPath() {
        const std::string line = LineWith("pty: ");
        return line.empty() ? std::string() : line.substr(line.find("pty: ") + 5);
    }

    // Waits for the exit; -1 after the timeout.
    int Wait(std::chrono::milliseconds timeout = kPatience) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    int Stop() {
        kill(pid_, SIGTERM);
        return Wait();
    }
    std::string Stderr() {
        std::string s;
        char buffer[4096];
        ssize_t n;
        while ((n = read(err_, buffer, sizeof buffer)) > 0) s.append(buffer, static_cast<std::size_t>(n));
        return s;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string pending_, seen_;
};

// The driver's end of the line, opened as the driver opens its port.
class PortEnd {
  public:
    explicit PortEnd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ < 0) return;
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
        tcflush(fd_, TCIOFLUSH);  // what arrived before we listened is not ours
    }
    ~PortEnd() {
        if (fd_ >= 0) close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    void Write(std::span<const uint8_t> bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    // Reads until `enough` says so or the timeout; false when the line failed.
    bool ReadUntil(std::vector<uint8_t>& got, const std::function<bool()>& enough,
                   std::chrono::milliseconds timeout = kPatience) {
        const auto end = Clock::now() + timeout;
        while (!enough()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) return true;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            uint8_t buffer[1024];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return false;
        }
        return true;
    }

  private:
    int fd_;
};

std::optional<GaugeReading> FirstGeneralFrame(const std::vector<uint8_t>& bytes) {
    for (std::size_t at = 0; at + kGeneralFrameLength <= bytes.size(); ++at)
        if (auto r = DecodeGeneralFrame(std::span(bytes).subspan(at).first<kGeneralFrameLength>())) return r;
    return std::nullopt;
}

std::optional<GaugeReading> PollOnce(PortEnd& port, uint8_t channel) {
    port.Write(std::array{PollByte(channel)});
    std::vector<uint8_t> got;
    port.ReadUntil(got, [&] { return got.size() >= kGeneralFrameLength; });
    return FirstGeneralFrame(got);
}

std::string TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gaugesim-test-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

TEST(GaugesimCli, AnswersAPollAndLogsACommand) {
    SimProcess sim({"--format", "2", "--channels", "1-4", "--motion", "still", "--position", "1.5"});
    const std::string path = sim.PtyPath();
    ASSERT_FALSE(path.empty()) << sim.Seen() << sim.Stderr();
    PortEnd port(path);
    ASSERT_TRUE(port.IsOpen());

    auto before = PollOnce(port, 1);
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(before->channel, 1);
    EXPECT_EQ(before->value, 1500);

    port.Write(GeneralCommandFrame(1, CommandK(2)));
    const std::string logged = sim.LineWith("command code 2");
    EXPECT_NE(logged.find("for channel 2: obeyed by 2"), std::string::npos) << sim.Seen();

    auto after = PollOnce(port, 1);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->value, 0);
    EXPECT_EQ(after->position, before->position);  // the counter is not zeroed

    // An absent gauge stays silent.
    port.Write(std::array{PollByte(9)});
    std::vector<uint8_t> got;
    port.ReadUntil(
        got, [&] { return !got.empty(); }, 300ms);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(sim.Stop(), 0);
}

// A full line at 9600 baud carries 960 bytes a second.
TEST(GaugesimCli, PacesTheLine) {
    SimProcess sim({"--format", "3", "--channels", "1-32", "--baud", "9600", "--state", "fast"});
    const std::string path = sim.PtyPath();
    ASSERT_FALSE(path.empty()) << sim.Stderr();
    PortEnd port(path);
    ASSERT_TRUE(port.IsOpen());
    std::vector<uint8_t> got;
    ASSERT_TRUE(port.ReadUntil(
        got, [&] { return false; }, 500ms));  // settle
    got.clear();
    const auto start = Clock::now();
    ASSERT_TRUE(port.ReadUntil(
        got, [&] { return false; }, 2000ms));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double rate = static_cast<double>(got.size()) / seconds;
    EXPECT_NEAR(rate, 960.0, 960.0 * 0.05) << got.size() << " bytes in " << seconds << " s";
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(GaugesimCli, ComLinksOpenThePtyAndGoAwayOnExit) {
    const std::string home = TempDir();
    ASSERT_FALSE(home.empty());
    const std::string wine = home + "/prefix", config = home + "/config";
    SimProcess sim({"--format", "3", "--channels", "2", "--state", "fast", "--com", "3"},
                   {"HOME=" + home, "WINEPREFIX=" + wine, "XDG_CONFIG_HOME=" + config});
    const std::string path = sim.PtyPath();
    ASSERT_FALSE(path.empty()) << sim.Stderr();
    ASSERT_FALSE(sim.LineWith("vexla/dosdevices/com3").empty()) << sim.Seen();
    const std::string links[] = {wine + "/dosdevices/com3", config + "/vexla/dosdevices/com3"};
    for (const std::string& link : links) {
        std::error_code ec;
        EXPECT_EQ(std::filesystem::read_symlink(link, ec).string(), path) << link;
        PortEnd port(link);
        ASSERT_TRUE(port.IsOpen()) << link;
        std::vector<uint8_t> got;
        port.ReadUntil(got, [&] { return FirstGeneralFrame(got).has_value(); });
        ASSERT_TRUE(FirstGeneralFrame(got).has_value()) << link;
        EXPECT_EQ(FirstGeneralFrame(got)->channel, 1);
    }
    EXPECT_EQ(sim.Stop(), 0);
    for (const std::string& link : links) {
        std::error_code ec;
        EXPECT_FALSE(std::filesystem::is_symlink(link, ec)) << link;
    }
    std::filesystem::remove_all(home);
}

TEST(GaugesimCli, LineGoesAwayAndComesBack) {
    const std::string dir = TempDir();
    ASSERT_FALSE(dir.empty());
    const std::string link = dir + "/line";
    SimProcess sim({"--format", "3", "--channels", "5", "--state", "fast", "--line-down", "1+1", "--link", link});
    const std::string first = sim.PtyPath();
    ASSERT_FALSE(first.empty()) << sim.Stderr();
    {
        PortEnd port(link);
        ASSERT_TRUE(port.IsOpen());
        std::vector<uint8_t> got;
        // Frames flow, then the line fails under the reader.
        EXPECT_FALSE(port.ReadUntil(got, [] { return false; }));
        EXPECT_TRUE(FirstGeneralFrame(got).has_value());
    }
    ASSERT_FALSE(sim.LineWith("line down").empty()) << sim.Seen();
    const std::string second = sim.PtyPath();
    ASSERT_FALSE(second.empty()) << sim.Seen();
    PortEnd port(link);
    ASSERT_TRUE(port.IsOpen());
    std::vector<uint8_t> got;
    port.ReadUntil(got, [&] { return FirstGeneralFrame(got).has_value(); });
    ASSERT_TRUE(FirstGeneralFrame(got).has_value());
    EXPECT_EQ(FirstGeneralFrame(got)->channel, 4);
    EXPECT_EQ(sim.Stop(), 0);
    std::filesystem::remove_all(dir);
}

TEST(GaugesimCli, BadArgumentsExitWithStatus2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--format", "7"},
        {"--format", "2", "--channels", "1-40"},
        {"--format", "2", "--baud", "fast"},
        {"--format", "2", "--com"},
        {"--format", "2", "--silence", "x"},
    };
    for (const auto& args : cases) {
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2);
        const std::string err = sim.Stderr();
        EXPECT_EQ(err.rfind("gaugesim: ", 0), 0u) << err;
        EXPECT_NE(err.find("--help"), std::string::npos) << err;
    }
    SimProcess help({"--help"});
    EXPECT_FALSE(help.LineWith("Usage: gaugesim").empty());
    EXPECT_EQ(help.Wait(), 0);
}

// A serial device stands in for a null-modem cable: here the far end of a pty
// we own plays the other computer.
TEST(GaugesimCli, UsesAnExistingSerialDevice) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    SimProcess sim({"--format", "2", "--channels", "3", "--device", device});
    ASSERT_FALSE(sim.LineWith("device: " + device).empty()) << sim.Stderr();
    const uint8_t poll[] = {PollByte(2)};
    ASSERT_EQ(write(master, poll, 1), 1);
    std::vector<uint8_t> got;
    const auto end = Clock::now() + kPatience;
    while (!FirstGeneralFrame(got) && Clock::now() < end) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        uint8_t buffer[256];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    ASSERT_TRUE(FirstGeneralFrame(got).has_value());
    EXPECT_EQ(FirstGeneralFrame(got)->channel, 2);
    EXPECT_EQ(sim.Stop(), 0);
    close(master);
}

TEST(GaugesimCli, MissingDeviceExitsWithStatus1) {
    SimProcess sim({"--format", "2", "--device", "/nonexistent/ttyS9"});
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_NE(sim.Stderr().find("cannot open /nonexistent/ttyS9"), std::string::npos);
}

}  // namespace
}  // namespace vexla::sim
