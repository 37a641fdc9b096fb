// Start-up of the program to its login window against a Qt Widgets hello world, each a whole
// process started the same way (posix_spawn, the same environment, output to /dev/null) and
// timed from outside: its CPU time (user and system, its own children included, from wait4) and
// its wall time. The program is the real one (its main: translator, icons, locale, data folder,
// login window), told by KELVARO_QUIT_WHEN_SHOWN to end once the login window is shown; the
// hello world (hello_world.cpp) links Qt Widgets only and ends once its label is shown.
//
// The two run in turn, pair by pair (which goes first alternates), on each platform asked for:
// offscreen, and the X display of $DISPLAY when there is one (xvfb-run gives one). A first run of
// the program makes its database and each platform begins with one pair that is not counted.
//
//   kelvaro_bench_startup [--runs N] [--program PATH] [--platforms offscreen,xcb]
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Timing {
    double cpu = 0;  // seconds, user and system, children included
    double wall = 0; // seconds
    bool ok = false;
};

// Runs the command to its end in an environment of this process's plus `extra`.
Timing runOnce(const std::vector<std::string>& command, const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& x) {
            return entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
        });
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Timing t;
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return t;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return t;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    t.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return t;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
    std::vector<double> cpu, wall;
    void add(const Timing& t)
    {
        cpu.push_back(t.cpu);
        wall.push_back(t.wall);
    }
};

} // namespace

int main(int argc, char** argv)
{
    int runs = 15;
    std::string program = KV_PROGRAM;
    QStringList platforms{QStringLiteral("offscreen")};
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        platforms << QStringLiteral("xcb");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--program") == 0)
            program = argv[i + 1];
        else if (std::strcmp(argv[i], "--platforms") == 0)
            platforms = QString::fromLocal8Bit(argv[i + 1]).split(u',', Qt::SkipEmptyParts);
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--program PATH] [--platforms offscreen,xcb]\n", argv[0]);
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [--runs N] [--program PATH] [--platforms offscreen,xcb]\n", argv[0]);
        return 2;
    }

    QTemporaryDir dataDir;
    const std::vector<std::string> kelvaro{program, "--appdir", dataDir.path().toStdString()};
    const std::vector<std::string> hello{KV_HELLO};
    std::printf("program: %s\nhello world: %s\n%d pairs per platform, the first of each order alternating\n",
                program.c_str(), KV_HELLO, runs);
    int status = 0;
    for (const QString& platform : std::as_const(platforms)) {
        const std::vector<std::string> env{"QT_QPA_PLATFORM=" + platform.toStdString(), "KELVARO_QUIT_WHEN_SHOWN=1"};
        // Not counted: the database made, the files read once into the page cache.
        if (!runOnce(kelvaro, env).ok || !runOnce(hello, env).ok) {
            std::printf("%s: a run failed\n", qPrintable(platform));
            status = 1;
            continue;
        }
        Series measured, yardstick;
        std::vector<double> cpuRatios, wallRatios;
        bool failed = false;
        for (int i = 0; i < runs && !failed; ++i) {
            Timing k, h;
            if (i % 2 == 0) {
                h = runOnce(hello, env);
                k = runOnce(kelvaro, env);
            } else {
                k = runOnce(kelvaro, env);
                h = runOnce(hello, env);
            }
            failed = !k.ok || !h.ok;
            measured.add(k);
            yardstick.add(h);
            cpuRatios.push_back(k.cpu / std::max(h.cpu, 1e-6));
            wallRatios.push_back(k.wall / std::max(h.wall, 1e-6));
        }
        if (failed) {
            std::printf("%s: a run failed\n", qPrintable(platform));
            status = 1;
            continue;
        }
        std::printf("\n%s (medians of %d runs)     CPU        wall\n", qPrintable(platform), runs);
        std::printf("  hello world                 %7.1f ms  %7.1f ms\n", median(yardstick.cpu) * 1e3,
                    median(yardstick.wall) * 1e3);
        std::printf("  to the login window         %7.1f ms  %7.1f ms\n", median(measured.cpu) * 1e3,
                    median(measured.wall) * 1e3);
        std::printf("  against the hello world     %7.2fx    %7.2fx   (median of the pairs' ratios: %.2fx, %.2fx)\n",
                    median(measured.cpu) / median(yardstick.cpu), median(measured.wall) / median(yardstick.wall),
                    median(cpuRatios), median(wallRatios));
    }
    return status;
}
