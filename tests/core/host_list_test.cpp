// Protects the client's host list: the fixed-width host texts, the 100-host limit of the key
// scheme, the selection following a deletion, and the port check of the connection dialogs.
#include "core/device/host_list.h"

#include <gtest/gtest.h>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

TEST(HostList, HostTextsHaveThreeDigitGroupsInEighteenCharacters)
{
    EXPECT_EQ(host_text({192, 168, 1, 3}), "192 .168 .001 .003");
    EXPECT_EQ(host_text({10, 0, 0, 1}), "010 .000 .000 .001");
    EXPECT_EQ(host_text({255, 255, 255, 255}).size(), 18u);
}

TEST(HostList, TheHundredAndFirstHostIsRefused)
{
    reset_for_test();
    LinkSettings& l = link_settings();
    for (int i = 0; i < k_max_hosts; ++i)
        ASSERT_TRUE(add_host(link_settings(), {10, 0, 0, static_cast<std::uint8_t>(i)}));
    EXPECT_FALSE(add_host(link_settings(), {10, 0, 1, 0}));
    EXPECT_EQ(l.host_count, 100);
    ASSERT_EQ(l.host_list.size(), 100u);
    EXPECT_EQ(l.host_list[99], (IpAddress{10, 0, 0, 99}));
}

TEST(HostList, TheSelectionStaysOnItsHostThroughDeletions)
{
    reset_for_test();
    LinkSettings& l = link_settings();
    for (std::uint8_t i = 0; i < 5; ++i) add_host(link_settings(), {192, 168, 0, i});
    l.selected_host = 3;  // .3

    ASSERT_TRUE(delete_host(link_settings(), 0));  // before it: follows down
    EXPECT_EQ(l.selected_host, 2);
    EXPECT_EQ(l.host_list[static_cast<std::size_t>(l.selected_host)], (IpAddress{192, 168, 0, 3}));

    ASSERT_TRUE(delete_host(link_settings(), 3));  // after it: unchanged
    EXPECT_EQ(l.selected_host, 2);
    EXPECT_EQ(l.host_count, 3);

    ASSERT_TRUE(delete_host(link_settings(), 2));  // the selected host itself: nothing selected
    EXPECT_EQ(l.selected_host, -1);
    EXPECT_EQ(l.host_list, (std::vector<IpAddress>{{192, 168, 0, 1}, {192, 168, 0, 2}}));

    EXPECT_FALSE(delete_host(link_settings(), 2));
    EXPECT_FALSE(delete_host(link_settings(), -1));
    EXPECT_EQ(l.host_count, 2);
}

TEST(HostList, PortTextsAreOneToFiveDigitsInRange)
{
    EXPECT_EQ(parse_port_text("9004"), 9004);
    EXPECT_EQ(parse_port_text("09004"), 9004);
    EXPECT_EQ(parse_port_text("1"), 1);
    EXPECT_EQ(parse_port_text("65535"), 65535);
    for (const char* bad : {"", "0", "00000", "65536", "99999", "123456", "90a4", " 900", "-1"})
        EXPECT_FALSE(parse_port_text(bad)) << bad;
}

}  // namespace
}  // namespace velta
