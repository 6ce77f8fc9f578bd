// Running a piece of a test in a forked child process (see ChildProcess.h).
#include "ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <exception>

namespace tnxdesigntest {

std::string RunInChild(const std::function<void(Failures&)>& body) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        close(fds[0]);
        Failures failures;
        try {
            body(failures);
        } catch (const std::exception& e) {
            failures.Expect(false, std::string("exception: ") + e.what());
        } catch (...) {
            failures.Expect(false, "unknown exception");
        }
        const std::string& text = failures.Text();
        size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = write(fds[1], text.data() + written, text.size() - written);
            if (n <= 0) break;
            written += static_cast<size_t>(n);
        }
        close(fds[1]);
        // No static destructors, no test framework teardown: the parent reports.
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "child process ended abnormally (status " + std::to_string(status) + ")\n";
    return report;
}

} // namespace tnxdesigntest
