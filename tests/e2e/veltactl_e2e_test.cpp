// Protects veltactl end to end against the device simulator: files survive a round trip through
// a device, faults and unreadable or unsendable input give the right exit code, message and no
// file, several devices are served in turn (as client and as server), and the serial path works
// over a pty pair. diff lists exactly what differs, sync sends only its plan and --verify names
// every item the device did not take. pages-export and pages-import carry every page through a
// CSV file and back.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/device/batch_steps.h"
#include "core/device/send_plan.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/pages/page_table.h"
#include "core/wire/device_context.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/pty_pair.h"

namespace {

const QString k_devsim = QStringLiteral(VELTA_DEVSIM_PATH);
const QString k_veltactl = QStringLiteral(VELTA_VELTACTL_PATH);

// One simulated device; stopped (and its state written) when it goes out of scope.
class Sim {
public:
    // Listens on a free port of the loopback address; extra: fault and state flags.
    explicit Sim(QStringList extra = {})
    {
        start(QStringList{"--listen", "127.0.0.1:0"} + extra);
        if (!proc_.waitForReadyRead(5000))
            return;
        const QString line = QString::fromLatin1(proc_.readLine()).trimmed();
        port_ = line.section(':', -1).toInt();
    }
    // A device that connects to the tool (the tool is the server).
    static std::unique_ptr<Sim> connecting(int port, QStringList extra = {})
    {
        auto sim = std::unique_ptr<Sim>(new Sim(0));
        sim->start(QStringList{"--connect", QStringLiteral("127.0.0.1:%1").arg(port)} + extra);
        return sim;
    }
    ~Sim() { stop(); }
    void stop()
    {
        if (proc_.state() == QProcess::NotRunning)
            return;
        proc_.terminate();
        if (!proc_.waitForFinished(3000))
            proc_.kill();
        proc_.waitForFinished(1000);
    }
    int port() const { return port_; }
    QString target() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QProcess& process() { return proc_; }

private:
    explicit Sim(int) {}
    void start(const QStringList& args)
    {
        proc_.setProcessChannelMode(QProcess::SeparateChannels);
        proc_.start(k_devsim, args);
        proc_.waitForStarted(5000);
    }
    QProcess proc_;
    int port_ = 0;
};

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result finish(QProcess& p, int timeout_ms = 60000)
{
    Result r;
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished(1000);
        r.err = "veltactl did not end in time\n";
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out += QString::fromUtf8(p.readAllStandardOutput());
    r.err += QString::fromUtf8(p.readAllStandardError());
    return r;
}

Result veltactl(const QStringList& args, int timeout_ms = 60000)
{
    QProcess p;
    p.start(k_veltactl, args);
    p.waitForStarted(5000);
    return finish(p, timeout_ms);
}

std::string bytes_of(const QString& path)
{
    return velta::read_file_bytes(path.toStdString()).value_or("<missing>");
}

// A configuration far from the defaults in every record that the set-all and read-all runs
// carry (the device network settings belong to neither).
void make_settings_file(const QString& path)
{
    velta::reset_settings_model();
    velta::SettingsModel& m = velta::model();
    // Titles in code page 932: "テスト", "ＡＢ１", "終"; the device takes double-byte characters.
    m.config.pages.page_title[0] = "\x83\x65\x83\x58\x83\x67";
    m.config.pages.page_title[16] = "\x82\x60\x82\x61\x82\x50";
    m.config.pages.page_title[255] = "\x8f\x49";
    m.config.pages.page_title_position[3] = 0;
    m.config.device.upper_display_offset = 12;
    m.config.device.lower_display_offset = 90;
    m.config.pages.page_auto_switch_time[5] = 30;
    m.config.pages.page_char_color[2] = 3;
    m.config.pages.page_border_color[2] = 5;
    m.config.pages.page_background_fill[7] = 1;
    m.config.pages.page_char_level[9] = 0;
    m.config.device.clock_display = 1;
    m.config.device.clock_display_range = 4;
    m.config.device.clock_display_size = 1;
    m.config.device.schedule_hour[0][0] = 8;
    m.config.device.schedule_minute[0][0] = 30;
    m.config.device.schedule_page[0][0] = 4;
    m.config.device.schedule_page[30][23] = 256;  // "PAS"
    m.config.device.alarm_mode = 1;
    m.config.device.alarm_polarity = 1;
    m.config.device.alarm_return = 0;
    m.config.device.alarm_display = 0;
    m.config.device.alarm_hold_time = "123";
    m.config.device.connector_assignment = {7, 6, 5, 4, 3, 2, 1, 0};
    m.config.device.remote_mode = 2;
    m.config.device.connector_input = 1;
    m.config.device.power_on_page = 10;
    m.config.device.upper_font_size = 0;
    m.config.device.lower_font_size = 2;
    m.config.device.video_loss_background = 1;
    ASSERT_TRUE(velta::save_settings_file(path.toStdString(), velta::model().config));
    velta::reset_settings_model();
}

// The file of make_settings_file with three titles, the alarm hold time and one schedule entry
// changed; returns the keys of those differences.
QStringList make_changed_file(const QString& base, const QString& changed)
{
    const velta::FileResult r = velta::load_settings_file(base.toStdString());
    velta::DeviceConfig c = r.config;
    c.pages.page_title[2] = "\x83\x65";  // "テ"
    c.pages.page_title[40] = "\x82\x60\x82\x61";
    c.pages.page_title[200] = "\x8f\x49\x8f\x49";
    c.device.alarm_hold_time = "045";
    c.device.schedule_hour[4][2] = 9;
    EXPECT_TRUE(velta::save_settings_file(changed.toStdString(), c));
    return {"title.003", "title.041", "title.201", "schedule.05.03", "alarm.hold_time"};
}

QJsonObject json_of(const Result& r)
{
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

QStringList keys_of(const QJsonArray& differences)
{
    QStringList keys;
    for (const QJsonValue& d : differences) keys << d.toObject()["key"].toString();
    return keys;
}

// Commands the device takes before the first step of a sync plan: the set-all that brought it
// to the base file, then the whole-device read (read-all's queries and the network settings).
constexpr int k_first_plan_command =
    velta::k_set_all_steps + (velta::k_read_all_steps - 1) + velta::k_plan_network_options + 1;

void make_glyph_file(const QString& path)
{
    velta::reset_settings_model();
    const velta::GlyphSizeInfo& info = velta::glyph_size_info(velta::GlyphSize::small);
    const char digits[] = "0123456789ABCDEF";
    for (int s = 0; s < info.slot_count; ++s) {
        auto slot = velta::glyph_slot(velta::model().glyphs, velta::GlyphSize::small, s);
        for (int i = 0; i < info.glyph_digits; ++i)
            slot[static_cast<std::size_t>(i)] = digits[(s * 7 + i) % 16];
    }
    ASSERT_TRUE(velta::write_glyph_list(velta::model().glyphs, velta::GlyphSize::small,
                                        path.toStdString()));
    velta::reset_settings_model();
}

class Veltactl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(k_veltactl)) << k_veltactl.toStdString();
        ASSERT_TRUE(QFile::exists(k_devsim)) << k_devsim.toStdString();
        ASSERT_TRUE(dir_.isValid());
    }
    QString file(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

TEST_F(Veltactl, SetAllThenReadAllGivesTheSameFile)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    Sim sim;
    ASSERT_GT(sim.port(), 0);
    Result r = veltactl({"--tcp", sim.target(), "--fast", "set-all", sent});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("ok " + sim.target() + " set-all 310/310")) << r.out.toStdString();

    const QString back = file("back.dat");
    r = veltactl({"--tcp", sim.target(), "--fast", "--quiet", "read-all", back});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << "--quiet prints errors only: " << r.out.toStdString();
    EXPECT_EQ(bytes_of(back), bytes_of(sent));

    // Over it a factory file, keeping what the device held first.
    velta::reset_settings_model();
    const QString factory = file("factory.dat");
    ASSERT_TRUE(velta::save_settings_file(factory.toStdString(), velta::model().config));
    const QString backups = file("backups");
    r = veltactl({"--tcp", sim.target(), "--fast", "set-all", factory, "--backup", backups});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList kept = QDir(backups).entryList({"*.dat"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(r.out.contains(sim.target() + ": backup " + backups)) << r.out.toStdString();
    EXPECT_EQ(velta::load_settings_file(QDir(backups).filePath(kept[0]).toStdString()).config,
              velta::load_settings_file(sent.toStdString()).config);
    EXPECT_TRUE(r.out.contains("ok " + sim.target() + " set-all 310/310")) << r.out.toStdString();
}

TEST_F(Veltactl, DiffListsTheChangesAndSyncSendsOnlyThePlanThenVerifies)
{
    const QString base = file("base.dat");
    const QString changed = file("changed.dat");
    make_settings_file(base);
    const QStringList keys = make_changed_file(base, changed);
    const QString log = file("device.log");
    Sim sim({"--log", log});
    ASSERT_EQ(veltactl({"--tcp", sim.target(), "--fast", "set-all", base}).code, 0);

    Result r = veltactl({"--tcp", sim.target(), "diff", base});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(sim.target() + ": equals " + base)) << r.out.toStdString();
    r = veltactl({"--tcp", sim.target(), "--json", "diff", changed});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(keys_of(json_of(r)["differences"].toArray()), keys) << r.out.toStdString();

    r = veltactl({"--tcp", sim.target(), "--json", "sync", changed, "--dry-run"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray plan = json_of(r)["plan"].toArray();
    EXPECT_FALSE(json_of(r)["sent"].toBool());

    const QString backups = file("backups");
    r = veltactl(
        {"--tcp", sim.target(), "--json", "sync", changed, "--verify", "--backup", backups});
    EXPECT_EQ(r.code, 0) << r.err.toStdString() << r.out.toStdString();
    const QJsonObject result = json_of(r);
    EXPECT_TRUE(result["verify"].toObject()["ok"].toBool()) << r.out.toStdString();
    EXPECT_EQ(bytes_of(result["backup"].toString()), bytes_of(base)) << "the device held base";

    // Apart from read queries the device took the plan's commands and nothing else: none from
    // the dry run, none from the diffs.
    QStringList taken;
    for (const QString& line : QString::fromStdString(bytes_of(log)).split('\n')) {
        const qsizetype at = line.indexOf(" < ");
        const QString command = at < 0 ? QString() : line.mid(at + 3);
        if (at >= 0 && (!command.startsWith('R') || command.startsWith("RM")))  // RM: remote mode
            taken << command;
    }
    ASSERT_EQ(taken.size(), velta::k_set_all_steps + plan.size()) << r.out.toStdString();
    for (qsizetype i = 0; i < plan.size(); ++i)  // titles are logged as bytes: compare the heads
        EXPECT_EQ(taken[velta::k_set_all_steps + i].left(5),
                  plan[i].toObject()["command"].toString().left(5));

    const QString back = file("back.dat");
    ASSERT_EQ(veltactl({"--tcp", sim.target(), "--fast", "read-all", back}).code, 0);
    EXPECT_EQ(bytes_of(back), bytes_of(changed)) << "the device does not hold the file";
}

TEST_F(Veltactl, VerifyNamesTheItemTheDeviceDidNotTake)
{
    const QString base = file("base.dat");
    const QString changed = file("changed.dat");
    make_settings_file(base);
    make_changed_file(base, changed);
    const int n = k_first_plan_command;
    const struct {
        QStringList fault;
        QStringList run;  // after the set-all of base
        QString key;
    } cases[] = {
        // The first plan step is the first changed title, the last one the hold time.
        {{"--error-at", QStringLiteral("%1:E3").arg(n)},
         {"sync", changed, "--verify"},
         "title.003"},
        {{"--store-wrong-at", QString::number(n + 4)},
         {"sync", changed, "--verify"},
         "alarm.hold_time"},
        {{"--store-wrong-at", QString::number(velta::k_set_all_steps + 5)},
         {"set-all", base, "--verify"},
         "title.005"},
    };
    for (const auto& c : cases) {
        Sim sim(c.fault);
        ASSERT_EQ(veltactl({"--tcp", sim.target(), "--fast", "set-all", base}).code, 0);
        const Result r = veltactl(QStringList{"--tcp", sim.target(), "--fast", "--json"} + c.run);
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        EXPECT_EQ(keys_of(json_of(r)["verify"].toObject()["differences"].toArray()),
                  QStringList{c.key})
            << c.fault.join(' ').toStdString() << ": " << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("verify failed: 1 item differs")) << r.err.toStdString();
    }
}

TEST_F(Veltactl, GlyphsSetThenGlyphsReadGivesTheSameFile)
{
    const QString sent = file("sent.tls");
    make_glyph_file(sent);
    Sim sim;
    Result r = veltactl({"--tcp", sim.target(), "--fast", "glyphs-set", "small", sent});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString back = file("back.tls");
    r = veltactl({"--tcp", sim.target(), "--fast", "glyphs-read", "small", back});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(bytes_of(back), bytes_of(sent));
}

TEST_F(Veltactl, ErrorAnswerFailsTheRunNamesItAndWritesNothing)
{
    Sim sim({"--error-at", "5:E3"});
    const QString out = file("out.dat");
    const Result r = veltactl({"--tcp", sim.target(), "--fast", "read-all", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(sim.target() +
                               ": step 5 of 312: sent \"RCA005<CR><LF>\", "
                               "answered \"E3<CR><LF>\": the device answered E3 (Socket Command)"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("not written")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(r.out.contains("progress " + sim.target() + " read-all 6/312"))
        << "the run went on after the error";
}

TEST_F(Veltactl, UnreadableInputOrAStepThatCannotBeBuiltEndsBeforeAnyCommand)
{
    const QString log = file("device.log");
    Sim sim({"--log", log});
    velta::reset_settings_model();
    velta::model().config.pages.page_title[16] = "AB";  // no JIS code for plain letters
    const QString bad_title = file("bad-title.dat");
    ASSERT_TRUE(velta::save_settings_file(bad_title.toStdString(), velta::model().config));
    velta::reset_settings_model();
    // A glyph list whose third record is no glyph digit.
    const QString bad_glyphs = file("bad.tls");
    make_glyph_file(bad_glyphs);
    QByteArray glyph_bytes = QByteArray::fromStdString(bytes_of(bad_glyphs));
    const qsizetype third = glyph_bytes.indexOf("\r\n", glyph_bytes.indexOf("\r\n") + 2) + 2;
    glyph_bytes[third] = 'Z';
    QFile bad_file(bad_glyphs);
    ASSERT_TRUE(bad_file.open(QIODevice::WriteOnly));
    bad_file.write(glyph_bytes);
    bad_file.close();
    const QString folder = dir_.path();
    const QString is_a_folder =
        QString::fromStdString(std::make_error_code(std::errc::is_a_directory).message());
    const struct {
        QStringList args;
        QString says;
    } cases[] = {
        {{"set-all", folder}, folder + ": cannot be read: " + is_a_folder},
        {{"glyphs-set", "small", folder}, folder + ": cannot be read: " + is_a_folder},
        {{"glyphs-set", "small", bad_glyphs},
         bad_glyphs + ": nothing was sent: line 3 holds no glyph record"},
        {{"set-all", bad_title},
         bad_title + ": nothing sent: line 273 holds a value no command can carry"},
    };
    for (const auto& c : cases) {
        const Result r = veltactl(QStringList{"--tcp", sim.target(), "--fast"} + c.args);
        EXPECT_EQ(r.code, 4) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    sim.stop();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains(" < ")) << "a command reached the device";

    // Asked for, the bad record goes as a blank glyph digit and the rest as in the file.
    Sim other;
    Result r = veltactl({"--tcp", other.target(), "--fast", "glyphs-set", "small", bad_glyphs,
                         "--blank-bad-records"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("その部分を空白にして読み込みました")) << r.err.toStdString();
    const QString back = file("back.tls");
    r = veltactl({"--tcp", other.target(), "--fast", "glyphs-read", "small", back});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    glyph_bytes[third] = '0';
    EXPECT_EQ(bytes_of(back), glyph_bytes.toStdString());
}

TEST_F(Veltactl, MissingAnswerFailsAfterTheTimeOut)
{
    Sim sim({"--no-answer-at", "3"});
    const QString out = file("out.dat");
    QElapsedTimer t;
    t.start();
    const Result r =
        veltactl({"--tcp", sim.target(), "--fast", "--timeout", "300", "read-all", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("step 3 of 312: sent \"RCA003<CR><LF>\": no answer"))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_LT(t.elapsed(), 10000);
}

TEST_F(Veltactl, DisconnectFailsTheRunAndKeepPartialWritesWhatCame)
{
    Sim sim({"--close-after", "20"});
    const QString out = file("out.dat");
    const Result r = veltactl({"--tcp", sim.target(), "--fast", "--keep-partial", "read-all", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("the connection was lost")) << r.err.toStdString();
    // The device answered 20 commands: the step lost is the 21st, not one after it.
    EXPECT_TRUE(r.err.contains("step 21 of 312")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("wrote partial")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(out));
}

TEST_F(Veltactl, GlyphReadGoesOnThroughErrorsButWritesNoFile)
{
    Sim sim({"--error-at", "3:E1", "--error-at", "9:E3"});
    const QString out = file("g.tll");
    const Result r = veltactl({"--tcp", sim.target(), "--fast", "glyphs-read", "large", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("step 3 of 70")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("step 9 of 70")) << "the run stopped at the first error";
    EXPECT_TRUE(r.out.contains("failed " + sim.target() + " glyphs-read 70/70"))
        << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Veltactl, ThreeDevicesInTurnEachReportedAndEachWithItsOwnFile)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    Sim a, b, c;
    const QString targets = a.target() + "," + b.target() + "," + c.target();
    Result r = veltactl({"--tcp", targets, "--fast", "set-all", sent});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    for (const Sim* s : {&a, &b, &c})
        EXPECT_TRUE(r.out.contains("ok " + s->target() + " set-all 310/310"))
            << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("3 devices: 3 ok, 0 failed"));

    r = veltactl({"--tcp", targets, "--fast", "read-all", file("back.dat")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    for (const Sim* s : {&a, &b, &c}) {
        const QString own = file(QStringLiteral("back-127.0.0.1-%1.dat").arg(s->port()));
        EXPECT_EQ(bytes_of(own), bytes_of(sent)) << own.toStdString();
    }

    // One device fails, one cannot be reached: the others are still served, and each failure
    // names its device.
    Sim bad({"--error-at", "1:E3"});
    c.stop();
    r = veltactl(
        {"--tcp", a.target() + "," + bad.target() + "," + c.target(), "--fast", "send", "RVN"});
    EXPECT_EQ(r.code, 3) << "unreachable outranks a failed command";
    EXPECT_TRUE(r.out.contains(a.target() + ": VN")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(bad.target() + ": step 1 of 1: sent \"RVN<CR><LF>\", answered "
                                              "\"E3<CR><LF>\""))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.target() + ": cannot connect")) << r.err.toStdString();
}

// Eight devices, four at a time, each on its own connection: a device that refuses a command
// and one that leaves mid-run fail alone while the others finish, and read-all writes one file
// a device, each equal to what that device holds.
TEST_F(Veltactl, EightDevicesFourAtATimeFailAloneAndReadIntoOneFileEach)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    constexpr int k_refuses = 2;
    constexpr int k_leaves = 5;
    std::vector<std::unique_ptr<Sim>> sims;
    QStringList targets;
    for (int i = 0; i < 8; ++i) {
        // A short delay a answer keeps each run long enough to overlap the others.
        QStringList extra{"--delay", "3"};
        if (i == k_refuses)
            extra << "--error-at"
                  << "40:E3";
        if (i == k_leaves)
            extra << "--close-after"
                  << "60";
        sims.push_back(std::make_unique<Sim>(extra));
        targets << sims.back()->target();
    }
    Result r = veltactl({"--tcp", targets.join(','), "--jobs", "4", "--fast", "set-all", sent});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    const QStringList lines = r.out.split('\n');
    int started_before_an_end = 0;
    for (const QString& line : lines) {
        if (line.startsWith("ok ") || line.startsWith("failed "))
            break;
        started_before_an_end += line.startsWith("start ") ? 1 : 0;
    }
    EXPECT_EQ(started_before_an_end, 4) << r.out.toStdString();
    const auto row = [&](int i, const QString& result) {
        return QRegularExpression("\\n" + QRegularExpression::escape(targets[i]) + " +" +
                                  QRegularExpression::escape(result) + " ");
    };
    EXPECT_TRUE(r.out.contains(row(k_refuses, "failed: the device answered E3")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(row(k_leaves, "failed: the connection was lost")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(row(0, "ok"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("8 devices: 6 ok, 2 failed")) << r.out.toStdString();

    const QString out_dir = file("out");
    r = veltactl({"--tcp", targets.join(','), "--jobs", "4", "--fast", "--json", "read-all",
                  "--out-dir", out_dir});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray rows = json_of(r)["devices"].toArray();
    ASSERT_EQ(rows.size(), 8) << r.out.toStdString();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rows[i].toObject()["device"].toString(), targets[i]);
        EXPECT_EQ(rows[i].toObject()["result"].toString(), "ok");
    }
    for (int i = 0; i < 8; ++i) {
        const QString own = out_dir + QStringLiteral("/127.0.0.1-%1.dat").arg(sims[i]->port());
        if (i != k_refuses && i != k_leaves) {
            EXPECT_EQ(bytes_of(own), bytes_of(sent)) << own.toStdString();
            continue;
        }
        // A device that failed holds part of the file; its own file is what it holds.
        EXPECT_NE(bytes_of(own), bytes_of(sent)) << own.toStdString();
        EXPECT_EQ(veltactl({"--tcp", targets[i], "--quiet", "diff", own}).code, 0)
            << own.toStdString();
    }
}

// Ctrl+C with devices at once: a device that finished keeps its result, the running one is
// reported as interrupted with how far it got.
TEST_F(Veltactl, AnInterruptKeepsFinishedDevicesAndReportsRunningOnes)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    Sim quick;
    Sim slow({"--delay", "50"});  // 310 steps take 15 s
    QProcess tool;
    tool.start(k_veltactl, {"--tcp", quick.target() + "," + slow.target(), "--jobs", "2", "--fast",
                            "set-all", sent});
    ASSERT_TRUE(tool.waitForStarted(5000));
    QByteArray seen;
    QElapsedTimer waited;
    waited.start();
    while (!(seen.contains("ok " + quick.target().toUtf8()) &&
             seen.contains(slow.target().toUtf8() + " set-all 3/310")) &&
           waited.elapsed() < 20000 && tool.state() == QProcess::Running) {
        tool.waitForReadyRead(200);
        seen += tool.readAllStandardOutput();
    }
    ::kill(static_cast<pid_t>(tool.processId()), SIGINT);
    Result r = finish(tool, 5000);
    EXPECT_EQ(r.code, 130);
    EXPECT_TRUE(r.err.contains(slow.target() + ": interrupted after ")) << r.err.toStdString();
    const auto row = [](const Sim& sim, const char* result) {
        return QRegularExpression("\\n" + QRegularExpression::escape(sim.target()) + " +" + result +
                                  " ");
    };
    EXPECT_TRUE(r.out.contains(row(quick, "ok"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(row(slow, "interrupted"))) << r.out.toStdString();
}

TEST_F(Veltactl, ListenServesEachDeviceThatConnects)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    QProcess tool;
    tool.start(k_veltactl, {"--listen", "0", "--count", "2", "--fast", "set-all", sent});
    ASSERT_TRUE(tool.waitForReadyRead(5000));
    const QString first = QString::fromUtf8(tool.readLine());
    const QRegularExpressionMatch m = QRegularExpression("listening on port (\\d+)").match(first);
    ASSERT_TRUE(m.hasMatch()) << first.toStdString();
    const int port = m.captured(1).toInt();

    const QString state1 = file("state1.txt");
    const QString state2 = file("state2.txt");
    auto one = Sim::connecting(port, {"--state-out", state1});
    auto two = Sim::connecting(port, {"--state-out", state2});
    const Result r = finish(tool);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QRegularExpression("ok 127\\.0\\.0\\.1 #\\d set-all 310/310")), 2)
        << r.out.toStdString();
    one->stop();
    two->stop();
    for (const QString& state : {state1, state2})
        EXPECT_NE(bytes_of(state).find("ADT123"), std::string::npos) << "settings not received";
}

TEST_F(Veltactl, ListenCountsOnlyDevicesThatAnsweredAndTracesDroppedLines)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    const QString trace = file("trace.log");
    QProcess tool;
    tool.start(k_veltactl, {"--listen", "127.0.0.1:0", "--count", "2", "--jobs", "2", "--fast",
                            "--trace", trace, "set-all", sent});
    ASSERT_TRUE(tool.waitForReadyRead(5000));
    const QString first = QString::fromUtf8(tool.readLine());
    const QRegularExpressionMatch m =
        QRegularExpression("listening on 127\\.0\\.0\\.1, port (\\d+)").match(first);
    ASSERT_TRUE(m.hasMatch()) << first.toStdString();
    const auto port = static_cast<quint16>(m.captured(1).toInt());

    // Two peers that are no device: a port probe, and one that answers with a line far too
    // long to be an answer and leaves.
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(probe.waitForConnected(5000));
    const quint16 probe_port = probe.localPort();
    probe.close();
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(flood.waitForConnected(5000));
    ASSERT_TRUE(flood.waitForReadyRead(5000)) << "the tool's first command";
    flood.write(QByteArray(700, 'A') + "\r\n");
    ASSERT_TRUE(flood.waitForBytesWritten(5000));
    const quint16 flood_port = flood.localPort();
    flood.close();

    auto one = Sim::connecting(port);
    auto two = Sim::connecting(port);
    const Result r = finish(tool);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QRegularExpression("ok 127\\.0\\.0\\.1 #\\d set-all 310/310")), 2)
        << r.out.toStdString() << r.err.toStdString();
    for (const quint16 p : {probe_port, flood_port})
        EXPECT_EQ(r.err.split('\n').filter(QStringLiteral("127.0.0.1:%1: ").arg(p)).size(), 1)
            << "told once: " << r.err.toStdString();
    EXPECT_EQ(r.err.count("not counted"), 2) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("2 devices: 2 ok, 0 failed")) << r.out.toStdString();
    EXPECT_NE(
        bytes_of(trace).find("dropped (line too long): " + std::string(700, 'A') + "<CR><LF>"),
        std::string::npos);
}

TEST_F(Veltactl, ADeviceThatLeavesMidCommandDoesNotFailTheNext)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    QProcess tool;
    // A long time-out: a timer left over from the first device would hold up the second.
    tool.start(k_veltactl,
               {"--listen", "0", "--count", "2", "--fast", "--timeout", "20000", "set-all", sent});
    ASSERT_TRUE(tool.waitForReadyRead(5000));
    const QRegularExpressionMatch m =
        QRegularExpression("listening on port (\\d+)").match(QString::fromUtf8(tool.readLine()));
    ASSERT_TRUE(m.hasMatch());
    QElapsedTimer clock;
    clock.start();
    // It leaves on its 5th command without answering, then comes back as the next device.
    auto sim =
        Sim::connecting(m.captured(1).toInt(), {"--no-answer-at", "5", "--close-after", "5"});
    const Result r = finish(tool);
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_TRUE(r.err.contains("#1: step 5 of 310")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression("ok 127\\.0\\.0\\.1 #2 set-all 310/310")))
        << r.out.toStdString() << r.err.toStdString();
}

TEST_F(Veltactl, SerialOverAPtyPairWithAnRs485Address)
{
    const QString sent = file("sent.dat");
    make_settings_file(sent);
    const QString tool_end = file("tool-tty");
    const QString sim_end = file("sim-tty");
    QProcess pair;
    pair.start("socat", {"pty,raw,echo=0,link=" + tool_end, "pty,raw,echo=0,link=" + sim_end});
    ASSERT_TRUE(pair.waitForStarted(5000));
    for (int i = 0; i < 50 && !(QFile::exists(tool_end) && QFile::exists(sim_end)); ++i)
        QThread::msleep(20);
    ASSERT_TRUE(QFile::exists(sim_end));
    QProcess sim;
    sim.start(k_devsim, {"--serial", sim_end, "--rs485", "07"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QThread::msleep(200);

    const QString trace = file("trace.txt");
    Result r = veltactl({"--serial", tool_end, "--rs485", "07", "--fast", "--timeout", "2000",
                         "--trace", trace, "set-all", sent});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const std::string t = bytes_of(trace);
    EXPECT_NE(t.find(" > 07CA001"), std::string::npos) << "the address goes before each command";
    EXPECT_NE(t.find(" < 07GO<CR><LF>"), std::string::npos) << "received bytes are traced whole";

    const QString back = file("back.dat");
    r = veltactl(
        {"--serial", tool_end, "--rs485", "07", "--fast", "--timeout", "2000", "read-all", back});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(bytes_of(back), bytes_of(sent));

    // Another address on the bus: nobody answers.
    r = veltactl({"--serial", tool_end, "--rs485", "08", "--timeout", "300", "send", "RVN"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("no answer within 300 ms")) << r.err.toStdString();

    sim.terminate();
    sim.waitForFinished(3000);
    pair.terminate();
    pair.waitForFinished(3000);
}

TEST_F(Veltactl, SyncOverAPtyWithAnRs485Address)
{
    const QString base = file("base.dat");
    const QString changed = file("changed.dat");
    make_settings_file(base);
    make_changed_file(base, changed);
    velta::PtyPair pair;
    ASSERT_TRUE(pair.ready());
    QProcess sim;
    sim.start(k_devsim, {"--serial", pair.device_side(), "--rs485", "07"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QThread::msleep(200);
    const QStringList link{"--serial", pair.tool_side(), "--rs485", "07", "--timeout", "2000"};
    ASSERT_EQ(veltactl(link + QStringList{"--fast", "set-all", base}).code, 0);

    Result r = veltactl(link + QStringList{"sync", changed, "--verify"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(pair.tool_side() + ": sent 5 commands")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(pair.tool_side() + ": verify ok")) << r.out.toStdString();
    r = veltactl(link + QStringList{"diff", changed});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    sim.terminate();
    sim.waitForFinished(3000);
}

TEST_F(Veltactl, PacedRunKeepsThePeriodAndAnInterruptWritesNothing)
{
    Sim sim;
    const QString out = file("out.dat");
    const QString trace = file("trace.txt");
    QProcess tool;
    tool.start(k_veltactl, {"--tcp", sim.target(), "--trace", trace, "read-all", out});
    ASSERT_TRUE(tool.waitForStarted(5000));
    // Interrupted once five steps went out at the read-all period of 300 ms.
    QByteArray seen;
    QElapsedTimer waited;
    waited.start();
    while (!seen.contains(" read-all 5/312") && waited.elapsed() < 20000 &&
           tool.state() == QProcess::Running) {
        tool.waitForReadyRead(200);
        seen += tool.readAllStandardOutput();
    }
    ASSERT_TRUE(seen.contains(" read-all 5/312")) << seen.toStdString();
    ::kill(static_cast<pid_t>(tool.processId()), SIGINT);
    const Result r = finish(tool, 5000);
    EXPECT_EQ(r.code, 130);
    EXPECT_TRUE(r.err.contains("interrupted")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // The time stamps of the queries: one every 300 ms.
    std::vector<double> at;
    const QStringList lines = QString::fromStdString(bytes_of(trace)).split('\n');
    for (const QString& line : lines)
        if (line.contains(" > RCA"))
            at.push_back(line.section(' ', 2, 2).toDouble());
    ASSERT_GE(at.size(), 3u) << bytes_of(trace);
    for (std::size_t i = 1; i < at.size(); ++i)
        EXPECT_GT(at[i] - at[i - 1], 0.299) << "step " << i + 1 << " left early";
    // A loaded machine may hold a step back now and then, never the whole run.
    const double mean = (at.back() - at.front()) / static_cast<double>(at.size() - 1);
    EXPECT_LT(mean, 0.400) << bytes_of(trace);
}

TEST_F(Veltactl, VersionPrintsTheToolsAndTheDevicesVersion)
{
    Result r = veltactl({"version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), "VELTA Version 1.32");
    Sim sim;
    r = veltactl({"--tcp", sim.target(), "--fast", "version"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("VELTA Version 1.32\n"));
    EXPECT_TRUE(r.out.contains(QRegularExpression(sim.target() + ": firmware version \\S{4}\n")))
        << r.out.toStdString();
    r = veltactl({"--tcp", sim.target(), "read-all"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("read-all: give the file"));
    r = veltactl({"--listen", "300.1.2.3:0", "version"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("'300.1.2.3' is not an IPv4 or IPv6 address"))
        << r.err.toStdString();
}

TEST_F(Veltactl, PagesExportThenImportCarryEveryPageThroughACsvFile)
{
    const QString base = file("base.dat");
    make_settings_file(base);
    velta::DeviceConfig titled = velta::load_settings_file(base.toStdString()).config;
    titled.pages.page_title[5] =
        std::string("\x10\x21", 2) + velta::to_cp932(QStringLiteral("外字と{括弧},\"引用\""));
    titled.pages.page_title[6] = velta::to_cp932(QStringLiteral("ｶﾅ1"));  // odd length
    ASSERT_TRUE(velta::save_settings_file(base.toStdString(), titled));
    const std::string base_bytes = bytes_of(base);

    const QString csv = file("pages.csv");
    Result r = veltactl({"pages-export", base, csv});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "ページ 256 行を書き出しました: " + csv + "\n");
    const QByteArray exported = QByteArray::fromStdString(bytes_of(csv));
    ASSERT_TRUE(exported.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(exported.mid(3));
    EXPECT_TRUE(text.contains("\r\n001,テスト,下,3,白,黒,OFF,HIGH\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\r\n006,\"{外字002}外字と{{括弧},\"\"引用\"\"\","))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\r\n007,ｶﾅ1,")) << text.toStdString();

    // Onto a factory file, in UTF-8 and as a spreadsheet saves it in code page 932: the pages of
    // base, the rest of the factory file.
    const QString factory = file("factory.dat");
    ASSERT_TRUE(velta::save_settings_file(factory.toStdString(), velta::DeviceConfig{}));
    velta::DeviceConfig expected;
    expected.pages = titled.pages;
    const QString expected_file = file("expected.dat");
    ASSERT_TRUE(velta::save_settings_file(expected_file.toStdString(), expected));
    int changed = 0;
    for (int s = 0; s < velta::k_page_slots; ++s)
        for (int c = 0; c < velta::k_page_columns; ++c)
            changed += !velta::same_cell(velta::DeviceConfig{}, expected, s,
                                         static_cast<velta::PageColumn>(c));
    const QString sjis_csv = file("pages-sjis.csv");
    QFile sjis(sjis_csv);
    ASSERT_TRUE(sjis.open(QIODevice::WriteOnly));
    sjis.write(QByteArray::fromStdString(velta::to_cp932(text)));
    sjis.close();
    for (const QString& in : {csv, sjis_csv}) {
        const QString back = file("back.dat");
        r = veltactl({"pages-import", factory, in, back});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QString::number(changed) + " セルを変更しました: " + back + "\n");
        EXPECT_EQ(bytes_of(back), bytes_of(expected_file)) << in.toStdString();
        QFile::remove(back);
    }
    EXPECT_EQ(bytes_of(base), base_bytes);

    // A cell that cannot go in writes nothing; the input is never the output.
    const QString bad = file("bad.csv");
    QFile bad_file(bad);
    ASSERT_TRUE(bad_file.open(QIODevice::WriteOnly));
    bad_file.write("ページ,文字色\r\n3,白\r\n4,紫\r\n");
    bad_file.close();
    const QString out = file("out.dat");
    r = veltactl({"pages-import", base, bad, out});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err, "veltactl: " + bad + ": not imported: 3 行目 文字色: 紫 は一覧にありません; " +
                         out + " not written\n");
    EXPECT_FALSE(QFile::exists(out));
    r = veltactl({"pages-import", base, csv, dir_.path() + "/./base.dat"});
    EXPECT_EQ(r.code, 2) << r.err.toStdString();
    EXPECT_EQ(bytes_of(base), base_bytes);
    r = veltactl({"--tcp", "127.0.0.1:9004", "pages-export", base, csv});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("pages-export: works on files alone")) << r.err.toStdString();
}

}  // namespace
