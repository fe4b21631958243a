#include "end_to_end_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../../channels/tests/gbk_convert.h"

extern char** environ;

namespace vexla::testing {

namespace fs = std::filesystem;

void RunIsolated(const std::function<void(const std::string& home)>& body, std::chrono::seconds limit) {
    char pattern[] = "/tmp/vexla-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string home = pattern;
    fs::create_directories(home + "/.config");
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("WINEPREFIX", (home + "/wine").c_str(), 1);
        const int err = open((home + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (err >= 0) dup2(err, 2);
        int status = 0;
        try {
            body(home);
            status = ::testing::Test::HasFailure() ? 1 : 0;
        } catch (const std::exception& e) {
            std::printf("scenario threw: %s\n", e.what());
            status = 2;
        }
        std::fflush(stdout);
        _exit(status);
    }
    int status = 0;
    const auto deadline = Clock::now() + limit;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the scenario hung and was killed";
    } else if (WIFSIGNALED(status)) {
        ADD_FAILURE() << "the scenario died of signal " << WTERMSIG(status) << "; its stderr:\n"
                      << ReadFile(home + "/stderr.txt");
    } else {
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the scenario failed (its messages are above)";
    }
    std::error_code ignored;
    fs::remove_all(home, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int32_t ShownGauge::Value() const {
    return static_cast<int32_t>(std::lround(displayMm * (fine ? 10000 : 1000)));
}

// ---- gaugesim

Gaugesim::Gaugesim(const std::vector<std::string>& args) {
    std::vector<std::string> store = {GAUGESIM_PATH};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
        // Never outlive the scenario, whatever happens to it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], 1);
        execve(GAUGESIM_PATH, argv.data(), environ);
        _exit(127);
    }
    close(out[1]);
    out_ = out[0];
    reader_ = std::thread([this] { ReadLoop(); });
}

Gaugesim::~Gaugesim() {
    Stop();
    if (reader_.joinable()) reader_.join();
    if (out_ >= 0) close(out_);
}

void Gaugesim::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = Clock::now() + 5s;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    pid_ = -1;
}

void Gaugesim::ReadLoop() {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n <= 0) break;
        pending.append(buffer, static_cast<std::size_t>(n));
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            SimLine line{now, -1, pending.substr(0, nl)};
            pending.erase(0, nl + 1);
            double stamp = 0;
            int used = 0;
            if (std::sscanf(line.text.c_str(), "[%lf] %n", &stamp, &used) == 1 && used > 0) {
                line.stamp = stamp;
                line.text.erase(0, static_cast<std::size_t>(used));
            }
            lines_.push_back(std::move(line));
        }
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

std::optional<std::size_t> Gaugesim::WaitFor(const std::string& text, std::size_t from,
                                             std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        for (std::size_t i = from; i < lines_.size(); ++i)
            if (lines_[i].text.find(text) != std::string::npos) return i;
        from = std::max(from, lines_.size());
        if (ended_ || changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (std::size_t i = from; i < lines_.size(); ++i)
                if (lines_[i].text.find(text) != std::string::npos) return i;
            return std::nullopt;
        }
    }
}

std::string Gaugesim::Pty() {
    const auto at = WaitFor("pty: ");
    if (!at || !WaitFor("link: ", *at)) return {};
    std::lock_guard lock(mutex_);
    return lines_[*at].text.substr(lines_[*at].text.find("pty: ") + 5);
}

std::vector<SimLine> Gaugesim::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::map<int, ShownGauge> Gaugesim::LatestTable() {
    const auto lines = Lines();
    std::map<int, ShownGauge> table;
    for (std::size_t h = lines.size(); h-- > 0;) {
        if (lines[h].text.find("display mm") == std::string::npos) continue;
        std::size_t i = h + 1;
        for (; i < lines.size() && lines[i].text.find("line:") == std::string::npos; ++i) {
            int ch = 0, position = 0;
            char kind[16], state[16];
            double mm = 0;
            if (std::sscanf(lines[i].text.c_str(), "%d %15s %15s %lf %d", &ch, kind, state, &mm, &position) == 5)
                table[ch] = ShownGauge{std::string(kind) == "0.001", mm, position};
        }
        if (i < lines.size()) return table;  // complete
        table.clear();
    }
    return table;
}

// ---- the library and its host

void Host::Tick() {
    x_.GetReFlashRate32(rates_);
    x_.GetNewData32Ch(&block_);
    const auto now = Clock::now();
    for (int i = 0; i < 32; ++i)
        if (block_.updated[i] != 0) last_[i] = Reading{block_.value[i], block_.displacement[i], now};
}

bool Host::AnyUpdatedNow() const {
    for (int i = 0; i < 32; ++i)
        if (UpdatedNow(i)) return true;
    return false;
}

bool Host::TickUntil(const std::function<bool()>& done, std::chrono::milliseconds patience) {
    const auto deadline = Clock::now() + patience;
    if (next_ == Clock::time_point{}) next_ = Clock::now();
    while (Clock::now() < deadline) {
        Tick();
        if (done()) return true;
        next_ += 50ms;
        if (next_ < Clock::now()) next_ = Clock::now();
        std::this_thread::sleep_until(next_);
    }
    return false;
}

void Host::TickFor(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    TickUntil([&] { return Clock::now() >= end; }, span + 1s);
}

// ---- configuration file

std::string ConfigFile(const std::string& home, int segment) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d", segment);
    return home + "/.config/系统配置/Vexla配置" + name + ".txt";
}

void WriteConfig(const std::string& path, const std::vector<std::string>& utf8Lines) {
    fs::create_directories(fs::path(path).parent_path());
    std::string text;
    for (const auto& line : utf8Lines) text += Gbk(line) + "\r\n";
    std::ofstream(path, std::ios::binary) << text;
}

std::optional<std::string> ConfigValue(const std::string& path, const std::string& utf8Key) {
    const std::string text = ReadFile(path);
    const std::string key = Gbk(utf8Key) + "=";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", at), text.size());
        if (text.compare(at, key.size(), key) == 0) return text.substr(at + key.size(), end - at - key.size());
        at = end + 2;
    }
    return std::nullopt;
}

std::string ReferenceKey(int index) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", index);
    return std::string("通道") + digits;
}

// ---- what the process holds

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

std::vector<std::string> OpenPtys() {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        if (target.rfind("/dev/pts/", 0) == 0) found.push_back(entry.path().filename().string() + " -> " + target);
    }
    return found;
}

}  // namespace vexla::testing
