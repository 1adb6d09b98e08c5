#include "engine_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {
long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int spawn(const std::vector<std::string>& args, const std::string& workdir, int* in_fd,
          int* out_fd) {
    int to_child[2], from_child[2];
    if (pipe(to_child) || pipe(from_child)) return -1;
    int pid = fork();
    if (pid == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[1]);
        close(from_child[0]);
        if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KELVORANTE_BINARY));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(KELVORANTE_BINARY, argv.data());
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    signal(SIGPIPE, SIG_IGN);
    *in_fd = to_child[1];
    *out_fd = from_child[0];
    return pid;
}

int reap(int pid, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    int status = 0;
    while (now_ms() < end) {
        int r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(2000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}
} // namespace

EngineRun run_engine(const std::string& input, int timeout_ms, const std::vector<std::string>& args,
                     const std::string& workdir) {
    EngineRun run;
    int in_fd, out_fd;
    int pid = spawn(args, workdir, &in_fd, &out_fd);
    if (pid < 0) return run;
    size_t written = 0;
    while (written < input.size()) {
        ssize_t n = write(in_fd, input.data() + written, input.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    close(in_fd);
    long long end = now_ms() + timeout_ms;
    char buf[4096];
    for (;;) {
        long long left = end - now_ms();
        if (left <= 0) break;
        pollfd p{out_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        ssize_t n = read(out_fd, buf, sizeof buf);
        if (n <= 0) break;
        run.output.append(buf, static_cast<size_t>(n));
    }
    close(out_fd);
    run.exit_status = reap(pid, static_cast<int>(std::max(0LL, end - now_ms())) + 100);
    return run;
}

EngineProcess::EngineProcess(const std::vector<std::string>& args, const std::string& workdir) {
    pid_ = spawn(args, workdir, &in_fd_, &out_fd_);
}

EngineProcess::~EngineProcess() {
    if (in_fd_ >= 0) close(in_fd_);
    if (pid_ > 0) reap(pid_, 2000);
    if (out_fd_ >= 0) close(out_fd_);
}

void EngineProcess::send(const std::string& line) {
    std::string text = line + "\n";
    if (in_fd_ >= 0 && write(in_fd_, text.data(), text.size()) < 0) {
    }
}

void EngineProcess::close_input() {
    if (in_fd_ >= 0) close(in_fd_);
    in_fd_ = -1;
}

bool EngineProcess::read_line(std::string& line, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    for (;;) {
        size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            lines_.push_back(line);
            return true;
        }
        long long left = end - now_ms();
        if (left <= 0 || out_fd_ < 0) return false;
        pollfd p{out_fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buf[4096];
        ssize_t n = read(out_fd_, buf, sizeof buf);
        if (n <= 0) return false;
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::string EngineProcess::wait_for(const std::string& prefix, int timeout_ms) {
    long long end = now_ms() + timeout_ms;
    std::string line;
    while (now_ms() < end) {
        if (!read_line(line, static_cast<int>(end - now_ms()))) return "";
        if (line.compare(0, prefix.size(), prefix) == 0) return line;
    }
    return "";
}

void EngineProcess::close_output() {
    if (out_fd_ >= 0) close(out_fd_);
    out_fd_ = -1;
}

int EngineProcess::wait_exit(int timeout_ms, bool close_in) {
    if (close_in && in_fd_ >= 0) close_input();
    std::string line;
    long long end = now_ms() + timeout_ms;
    while (out_fd_ >= 0 && read_line(line, static_cast<int>(std::max(1LL, end - now_ms())))) {
    }
    int status = reap(pid_, static_cast<int>(std::max(1LL, end - now_ms())));
    pid_ = -1;
    return status;
}

std::string temp_directory() {
    char tmpl[] = "/tmp/kelvorante-test-XXXXXX";
    char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
