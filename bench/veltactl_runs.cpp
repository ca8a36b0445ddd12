// Measures veltactl's answer-paced transfers against the simulator: on the 38400-baud throttle
// (over TCP and over a pty) as a multiple of the wire limit (bytes both ways x 11 bits / 38400), and on plain loopback TCP
// in commands a second. Prints a Markdown table.
//
// usage: veltactl_bench [--skip-throttled]   (a plain program: it times whole runs of the tool)

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "glyphs/glyph_file.h"
#include "glyphs/glyph_sizes.h"
#include "model/settings_file.h"
#include "model/settings_model.h"

namespace {

const QString k_veltactl = QStringLiteral(VELTACTL_PATH);
const QString k_devsim = QStringLiteral(DEVSIM_PATH);

struct Sim {
    QProcess proc;
    QStringList link;  // the tool's link options for this device
    explicit Sim(const QStringList& extra, bool serial = false)
    {
        proc.start(k_devsim, (serial ? QStringList{"--pty"}
                                     : QStringList{"--listen", "127.0.0.1:0"}) + extra);
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
    const bool throttled = !app.arguments().contains("--skip-throttled");
    QTemporaryDir dir;
    const QString dat = dir.filePath("all.dat");
    const QString tll = dir.filePath("all.tll");
    velta::reset_settings_model();
    velta::save_settings_file(dat.toStdString());
    velta::write_glyph_list(velta::GlyphSize::large, tll.toStdString());

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

    std::printf("| run | commands | bytes both ways | loopback s | commands/s |%s\n",
                throttled ? " wire limit s | 38400-baud TCP s | x limit | 38400-baud pty s | x limit |"
                          : "");
    std::printf("|---|---|---|---|---|%s\n", throttled ? "---|---|---|---|---|" : "");
    bool all_ok = true;
    for (const Job& job : jobs) {
        Sim loopback({});
        const QString trace = dir.filePath("trace.txt");
        run(loopback, job.command, trace);  // counts the bytes; traced runs are not timed
        const long bytes = wire_bytes(trace);
        const Run fast = run(loopback, job.command);
        all_ok = all_ok && fast.ok;
        std::printf("| %s | %d | %ld | %.3f | %.0f |", job.name, fast.steps, bytes, fast.seconds,
                    fast.seconds > 0 ? fast.steps / fast.seconds : 0.0);
        if (throttled) {
            Sim slow({"--throttle"});
            const Run t = run(slow, job.command);
            all_ok = all_ok && t.ok;
            const double limit = static_cast<double>(bytes) * 11.0 / 38400.0;
            std::printf(" %.2f | %.2f | %.3f |", limit, t.seconds,
                        limit > 0 ? t.seconds / limit : 0);
            Sim pty({"--throttle"}, true);
            const Run p = run(pty, job.command);
            all_ok = all_ok && p.ok;
            std::printf(" %.2f | %.3f |", p.seconds, limit > 0 ? p.seconds / limit : 0);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return all_ok ? 0 : 1;
}
