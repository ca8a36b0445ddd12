// Protects the command-line tool's words (options and commands with clear refusals), the
// verdict on answers, the progress and trace lines and the names of per-device files.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "answer_judge.h"
#include "cli_options.h"
#include "fleet_output.h"
#include "operations.h"
#include "progress_output.h"
#include "wire_trace.h"

namespace veltactl {
namespace {

ParsedOptions parse(std::vector<std::string> args)
{
    return parse_options(args);
}

TEST(VeltactlOptions, TheDocumentedFormsAreTaken)
{
    {
        const ParsedOptions p =
            parse({"--tcp", "10.0.0.5:9004,10.0.0.6:9005", "--fast", "read-all", "all.dat"});
        ASSERT_TRUE(p.ok) << p.error;
        const Options& o = p.options;
        EXPECT_EQ(o.link, LinkMode::tcp);
        ASSERT_EQ(o.targets.size(), 2u);
        EXPECT_EQ(o.targets[1].text(), "10.0.0.6:9005");
        EXPECT_TRUE(o.fast);
        EXPECT_EQ(o.command, Command::read_all);
        EXPECT_EQ(o.file, "all.dat");
    }
    {
        const ParsedOptions p =
            parse({"--serial=/dev/ttyUSB0", "--rs485", "05", "--timeout", "900", "--trace", "t.log",
                   "--quiet", "glyphs-set", "medium", "m.tlm"});
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.options.serial_path, "/dev/ttyUSB0");
        EXPECT_EQ(p.options.rs485, 5);
        EXPECT_EQ(p.options.timeout_ms, 900);
        EXPECT_EQ(p.options.trace_path, "t.log");
        EXPECT_TRUE(p.options.quiet);
        EXPECT_FALSE(p.options.fast) << "paced is the default";
        EXPECT_EQ(p.options.glyph_size, velta::GlyphSize::medium);
    }
    {
        const ParsedOptions p = parse({"--tcp", "a:1", "--tcp", "b:2", "send", "RVN"});
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.options.targets.size(), 2u);
        EXPECT_EQ(p.options.raw, "RVN\r\n") << "CR LF ends every command";
    }
    {
        const ParsedOptions p = parse(
            {"--listen", "0", "--count", "2", "--keep-partial", "glyphs-read", "small", "s.tls"});
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.options.link, LinkMode::listen);
        EXPECT_EQ(p.options.count, 2);
        EXPECT_TRUE(p.options.keep_partial);
    }
    EXPECT_TRUE(parse({"version"}).ok) << "the tool's own version needs no device";
    EXPECT_EQ(parse({"--serial", "/dev/x", "--rs485", "FF", "set-all", "a.dat"}).options.rs485,
              k_broadcast);
    EXPECT_TRUE(parse({"--help"}).options.help);
}

TEST(VeltactlOptions, MistakesAreRefusedWithTheirReason)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--tcp", "a:1"}, "no command given"},
        {{"--tcp", "a:1", "reset"}, "unknown command: reset"},
        {{"--tcp", "a:1", "--speed", "set-all", "f"}, "unknown option: --speed"},
        {{"--tcp", "a:1", "read-all"}, "read-all: give the file"},
        {{"--tcp", "a:1", "read-all", "f", "g"}, "read-all: unexpected argument 'g'"},
        {{"--tcp", "a:1", "glyphs-read", "huge", "f"}, "is not a size"},
        {{"--tcp", "a:1", "glyphs-read", "large"}, "give the size"},
        {{"--tcp", "a", "version"}, "'a' is not HOST:PORT"},
        {{"--tcp", "a:70000", "version"}, "'a:70000' is not HOST:PORT"},
        {{"--tcp", "a:1,", "version"}, "'' is not HOST:PORT"},
        {{"--tcp", "a:1", "--serial", "/dev/x", "version"}, "only one of"},
        {{"--tcp", "a:1", "--rs485", "03", "version"}, "--rs485: only with --serial"},
        {{"--serial", "/dev/x", "--rs485", "32", "version"}, "not an address"},
        {{"--serial", "/dev/x", "--rs485", "FF", "read-all", "f"}, "nothing answers a broadcast"},
        {{"--tcp", "a:1", "--count", "2", "version"}, "--count: only with --listen"},
        {{"--tcp", "a:1", "--paced", "--fast", "version"}, "exclude each other"},
        {{"--tcp", "a:1", "--timeout", "0", "version"}, "--timeout: '0'"},
        {{"--tcp", "a:1", "--timeout"}, "--timeout: a value is missing"},
        {{"--tcp", "a:1", "--fast=yes", "version"}, "--fast: takes no value"},
        {{"--tcp", "a:1", "--keep-partial", "set-all", "f"}, "only with read-all or glyphs-read"},
        {{"--tcp", "a:1", "read-all", "f", "--verify"}, "--verify: only with set-all or sync"},
        {{"--tcp", "a:1", "sync", "f", "--dry-run", "--verify"}, "sends nothing to verify"},
        {{"--tcp", "a:1", "diff", "f", "--backup", "d"}, "--backup: only with sync"},
        {{"--serial", "/dev/x", "--rs485", "FF", "set-all", "f", "--verify"}, "broadcast"},
        {{"set-all", "f"}, "give a link"},
        {{"--tcp", "a:1", "send", ""}, "the command is empty"},
        {{"--tcp", "a:1", "send", "TS\tA"}, "printable ASCII"},
        {{"--tcp", "a:1", "send", std::string(600, 'A')}, "longer than the device takes"},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.error;
        EXPECT_NE(p.error.find(c.error), std::string::npos) << p.error << " / wanted: " << c.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << "one line: " << p.error;
    }
    EXPECT_NE(usage_text().find("glyphs-read large|medium|small FILE"), std::string::npos);
}

TEST(VeltactlOptions, ListenTakesAnAddressWithIpv6InBrackets)
{
    struct Case {
        std::string value;
        bool ok;
        std::string address;
        int port;
    };
    const Case cases[] = {
        {"9004", true, "", 9004},
        {"0", true, "", 0},
        {"127.0.0.1:9004", true, "127.0.0.1", 9004},
        {"[::1]:9004", true, "::1", 9004},
        {"[fe80::1%eth0]:0", true, "fe80::1%eth0", 0},
        {"::1:9004", false, "", 0},  // which colon ends the address?
        {"[::1]9004", false, "", 0},
        {"[::1]", false, "", 0},
        {"[]:9004", false, "", 0},
        {":9004", false, "", 0},
        {"host:", false, "", 0},
        {"10.0.0.1:70000", false, "", 0},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = parse({"--listen", c.value, "version"});
        EXPECT_EQ(p.ok, c.ok) << c.value << ": " << p.error;
        if (!c.ok) {
            EXPECT_NE(p.error.find("[ADDRESS:]PORT"), std::string::npos) << p.error;
            continue;
        }
        EXPECT_EQ(p.options.listen_address, c.address) << c.value;
        EXPECT_EQ(p.options.listen_port, c.port) << c.value;
    }
    // set-all keeps a backup as sync does; blank glyphs are sent only when asked for.
    const ParsedOptions backup = parse({"--tcp", "a:1", "set-all", "f", "--backup", "d"});
    ASSERT_TRUE(backup.ok) << backup.error;
    EXPECT_EQ(backup.options.backup_dir, "d");
    EXPECT_TRUE(parse({"--tcp", "a:1", "glyphs-set", "small", "f", "--blank-bad-records"})
                    .options.blank_bad_records);
    EXPECT_NE(parse({"--tcp", "a:1", "set-all", "f", "--blank-bad-records"})
                  .error.find("only with glyphs-set"),
              std::string::npos);
}

TEST(AnswerJudge, SettingsWantGoAndErrorsStopTheRunExceptModeErrors)
{
    EXPECT_TRUE(judge_answer(expect_go(), "GO\r\n").ok);
    EXPECT_TRUE(judge_answer(expect_go(), "GO").ok);
    const Verdict garbage = judge_answer(expect_go(), "GOX\r\n");
    EXPECT_FALSE(garbage.ok);
    EXPECT_TRUE(garbage.stop);
    for (const char* e : {"E0\r\n", "E1\r\n", "E2\r\n", "E3\r\n", "MENU\r\n"}) {
        const Verdict v = judge_answer(expect_go(), e);
        EXPECT_FALSE(v.ok) << e;
        EXPECT_TRUE(v.stop) << e;
    }
    const Verdict gn = judge_answer(expect_go(), "GN\r\n");
    EXPECT_FALSE(gn.ok);
    EXPECT_FALSE(gn.stop);
    EXPECT_EQ(gn.reason, "the device answered GN");
    EXPECT_TRUE(judge_answer(expect_any(), "VN1.00\r\n").ok);
    EXPECT_FALSE(judge_answer(expect_any(), "E3\r\n").ok);
}

TEST(AnswerJudge, EachReadQueryIsAnsweredByItsOwnReply)
{
    struct Case {
        const char* query;
        const char* good;
        const char* other;
    };
    const Case cases[] = {
        {"RCA017\r\n", "CA0172121\r\n", "CA0182121\r\n"},  // the page number must match too
        {"RSD05\r\n", "SD05...\r\n", "SD06...\r\n"},
        {"RAD\r\n", "ADON\r\n", "ADT010\r\n"},
        {"RAR\r\n", "AROF\r\n", "AM\r\n"},
        {"RTSD\r\n", "TSDON\r\n", "TSDR1\r\n"},
        {"RIDP\r\n", "IDPTTB\r\n", "IDPM1\r\n"},
        {"RIDPM\r\n", "IDPM2\r\n", "IDPTT\r\n"},
        {"RCC\r\n", "CC0123\r\n", "CBC0123\r\n"},
        {"RVN\r\n", "VN1.00\r\n", "GO\r\n"},
        {"RFBML2121\r\n", "FBML2121000\r\n", "FBMM2121000\r\n"},
    };
    for (const Case& c : cases) {
        const Expect e = expect_reply_to(c.query);
        EXPECT_EQ(e.kind, ExpectKind::reply);
        EXPECT_TRUE(judge_answer(e, c.good).ok) << c.query << " / " << c.good;
        const Verdict v = judge_answer(e, c.other);
        EXPECT_FALSE(v.ok) << c.query << " / " << c.other;
        EXPECT_TRUE(v.stop) << c.query;
    }
}

TEST(AnswerJudge, GlyphBitmapsMustBeWholeAndHexadecimal)
{
    Expect e = expect_reply_to("RFBMSA365\r\n");
    e.hex_at = 8;
    e.hex_count = 4;
    e.min_length = 12;
    EXPECT_TRUE(judge_answer(e, "FBMSA3650F0A\r\n").ok);
    const Verdict short_reply = judge_answer(e, "FBMSA3650F\r\n");
    EXPECT_FALSE(short_reply.ok);
    EXPECT_NE(short_reply.reason.find("too short"), std::string::npos);
    const Verdict bad = judge_answer(e, "FBMSA3650f0A\r\n");
    EXPECT_FALSE(bad.ok) << "lower-case digits are not glyph text";
    EXPECT_NE(bad.reason.find("hexadecimal"), std::string::npos);
}

TEST(AnswerJudge, PrintableShowsLineEndsAndCutsLongTexts)
{
    EXPECT_EQ(printable("GO\r\n"), "GO<CR><LF>");
    EXPECT_EQ(printable(std::string("A\x01\xff", 3)), "A<01><FF>");
    EXPECT_EQ(printable("GRL001FFFF", 6), "GRL001...(10 bytes)");
}

TEST(VeltactlOutput, ProgressAsLinesForScripts)
{
    std::ostringstream out;
    auto t = std::chrono::steady_clock::time_point{};
    ProgressOutput p(out, ProgressStyle::lines, [&t] { return t; });
    p.begin("10.0.0.5:9004", "read-all", 312);
    p.step(156);
    p.step(156);  // the same step twice prints once
    t += std::chrono::milliseconds(1500);
    p.end(true, 312);
    EXPECT_EQ(out.str(),
              "start 10.0.0.5:9004 read-all steps=312\n"
              "progress 10.0.0.5:9004 read-all 156/312 50%\n"
              "ok 10.0.0.5:9004 read-all 312/312 steps 1.500 s\n");
}

TEST(VeltactlOutput, ProgressBarOnATerminalTellsTheTimeLeft)
{
    std::ostringstream out;
    auto t = std::chrono::steady_clock::time_point{};
    ProgressOutput p(out, ProgressStyle::terminal, [&t] { return t; });
    p.begin("dev", "set-all", 310);
    t += std::chrono::seconds(62);
    p.step(155);
    const std::string s = out.str();
    EXPECT_NE(s.find("\rdev set-all [############............] 155/310 50% 1:02 left"),
              std::string::npos)
        << s;
    const std::size_t drawn = out.str().size();
    t += std::chrono::milliseconds(50);
    p.step(156);
    EXPECT_EQ(out.str().size(), drawn) << "redrawn sooner than a tenth of a second";
    t += std::chrono::milliseconds(60);
    p.step(157);
    EXPECT_NE(out.str().find("157/310"), std::string::npos);
    p.line("a message");
    EXPECT_NE(out.str().find("\r\x1b[Ka message\n"), std::string::npos)
        << "the bar is cleared first";
    EXPECT_EQ(clock_text(3723), "1:02:03");
}

TEST(VeltactlOutput, QuietPrintsNothing)
{
    std::ostringstream out;
    ProgressOutput p(out, ProgressStyle::quiet);
    p.begin("dev", "set-all", 310);
    p.step(3);
    p.line("x");
    p.end(false, 3);
    EXPECT_EQ(out.str(), "");
}

TEST(VeltactlOutput, TraceLinesCarryTimeDeviceDirectionAndEveryByte)
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 5;
    t.tm_min = 41;
    t.tm_sec = 7;
    EXPECT_EQ(trace_line(t, 23, 0.04521, "10.0.0.5:9004", TraceDirection::sent, "RCA001\r\n"),
              "2026-12-09 05:41:07.023 +0.045210 10.0.0.5:9004 > RCA001<CR><LF>\n");
    EXPECT_EQ(trace_line(t, 0, 1, "/dev/pts/3", TraceDirection::received, "03GO\r\n"),
              "2026-12-09 05:41:07.000 +1.000000 /dev/pts/3 < 03GO<CR><LF>\n");
    EXPECT_EQ(trace_line(t, 0, 1, "d", TraceDirection::note, "Error: Socket Command"),
              "2026-12-09 05:41:07.000 +1.000000 d # Error: Socket Command\n");
}

TEST(VeltactlOutput, SeveralDevicesWriteOneFileEach)
{
    EXPECT_EQ(output_path("all.dat", "10.0.0.5:9004", false), "all.dat");
    EXPECT_EQ(output_path("out/all.dat", "10.0.0.5:9004", true), "out/all-10.0.0.5-9004.dat");
    EXPECT_EQ(output_path("out.d/all", "10.0.0.5 #2", true), "out.d/all-10.0.0.5-#2");
    EXPECT_EQ(output_path(".dat", "d", true), ".dat-d") << "a dot file has no extension";
    EXPECT_EQ(combine_exit(k_exit_failed, k_exit_unreachable), k_exit_unreachable);
    EXPECT_EQ(combine_exit(k_exit_ok, k_exit_failed), k_exit_failed);
}

}  // namespace
}  // namespace veltactl

namespace veltactl {
namespace {

// The column where RESULT starts on each line, counted as a terminal shows it.
std::vector<std::size_t> result_columns(const std::string& table)
{
    std::vector<std::size_t> columns;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t gap = line.find("  ");
        if (gap == std::string::npos)
            continue;
        const std::size_t start = line.find_first_not_of(' ', gap);
        columns.push_back(display_width(std::string_view(line).substr(0, start)));
    }
    return columns;
}

TEST(VeltactlOutput, TheEndTableAlignsWideTextAndAServerKeepsOnlyRecentRows)
{
    DeviceRow ascii{"10.0.0.5:9004", "ok", 1.5, 310, "-", 0};
    // "ＡＢ" is two characters, four columns; "é" as e + a combining accent takes one.
    DeviceRow wide{"ＡＢ", "failed: 応答データが正しくありません", 2, 3, "-", 1};
    DeviceRow combined{"e\xcc\x81", "ok", 0.5, 310, "-", 0};
    const std::string table = table_text({ascii, wide, combined});
    const std::vector<std::size_t> columns = result_columns(table);
    ASSERT_EQ(columns.size(), 4u) << table;
    for (std::size_t c : columns) EXPECT_EQ(c, columns[0]) << table;
    EXPECT_EQ(display_width("ＡＢ"), 4u);

    DeviceHistory history(100);
    for (int id = 1; id <= 250; ++id) {
        DeviceRow row = ascii;
        row.device = "#" + std::to_string(id);
        history.set(id, row);
    }
    const std::vector<DeviceRow> rows = history.rows();
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows.front().device, "#151");
    EXPECT_EQ(rows.back().device, "#250");
    EXPECT_EQ(history.not_listed(), 150u);
    EXPECT_NE(table_text(rows, history.not_listed()).find("150 earlier devices not listed"),
              std::string::npos);
    EXPECT_NE(table_json(rows, 0, history.not_listed()).find("\"not_listed\":150"),
              std::string::npos);
}

}  // namespace
}  // namespace veltactl
