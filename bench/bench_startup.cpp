// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of programs against a baseline, measured side by side: they are started in turn (the one
// that goes first rotating every round), each timed from just before fork() to the moment its start-up
// probe reports the first window exposed and painted; the peak resident memory of each start is read
// from wait4(). Usage: bench_startup [--runs N] BASELINE PROGRAM...   (Linux; the probe prints "shown <ns>")
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Start {
    double ms = 0;     // fork to window shown
    long peakKiB = 0;  // peak resident set size
};

constexpr int kTimeoutMs = 30000;

long long steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Starts `program` with the probe on, waits for its report and its end. Nothing on failure (no
// report within the time limit, or a report that cannot be read), with the reason on stderr.
std::optional<Start> startOnce(const char *program)
{
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        return std::nullopt;
    }
    const long long begin = steadyNs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return std::nullopt;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("SELVARO_STARTUP_PROBE", "1", 1);
        execl(program, program, static_cast<char *>(nullptr));
        std::perror(program);
        _exit(127);
    }
    close(fds[1]);

    std::string out;
    const long long deadline = begin + kTimeoutMs * 1000000LL;
    bool timedOut = false;
    for (;;) {
        const long long left = (deadline - steadyNs()) / 1000000;
        pollfd p{fds[0], POLLIN, 0};
        const int ready = left > 0 ? poll(&p, 1, int(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[256];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, size_t(n));
    }
    close(fds[0]);
    if (timedOut)
        kill(pid, SIGKILL);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        std::fprintf(stderr, "%s: no window shown within %d ms\n", program, kTimeoutMs);
        return std::nullopt;
    }
    const size_t at = out.find("shown ");
    if (at == std::string::npos) {
        if (WIFSIGNALED(status))
            std::fprintf(stderr, "%s: killed by signal %d before reporting its window\n", program,
                         WTERMSIG(status));
        else
            std::fprintf(stderr, "%s: ended with status %d without reporting its window\n", program,
                         WEXITSTATUS(status));
        return std::nullopt;
    }
    const long long shown = std::atoll(out.c_str() + at + 6);
    return Start{double(shown - begin) / 1e6, usage.ru_maxrss};
}

template <typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
    double medianMs, minMs, maxMs;
    double medianMiB, maxMiB;
};

Summary summarise(const std::vector<Start> &starts)
{
    std::vector<double> ms, mib;
    for (const Start &s : starts) {
        ms.push_back(s.ms);
        mib.push_back(double(s.peakKiB) / 1024.0);
    }
    return {median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
            median(mib), *std::max_element(mib.begin(), mib.end())};
}

const char *baseName(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 20;
    int arg = 1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--runs") == 0) {
        runs = std::atoi(argv[arg + 1]);
        arg += 2;
    }
    if (argc - arg < 2 || runs < 1) {
        std::fprintf(stderr, "usage: %s [--runs N] BASELINE PROGRAM...\n", argv[0]);
        return 2;
    }
    const std::vector<const char *> programs(argv + arg, argv + argc);
    const size_t n = programs.size();

    // One discarded start of each fills the page cache and the font caches.
    for (const char *program : programs)
        if (!startOnce(program))
            return 1;

    std::vector<std::vector<Start>> starts(n);
    for (int round = 0; round < runs; ++round) {
        for (size_t k = 0; k < n; ++k) {
            const size_t which = (size_t(round) + k) % n;
            const std::optional<Start> s = startOnce(programs[which]);
            if (!s)
                return 1;
            starts[which].push_back(*s);
        }
    }

    std::vector<Summary> summaries;
    for (const std::vector<Start> &s : starts)
        summaries.push_back(summarise(s));
    const Summary &base = summaries[0];
    std::printf("%d starts of each, in turn; platform %s\n\n", runs,
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "default");
    std::printf("| program | start to window shown, median (min-max) | time ratio | peak memory, median (max) "
                "| memory ratio |\n");
    std::printf("|---|---|---|---|---|\n");
    for (size_t k = 0; k < n; ++k) {
        const Summary &s = summaries[k];
        std::printf("| %s | %.1f ms (%.1f-%.1f) | %.2fx | %.1f MiB (%.1f) | %.2fx |\n", baseName(programs[k]),
                    s.medianMs, s.minMs, s.maxMs, s.medianMs / base.medianMs, s.medianMiB, s.maxMiB,
                    s.medianMiB / base.medianMiB);
    }
    return 0;
}
