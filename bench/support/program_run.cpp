#include "program_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace bench {

ProgramRun RunProgram(const std::vector<std::string>& argv, const ProgramRunOptions& options) {
    ProgramRun result;
    if (argv.empty()) return result;
    int pipeFds[2] = {-1, -1};
    if (options.captureStdout && pipe(pipeFds) != 0) return result;
    std::vector<char*> args;
    for (const std::string& a : options.inFront) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(options.captureStdout ? pipeFds[1] : null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (options.captureStdout) {
            close(pipeFds[0]);
            close(pipeFds[1]);
        }
        // A program in front is looked up on PATH; our own programs are given by their path.
        if (options.inFront.empty()) {
            execv(args[0], args.data());
        } else {
            execvp(args[0], args.data());
        }
        _exit(127);
    }
    if (options.captureStdout) {
        close(pipeFds[1]);
        if (pid > 0) {
            char buffer[256];
            ssize_t n;
            while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
                if (n > 0) result.stdoutText.append(buffer, static_cast<size_t>(n));
            }
        }
        close(pipeFds[0]);
    }
    if (pid < 0) return result;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.peakKb = usage.ru_maxrss;  // kilobytes on Linux
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

int RunStatus(const std::string& program, const std::vector<std::string>& args, const ProgramRunOptions& options) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, options).status;
}

}  // namespace bench
