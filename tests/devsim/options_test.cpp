// Protects the simulator's command line: every fault flag reaches the fault plan, and bad
// arguments are refused with a message that names them.
#include "options.h"

#include <gtest/gtest.h>

namespace devsim {
namespace {

TEST(Options, FaultFlagsReachThePlan)
{
    Options o;
    std::string error;
    ASSERT_TRUE(parse_options({"--listen",
                               "127.0.0.1:0",
                               "--rs485",
                               "07",
                               "--no-answer-at",
                               "3",
                               "--no-answer-at",
                               "9",
                               "--error-at",
                               "4:MENU",
                               "--error-at",
                               "5:E2",
                               "--garbage-at",
                               "6",
                               "--store-wrong-at",
                               "8",
                               "--delay",
                               "250",
                               "--split",
                               "--merge",
                               "--throttle",
                               "--close-after",
                               "12",
                               "--log",
                               "l",
                               "--state-in",
                               "i",
                               "--state-out",
                               "o"},
                              o, error))
        << error;
    EXPECT_EQ(o.transport, Transport::listen);
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.rs485_address, 7);
    EXPECT_EQ(o.faults.no_answer_at, (std::set<long>{3, 9}));
    EXPECT_EQ(o.faults.error_at.at(4), "MENU");
    EXPECT_EQ(o.faults.error_at.at(5), "E2");
    EXPECT_EQ(o.faults.garbage_at, std::set<long>{6});
    EXPECT_EQ(o.faults.store_wrong_at, std::set<long>{8});
    EXPECT_EQ(o.faults.delay_ms, 250);
    EXPECT_TRUE(o.faults.split && o.faults.merge && o.faults.throttle);
    EXPECT_FALSE(o.faults.no_answer);
    EXPECT_EQ(o.faults.close_after, 12);
    EXPECT_EQ(o.log_file, "l");
    EXPECT_EQ(o.state_in, "i");
    EXPECT_EQ(o.state_out, "o");

    ASSERT_TRUE(parse_options({"--serial", "/dev/pts/7", "--no-answer"}, o, error));
    EXPECT_EQ(o.transport, Transport::serial);
    EXPECT_EQ(o.path, "/dev/pts/7");
    EXPECT_EQ(o.rs485_address, -1);
    EXPECT_TRUE(o.faults.no_answer);
    ASSERT_TRUE(parse_options({"--connect", "localhost:9004"}, o, error));
    EXPECT_EQ(o.host, "localhost");
    EXPECT_EQ(o.port, 9004);
}

TEST(Options, BadArgumentsAreRefusedByName)
{
    struct Case {
        std::vector<std::string> args;
        const char* names;
    };
    const Case cases[] = {
        {{}, "no transport"},
        {{"--pty", "--listen", "127.0.0.1:1"}, "--listen"},
        {{"--pty", "--bogus"}, "--bogus"},
        {{"--pty", "--rs485"}, "--rs485"},
        {{"--pty", "--rs485", "32"}, "32"},
        {{"--pty", "--rs485", "5"}, "'5'"},
        {{"--pty", "--rs485", "FF"}, "FF"},
        {{"--listen", "127.0.0.1"}, "127.0.0.1"},
        {{"--listen", ":80"}, ":80"},
        {{"--listen", "h:65536"}, "65536"},
        {{"--connect", "h:0"}, "h:0"},
        {{"--pty", "--error-at", "3:E4"}, "3:E4"},
        {{"--pty", "--error-at", "0:E1"}, "0:E1"},
        {{"--pty", "--error-at", "E1"}, "E1"},
        {{"--pty", "--no-answer-at", "x"}, "'x'"},
        {{"--pty", "--delay", "-1"}, "-1"},
        {{"--pty", "--close-after", "0"}, "--close-after"},
        {{"--pty", "--garbage-at", "2x"}, "2x"},
        {{"--serial", ""}, "--serial"},
    };
    for (const Case& c : cases) {
        Options o;
        o.port = 4242;
        std::string error;
        EXPECT_FALSE(parse_options(c.args, o, error)) << c.names;
        EXPECT_NE(error.find(c.names), std::string::npos) << error;
        EXPECT_EQ(o.port, 4242);  // nothing half-parsed is handed back
    }
    Options help;
    std::string error;
    EXPECT_TRUE(parse_options({"--help"}, help, error));
    EXPECT_TRUE(help.help);
    EXPECT_NE(usage_text().find("--throttle"), std::string::npos);
}

}  // namespace
}  // namespace devsim
