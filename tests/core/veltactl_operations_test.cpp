// Protects what each veltactl command sends (the program's own step tables and builders), what
// it expects back, and that a read command never leaves a partial or clobbered file.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "compare_run.h"
#include "core/common/file_io.h"
#include "core/common/run_activity.h"
#include "core/device/batch_steps.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "operations.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace veltactl {
namespace {

namespace fs = std::filesystem;

Options options_for(Command command, std::string file = {})
{
    Options o;
    o.link = LinkMode::tcp;
    o.command = command;
    o.file = std::move(file);
    return o;
}

std::tm march_fifth()
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 30;
    return t;
}

// Runs every step of an operation into the capture, as the driver would.
std::vector<Expect> send_all(const Operation& op)
{
    std::vector<Expect> expects;
    for (int n = 1; n <= op.steps; ++n) {
        const Step s = op.step(n);
        s.send(velta::program_context());
        expects.push_back(s.expect);
    }
    return expects;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() /
                    ("veltactl_ops_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
};

RunReport finished_run(int steps, bool ok)
{
    RunReport r;
    r.steps = steps;
    r.steps_done = ok ? steps : 3;
    r.completed = ok;
    if (!ok)
        r.failures.push_back(
            Failure{3, steps, "RCA003\r\n", "E3\r\n", "the device answered E3", ""});
    return r;
}

TEST(VeltactlOperations, SetAllSendsTheDialogsCommandsInTheirOrder)
{
    velta::WireCapture wire;
    const Operation op = make_operation(options_for(Command::set_all), march_fifth());
    EXPECT_EQ(op.steps, velta::k_set_all_steps);
    EXPECT_EQ(op.period_ms, velta::k_set_all_period_ms);
    const std::vector<Expect> expects = send_all(op);
    ASSERT_EQ(wire.sent().size(), 310u);
    EXPECT_TRUE(wire.sent()[0].starts_with("CA001"));
    EXPECT_TRUE(wire.sent()[256].starts_with("SD01"));
    EXPECT_TRUE(wire.sent()[309].starts_with("IDP"));
    for (const Expect& e : expects) EXPECT_EQ(e.kind, ExpectKind::go);
}

TEST(VeltactlOperations, ReadAllAsksEveryQueryAndExpectsItsReply)
{
    velta::WireCapture wire;
    const Operation op = make_operation(options_for(Command::read_all), march_fifth());
    EXPECT_EQ(op.steps, velta::k_read_all_steps);
    EXPECT_EQ(op.period_ms, velta::k_read_all_period_ms);
    EXPECT_TRUE(op.stop_on_error);
    const std::vector<Expect> expects = send_all(op);
    ASSERT_EQ(wire.sent().size(), 311u) << "the completion step sends nothing";
    EXPECT_EQ(wire.sent()[0], "RCA001\r\n");
    EXPECT_EQ(expects[0].prefix, "CA001");
    EXPECT_EQ(expects[288].prefix, "ADO");  // RAD
    EXPECT_EQ(expects[310].prefix, "VLBC");
}

TEST(VeltactlOperations, GlyphReadsAskEachSlotsCodeAndStoreIntoThatSlot)
{
    velta::WireCapture wire;
    Options o = options_for(Command::glyphs_read, "s.tls");
    o.glyph_size = velta::GlyphSize::small;
    begin_device(o, velta::program_context());
    EXPECT_TRUE(velta::glyph_run_active());
    const Operation op = make_operation(o, march_fifth());
    EXPECT_EQ(op.steps, 256);
    EXPECT_FALSE(op.stop_on_error) << "list runs go on through error answers";
    velta::link_status().read_pending = 1;  // left over from an unanswered read
    const Step s = op.step(215);
    s.send(velta::program_context());
    EXPECT_EQ(wire.last(), "RFBMSA621\r\n");
    EXPECT_EQ(velta::model().glyphs.glyph_transfer_index, 214);
    EXPECT_EQ(s.expect.prefix, "FBMS");
    EXPECT_EQ(s.expect.min_length, 8u + 144u);
    EXPECT_EQ(s.expect.hex_count, 144u);
}

TEST(VeltactlOperations, GlyphRegistrationSendsEverySlotOfTheStore)
{
    velta::WireCapture wire;
    Options o = options_for(Command::glyphs_set, "l.tll");
    o.glyph_size = velta::GlyphSize::large;
    const auto slot = velta::glyph_slot(velta::model().glyphs, velta::GlyphSize::large, 69);
    std::fill(slot.begin(), slot.begin() + 576, 'F');
    const Operation op = make_operation(o, march_fifth());
    EXPECT_EQ(op.steps, 70);
    send_all(op);
    ASSERT_EQ(wire.sent().size(), 70u);
    EXPECT_EQ(wire.sent()[69], "GRL070" + std::string(576, 'F') + "\r\n");
    EXPECT_EQ(wire.sent()[0], "GRL001" + std::string(576, '0') + "\r\n");
}

TEST(VeltactlOperations, TimeSyncSendsTheComputersClockField)
{
    velta::WireCapture wire;
    const Options o = options_for(Command::time_sync);
    EXPECT_TRUE(answer_paced(o)) << "the fields must leave close together";
    send_all(make_operation(o, march_fifth()));
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"DSY26\r\n", "DSM03\r\n", "DSD05\r\n",
                                                     "TSH09\r\n", "TSM07\r\n", "TSS30\r\n"}));
    wire.clear();
    std::tm leap = march_fifth();
    leap.tm_sec = 60;
    send_all(make_operation(o, leap));
    EXPECT_EQ(wire.last(), "TSS59\r\n");
    std::tm future = march_fifth();
    future.tm_year = 2100 - 1900;
    const Outcome refused = prepare_input(o, future, velta::model());
    EXPECT_EQ(refused.exit_code, k_exit_usage);
    EXPECT_NE(refused.error.find("2100"), std::string::npos);
}

TEST(VeltactlOperations, VersionAndSendReportTheAnswer)
{
    velta::WireCapture wire;
    Options o = options_for(Command::send);
    o.raw = "TSA\r\n";
    send_all(make_operation(o, march_fifth()));
    EXPECT_EQ(wire.last(), "TSA\r\n");
    RunReport r = finished_run(1, true);
    r.last_answer = "GO\r\n";
    EXPECT_EQ(finish_device(o, velta::program_context(), r, "d", "").report, "d: GO");

    const Options v = options_for(Command::version);
    send_all(make_operation(v, march_fifth()));
    EXPECT_EQ(wire.last(), "RVN\r\n");
    velta::model().extras.firmware_version = "2.05";
    EXPECT_EQ(finish_device(v, velta::program_context(), finished_run(1, true), "d", "").report,
              "d: firmware version 2.05");
    const Outcome failed =
        finish_device(v, velta::program_context(), finished_run(1, false), "d", "");
    EXPECT_EQ(failed.exit_code, k_exit_failed);
    EXPECT_EQ(failed.report, "") << "no version is claimed from a failed read";
}

TEST(VeltactlOperations, ReadAllWritesOnlyAfterEveryStepSucceeded)
{
    velta::WireCapture wire;
    TempDir dir;
    const std::string path = dir.file("all.dat");
    Options o = options_for(Command::read_all, path);
    begin_device(o, velta::program_context());
    velta::model().config.pages.page_title_position[4] = 0;

    Outcome out = finish_device(o, velta::program_context(), finished_run(312, false), "d", path);
    EXPECT_EQ(out.exit_code, k_exit_failed);
    EXPECT_FALSE(fs::exists(path)) << "a failed read left a file";
    EXPECT_NE(out.error.find("not written"), std::string::npos);

    // An older file of the same name survives a failed read untouched.
    ASSERT_TRUE(velta::write_file_atomically(path, "old"));
    finish_device(o, velta::program_context(), finished_run(312, false), "d", path);
    EXPECT_EQ(velta::read_file_bytes(path).value_or(""), "old");

    out = finish_device(o, velta::program_context(), finished_run(312, true), "d", path);
    EXPECT_EQ(out.exit_code, k_exit_ok);
    EXPECT_EQ(velta::read_file_bytes(path).value_or(""),
              velta::settings_file_text(velta::model().config));

    o.keep_partial = true;
    fs::remove(path);
    out = finish_device(o, velta::program_context(), finished_run(312, false), "d", path);
    EXPECT_EQ(out.exit_code, k_exit_failed) << "a partial file is still a failure";
    EXPECT_TRUE(fs::exists(path));
    EXPECT_NE(out.report.find("partial"), std::string::npos);
}

TEST(VeltactlOperations, GlyphReadsStartBlankAndWriteTheListFile)
{
    velta::WireCapture wire;
    TempDir dir;
    const std::string path = dir.file("m.tlm");
    Options o = options_for(Command::glyphs_read, path);
    o.glyph_size = velta::GlyphSize::medium;
    const auto slot = velta::glyph_slot(velta::model().glyphs, velta::GlyphSize::medium, 3);
    std::fill(slot.begin(), slot.begin() + 256, 'A');  // a glyph of an earlier device
    begin_device(o, velta::program_context());
    EXPECT_EQ(slot[0], '0') << "one device's glyphs must not reach the next one's file";

    EXPECT_FALSE(fs::exists(path));
    finish_device(o, velta::program_context(), finished_run(160, false), "d", path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(velta::glyph_run_active());

    const Outcome out =
        finish_device(o, velta::program_context(), finished_run(160, true), "d", path);
    EXPECT_EQ(out.exit_code, k_exit_ok);
    EXPECT_EQ(velta::read_file_bytes(path).value_or(""),
              velta::glyph_list_bytes(velta::model().glyphs, velta::GlyphSize::medium));
}

TEST(VeltactlOperations, InputFilesAreCheckedBeforeAnyDeviceIsReached)
{
    velta::WireCapture wire;
    TempDir dir;
    const std::string missing = dir.file("missing.dat");
    Outcome out =
        prepare_input(options_for(Command::set_all, missing), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_file);
    EXPECT_NE(out.error.find("cannot be read"), std::string::npos);

    const std::string bad = dir.file("bad.dat");
    ASSERT_TRUE(velta::write_file_atomically(bad, "1\r\nx\r\n"));
    out = prepare_input(options_for(Command::set_all, bad), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_file);
    EXPECT_NE(out.error.find(bad), std::string::npos);

    const std::string good = dir.file("good.dat");
    velta::model().config.device.alarm_mode = 1;
    ASSERT_TRUE(velta::save_settings_file(good, velta::model().config));
    velta::reset_settings_model();
    out = prepare_input(options_for(Command::set_all, good), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_ok) << out.error;
    EXPECT_EQ(velta::model().config.device.alarm_mode, 1);

    // A value no command carries (an earlier version's file) is not replaced by its default
    // on a device: nothing is sent. A diff compares the default, and says so.
    velta::model().config.device.alarm_hold_time = "002";
    ASSERT_TRUE(velta::save_settings_file(good, velta::model().config));
    out = prepare_input(options_for(Command::sync, good), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_file);
    EXPECT_EQ(out.error, good + ": nothing sent: line 4034 holds a value no command can carry");
    out = prepare_input(options_for(Command::diff, good), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_ok);
    EXPECT_NE(out.error.find("line 4034"), std::string::npos) << out.error;
    EXPECT_EQ(velta::model().config.device.alarm_hold_time, "010");

    Options g = options_for(Command::glyphs_set, dir.file("short.tls"));
    g.glyph_size = velta::GlyphSize::small;
    ASSERT_TRUE(velta::write_file_atomically(g.file, "0\r\n1\r\n"));
    out = prepare_input(g, march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_file);

#ifndef _WIN32
    // A read's output that is there and is no file (a FIFO; as root, /dev/null) is not replaced.
    const std::string fifo = dir.file("pipe.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    out = prepare_input(options_for(Command::read_all, fifo), march_fifth(), velta::model());
    EXPECT_EQ(out.exit_code, k_exit_file);
    EXPECT_EQ(out.error, fifo + ": cannot be written: Not a regular file; nothing was sent");
    EXPECT_FALSE(fs::is_regular_file(fifo));
#endif
}

// A sync whose plan cannot be built reports the refusal; the dry run's list of commands has
// none to show.
TEST(VeltactlOperations, DryRunOfAPlanThatCannotBeBuiltReportsTheRefusal)
{
    velta::WireCapture wire;
    Options o = options_for(Command::sync, "site.dat");
    o.dry_run = true;
    velta::model().config.device.alarm_hold_time = "002";
    CompareRun run(
        o, [](std::string_view t) { return std::string(t); }, velta::program_context());
    run.begin("10.0.0.5:9004");
    EXPECT_FALSE(run.next(finished_run(1, true)));  // the device read, with the defaults
    const Outcome out = run.finish();
    EXPECT_EQ(out.exit_code, k_exit_file);
    EXPECT_NE(out.error.find("アラームの保持時間「002」"), std::string::npos) << out.error;
    EXPECT_NE(out.report.find("アラーム 保持時間"), std::string::npos) << out.report;
}

}  // namespace
}  // namespace veltactl
