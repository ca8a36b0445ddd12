// Measures veltactl's answer-paced transfers against the simulator: on the 38400-baud throttle
// (over TCP and over a pty) as a multiple of the wire limit (bytes both ways x 11 bits / 38400),
// and on plain loopback TCP in commands a second. On the throttled TCP link a plain client
// (wire_replay) also sends the same bytes, one command after the previous answer; the tool's
// time minus the replay's is the tool's own share. Throttled runs are repeated and the best
// kept, as other work on the machine only ever slows a run. Prints a Markdown table, and on the
// throttle a second one: a sync that changes three titles and the alarm hold time (the device
// read, then only the plan's commands) against the fast read-all.
//
// usage: veltactl_bench [--skip-throttled | --sync-only] [--repeat N]   (default 3; a plain
// program: it times whole runs of the tool)

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"

namespace {

const QString k_veltactl = QStringLiteral(VELTACTL_PATH);
const QString k_devsim = QStringLiteral(DEVSIM_PATH);
const QString k_replay = QStringLiteral(WIRE_REPLAY_PATH);

struct Sim {
    QProcess proc;
    QStringList link;  // the tool's link options for this device
    explicit Sim(const QStringList& extra, bool serial = false)
    {
        proc.start(
            k_devsim,
            (serial ? QStringList{"--pty"} : QStringList{"--listen", "127.0.0.1:0"}) + extra);
        proc.waitForReadyRead(5000);
        const QString where = QString::fromLatin1(proc.readLine()).trimmed();
        link = serial ? QStringList{"--serial", where, "--timeout", "2000"}
                      : QStringList{"--tcp", where};
    }
    ~Sim()
    {
        proc.terminate();
        if (!proc.waitForFinished(3000))
            proc.kill();
    }
};

struct Run {
    bool ok = false;
    int steps = 0;
    double seconds = 0;  // the run itself, as the tool measured it (no start-up, no connect)
    QString trace;
};

// A command that runs in stages (sync): the sum of its stages' times, or a negative value.
double staged_seconds(const Sim& sim, const QStringList& command)
{
    QProcess p;
    p.start(k_veltactl, sim.link + command);
    p.waitForFinished(600000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    double seconds = 0;
    int stages = 0;
    static const QRegularExpression stage("(?:^|\\n)ok \\S+ \\S+ \\d+/\\d+ steps ([0-9.]+) s");
    for (const QRegularExpressionMatch& m : stage.globalMatch(out)) {
        seconds += m.captured(1).toDouble();
        ++stages;
    }
    if (p.exitCode() != 0 || stages == 0) {
        std::fprintf(stderr, "%s\n", qPrintable(QString::fromUtf8(p.readAllStandardError())));
        return -1;
    }
    return seconds;
}

Run run(const Sim& sim, QStringList command, const QString& trace = {})
{
    QStringList args = sim.link;
    args << "--fast";
    if (!trace.isEmpty())
        args << "--trace" << trace;
    QProcess p;
    p.start(k_veltactl, args + command);
    p.waitForFinished(600000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    Run r;
    const QRegularExpressionMatch m =
        QRegularExpression("\\nok \\S+ \\S+ (\\d+)/\\d+ steps ([0-9.]+) s").match(out);
    r.ok = p.exitCode() == 0 && m.hasMatch();
    if (r.ok) {
        r.steps = m.captured(1).toInt();
        r.seconds = m.captured(2).toDouble();
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(QString::fromUtf8(p.readAllStandardError())));
    }
    return r;
}

// The replay of a trace on a fresh simulator: its time from the first command to the last
// answer, or a negative value when it failed.
double replay(const QString& trace)
{
    Sim sim({"--throttle"});
    QProcess p;
    p.start(k_replay, {trace, sim.link.value(1)});
    p.waitForFinished(600000);
    const QRegularExpressionMatch m =
        QRegularExpression(" ([0-9.]+) s").match(QString::fromUtf8(p.readAllStandardOutput()));
    if (p.exitCode() != 0 || !m.hasMatch()) {
        std::fprintf(stderr, "%s\n", qPrintable(QString::fromUtf8(p.readAllStandardError())));
        return -1;
    }
    return m.captured(1).toDouble();
}

// The best of `repeat` runs, each on a fresh simulator; a negative value when one failed.
template <typename Once>
double best_of(int repeat, Once once)
{
    double best = 0;
    for (int i = 0; i < repeat; ++i) {
        const double t = once();
        if (t < 0)
            return -1;
        if (i == 0 || t < best)
            best = t;
    }
    return best;
}

// Bytes on the wire both ways, from a trace: every escape such as <CR> stands for one byte.
long wire_bytes(const QString& trace_path)
{
    QFile f(trace_path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    long bytes = 0;
    static const QRegularExpression escape("<[0-9A-Z]{2}>|<CR>|<LF>");
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).chopped(1);
        for (const char* dir : {" > ", " < "}) {
            const qsizetype at = line.indexOf(QLatin1String(dir));
            if (at < 0)
                continue;
            QString text = line.mid(at + 3);
            text.replace(escape, QStringLiteral("."));
            bytes += text.size();
            break;
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool throttled = !args.contains("--skip-throttled");
    const bool sync_only = args.contains("--sync-only");
    const qsizetype repeat_at = args.indexOf("--repeat");
    const int repeat = repeat_at > 0 ? std::max(1, args.value(repeat_at + 1).toInt()) : 3;
    QTemporaryDir dir;
    const QString dat = dir.filePath("all.dat");
    const QString tll = dir.filePath("all.tll");
    velta::reset_settings_model();
    velta::save_settings_file(dat.toStdString(), velta::model().config);
    velta::write_glyph_list(velta::model().glyphs, velta::GlyphSize::large, tll.toStdString());

    struct Job {
        const char* name;
        QStringList command;
    };
    const Job jobs[] = {
        {"set-all", {"set-all", dat}},
        {"read-all", {"read-all", dir.filePath("back.dat")}},
        {"glyphs-set large", {"glyphs-set", "large", tll}},
        {"glyphs-read large", {"glyphs-read", "large", dir.filePath("back.tll")}},
    };

    if (!sync_only) {
        std::printf("| run | commands | bytes both ways | loopback s | commands/s |%s\n",
                    throttled
                        ? " wire limit s | replay TCP s | x limit | 38400-baud TCP s | x limit"
                          " | tool's share | 38400-baud pty s | x limit |"
                        : "");
        std::printf("|---|---|---|---|---|%s\n",
                    throttled ? "---|---|---|---|---|---|---|---|" : "");
    }
    bool all_ok = true;
    for (const Job& job : jobs) {
        if (sync_only)
            break;
        Sim loopback({});
        const QString trace = dir.filePath("trace.txt");
        run(loopback, job.command, trace);  // counts the bytes; traced runs are not timed
        const long bytes = wire_bytes(trace);
        const Run fast = run(loopback, job.command);
        all_ok = all_ok && fast.ok;
        std::printf("| %s | %d | %ld | %.3f | %.0f |", job.name, fast.steps, bytes, fast.seconds,
                    fast.seconds > 0 ? fast.steps / fast.seconds : 0.0);
        if (throttled) {
            auto tool_run = [&job](bool serial) {
                return [&job, serial] {
                    Sim sim({"--throttle"}, serial);
                    const Run r = run(sim, job.command);
                    return r.ok ? r.seconds : -1.0;
                };
            };
            const double limit = static_cast<double>(bytes) * 11.0 / 38400.0;
            const double plain = best_of(repeat, [&trace] { return replay(trace); });
            const double tcp = best_of(repeat, tool_run(false));
            const double pty = best_of(repeat, tool_run(true));
            all_ok = all_ok && plain > 0 && tcp > 0 && pty > 0;
            std::printf(" %.2f | %.3f | %.4f | %.3f | %.4f | %+.2f %% | %.3f | %.4f |", limit,
                        plain, plain / limit, tcp, tcp / limit, (tcp - plain) / plain * 100, pty,
                        pty / limit);
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    if (throttled) {
        // The simulator starts from the factory state, which is the defaults of `dat`.
        velta::reset_settings_model();
        velta::DeviceConfig& c = velta::model().config;
        c.pages.page_title[0] = "\x83\x65\x83\x58\x83\x67";
        c.pages.page_title[99] = "\x82\x60\x82\x61";
        c.pages.page_title[255] = "\x8f\x49";
        c.device.alarm_hold_time = "045";
        const QString changed = dir.filePath("changed.dat");
        velta::save_settings_file(changed.toStdString(), c);
        const double read_all = best_of(repeat, [&dir] {
            Sim sim({"--throttle"});
            const Run r = run(sim, {"read-all", dir.filePath("back.dat")});
            return r.ok ? r.seconds : -1.0;
        });
        auto sync = [&changed](bool verify) {
            return [&changed, verify] {
                Sim sim({"--throttle"});
                return staged_seconds(sim, verify ? QStringList{"sync", changed, "--verify"}
                                                  : QStringList{"sync", changed});
            };
        };
        const double plain = best_of(repeat, sync(false));
        const double verified = best_of(repeat, sync(true));
        all_ok = all_ok && read_all > 0 && plain > 0 && verified > 0;
        std::printf(
            "\n| 38400-baud TCP | fast read-all s | sync s | sync - read-all s | "
            "sync --verify s | sync --verify - read-all s |\n"
            "|---|---|---|---|---|---|\n"
            "| 3 titles + hold time | %.3f | %.3f | %+.3f | %.3f | %+.3f |\n",
            read_all, plain, plain - read_all, verified, verified - read_all);
    }
    return all_ok ? 0 : 1;
}
