#pragma once
// Runs the built service (or any program) in the background for end-to-end
// tests: output to a file, wait with a limit, signals.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pv::test {

class ChildProcess {
public:
    // Starts argv with stdout and stderr going to outputFile; extra
    // environment entries ("NAME=value") are added to ours.  It runs in
    // workingFolder, or else in the folder of its output file.
    ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile,
                 const std::vector<std::string>& extraEnvironment = {}, const std::string& workingFolder = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    // The exit code, or -1 when it did not end in time (it is then killed) or
    // ended by a signal.
    int Wait(std::chrono::milliseconds limit);
    void Signal(int signal);

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};

// Waits until the file holds the text (polling), up to the limit.
bool WaitForText(const std::string& file, const std::string& text, std::chrono::milliseconds limit);

}  // namespace pv::test
