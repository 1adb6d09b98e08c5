// Runs the real engine binary as a GUI would: lines to its standard input, its standard
// output read back.
#pragma once

#include <string>
#include <vector>

struct EngineRun {
    std::string output;
    int exit_status = -1; // -1 when the process did not exit by itself
};

// Writes input (all at once) and closes standard input, then collects everything the
// engine prints until it exits or timeout_ms passes (then it is killed).
EngineRun run_engine(const std::string& input, int timeout_ms = 20000,
                     const std::vector<std::string>& args = {}, const std::string& workdir = "");

// A running engine for dialogues that must wait for an answer before the next line.
class EngineProcess {
  public:
    explicit EngineProcess(const std::vector<std::string>& args = {},
                           const std::string& workdir = "");
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    void send(const std::string& line); // a line feed is appended
    void close_input();
    // Closes the reading end of the engine's standard output, as an interface that has
    // gone away does; the engine's next write fails.
    void close_output();
    // Reads lines until one starts with prefix (returned) or timeout; "" on timeout or end.
    std::string wait_for(const std::string& prefix, int timeout_ms = 20000);
    // Everything read so far, line by line.
    const std::vector<std::string>& lines() const { return lines_; }
    // Waits for the process to end (closing its input first unless told not to); returns
    // its exit status or -1 after timeout.
    int wait_exit(int timeout_ms = 20000, bool close_in = true);

  private:
    bool read_line(std::string& line, int timeout_ms);
    int pid_ = -1;
    int in_fd_ = -1;
    int out_fd_ = -1;
    std::string pending_;
    std::vector<std::string> lines_;
};

std::string temp_directory();
void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
