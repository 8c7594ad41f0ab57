// Runs a command several times with its output thrown away and prints the median
// wall time in seconds, the median CPU time (user + system) and the largest peak
// resident set in KiB, then the best wall time. CPU time is steadier than wall time on
// a busy machine.
//
// With --cold, the page cache (and the cached names and attributes) is dropped before
// each run; that needs root, and a run that cannot do it says so and stops.
//
//   fm-measure [--cold] RUNS COMMAND [ARGS...]

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    const bool cold = argc > 1 && std::strcmp(argv[1], "--cold") == 0;
    if (cold) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [--cold] RUNS COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<double> times, cpu;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        if (cold) {
            ::sync();
            const int drop = ::open("/proc/sys/vm/drop_caches", O_WRONLY);
            if (drop < 0 || ::write(drop, "3", 1) != 1) {
                std::fprintf(stderr, "cannot drop the page cache (/proc/sys/vm/drop_caches): %s\n",
                             std::strerror(errno));
                return 3;
            }
            ::close(drop);
        }
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::execvp(argv[2], argv + 2);
            _exit(127);
        }
        int status = 0;
        struct rusage usage
        {};
        ::wait4(pid, &status, 0, &usage);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1 && WEXITSTATUS(status) != 4)) {
            std::fprintf(stderr, "%s failed (status %d)\n", argv[2], status);
            return 1;
        }
        times.push_back(seconds);
        cpu.push_back(double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                      + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
        peak = std::max(peak, usage.ru_maxrss);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%.3f %.3f %ld %.3f\n", times[times.size() / 2], cpu[cpu.size() / 2], peak, times.front());
    return 0;
}
