// Start-up of the tool against a bare Qt window: from the start of the process to the first
// frame of its main window (offscreen platform), for the real velta program and for a program
// that shows an empty QMainWindow and nothing else (this bench itself, started with
// --bare-window, so that both load the same Qt libraries). An empty window draws no text, so
// it never sets up the fonts; the same window with one Japanese menu (--bare-window-text)
// shows what the first text of any Japanese window costs. The frame is seen where Qt's own
// painting log says it flushes the window ("qt.widgets.painting: Flushing QRegion…" on
// stderr), which needs nothing of the tool; the process is then ended.
//
// velta is looked for beside the build's bench folder (../src/ui/velta), or where
// VELTA_PROGRAM names it. It starts with a velta.ini of its own that chooses TCP/IP, so that
// no serial port is opened, and a runtime folder of its own for its single-copy lock.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* k_bare_window = "--bare-window";
constexpr const char* k_bare_window_text = "--bare-window-text";
constexpr const char* k_flush_line = "qt.widgets.painting: Flushing QRegion";
constexpr int k_timeout_ms = 20000;

enum class Program { bare_window, bare_window_text, velta };

std::string self_path()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::string velta_path()
{
    if (const char* named = std::getenv("VELTA_PROGRAM"))
        return named;
    const std::string self = self_path();
    return self.substr(0, self.rfind('/')) + "/../src/ui/velta";
}

// The folders both programs start with: a runtime folder for the lock, a configuration folder
// with a velta.ini on TCP/IP.
struct StartFolders {
    StartFolders()
    {
        QDir().mkpath(run_path());
        QFile::setPermissions(run_path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(root.filePath(QStringLiteral("config/velta")));
        QFile ini(root.filePath(QStringLiteral("config/velta/velta.ini")));
        ok = ini.open(QIODevice::WriteOnly) && ini.write("[VELTA_Section]\nInterface=1\n") > 0;
    }
    QString run_path() const { return root.filePath(QStringLiteral("run")); }
    // What a killed copy left behind (its lock), so that every start finds the same folder.
    void clear_run() const
    {
        QDir run(run_path());
        for (const QString& f : run.entryList(QDir::Files | QDir::Hidden)) run.remove(f);
    }

    QTemporaryDir root;
    bool ok = false;
};

std::vector<std::string> child_environment(const StartFolders& folders)
{
    const auto set = [](std::vector<std::string>& env, const std::string& name,
                        const std::string& value) {
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name + "="); });
        env.push_back(name + "=" + value);
    };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    set(env, "QT_QPA_PLATFORM", "offscreen");
    set(env, "QT_LOGGING_RULES", "qt.widgets.painting=true");
    set(env, "QT_FORCE_STDERR_LOGGING", "1");
    set(env, "XDG_RUNTIME_DIR", folders.run_path().toStdString());
    set(env, "XDG_CONFIG_HOME", folders.root.filePath(QStringLiteral("config")).toStdString());
    return env;
}

struct Start {
    double seconds = -1;  // to the first frame; negative when none came
    int log_lines = 0;    // painting log lines written before it
};

// Starts the program (with its one argument, if any), waits for its first frame and ends it.
Start start_once(const std::string& program, const char* argument,
                 const std::vector<std::string>& env)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    if (argument)
        argv.push_back(const_cast<char*>(argument));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    const Clock::time_point begin = Clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    Start start;
    if (spawned != 0) {
        close(out[0]);
        return start;
    }
    std::string log;
    std::size_t looked = 0;
    const Clock::time_point give_up = begin + std::chrono::milliseconds(k_timeout_ms);
    while (Clock::now() < give_up) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[8192];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;  // the program ended without a frame
        log.append(buffer, static_cast<std::size_t>(n));
        const std::size_t at = log.find(k_flush_line, looked > 64 ? looked - 64 : 0);
        looked = log.size();
        if (at != std::string::npos) {
            start.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
            start.log_lines = static_cast<int>(std::count(log.begin(), log.begin() + at, '\n'));
            break;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    return start;
}

// The mean start of each repetition, per program.
std::vector<double>& samples(Program p)
{
    static std::vector<double> of[3];
    return of[static_cast<int>(p)];
}

void BM_StartToFirstFrame(benchmark::State& state, Program which)
{
    const std::string program = which == Program::velta ? velta_path() : self_path();
    const char* argument = which == Program::velta         ? nullptr
                           : which == Program::bare_window ? k_bare_window
                                                           : k_bare_window_text;
    if (access(program.c_str(), X_OK) != 0) {
        state.SkipWithError(("no program at " + program).c_str());
        return;
    }
    StartFolders folders;
    if (!folders.ok) {
        state.SkipWithError("the start folders could not be made");
        return;
    }
    const std::vector<std::string> env = child_environment(folders);
    double total = 0;
    int lines = 0;
    for (auto _ : state) {
        const Start s = start_once(program, argument, env);
        folders.clear_run();
        if (s.seconds < 0) {
            state.SkipWithError("no frame was shown");
            return;
        }
        state.SetIterationTime(s.seconds);
        total += s.seconds;
        lines = s.log_lines;
    }
    samples(which).push_back(total / static_cast<double>(state.iterations()));
    state.counters["log_lines"] = lines;
}
BENCHMARK_CAPTURE(BM_StartToFirstFrame, bare_window, Program::bare_window)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_StartToFirstFrame, bare_window_text, Program::bare_window_text)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_StartToFirstFrame, velta, Program::velta)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty()      ? 0
           : v.size() % 2 ? v[v.size() / 2]
                          : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool text = argc > 1 && std::strcmp(argv[1], k_bare_window_text) == 0;
    if (text || (argc > 1 && std::strcmp(argv[1], k_bare_window) == 0)) {
        QApplication app(argc, argv);
        QMainWindow window;
        if (text)
            window.menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
        window.show();
        return QApplication::exec();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double velta = median(samples(Program::velta));
    for (const Program p : {Program::bare_window, Program::bare_window_text}) {
        const double bare = median(samples(p));
        if (bare > 0 && velta > 0)
            std::printf("velta / %s (medians of the repetitions): %.1f ms / %.1f ms = %.2f\n",
                        p == Program::bare_window ? "bare window" : "bare window with a menu",
                        velta * 1e3, bare * 1e3, velta / bare);
    }
    return 0;
}
