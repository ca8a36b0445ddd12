// Protects velta.ini: defaults, atoi reading, range checks, the host keys, immediate writes and
// the one-time move of an old file to the new place.
#include "link/configuration_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <vector>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/config_sandbox.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

class ConfigurationFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        // Values that a read must overwrite, so a read that skips a key shows.
        LinkSettings& l = link_settings();
        l.interface = Interface::tcp;
        l.com_port_index = 4;
        l.rs485 = true;
        l.tcp_role = TcpRole::server;
        l.selected_host = 9;
        l.host_count = 3;
        l.host_list.assign(3, IpAddress{1, 2, 3, 4});
        model().extras.port_number = "77777";
    }
    ConfigSandbox sandbox;
};

TEST_F(ConfigurationFile, NoFileGivesSerialRs232Com1ClientPort09004AndNoHosts)
{
    ASSERT_FALSE(QFile::exists(configuration_file_path()));
    read_configuration(program_context());
    const LinkSettings& l = link_settings();
    EXPECT_EQ(l.interface, Interface::serial);
    EXPECT_EQ(l.com_port_index, 0);
    EXPECT_EQ(l.rs485, false);
    EXPECT_EQ(l.tcp_role, TcpRole::client);
    EXPECT_EQ(l.selected_host, 0);
    EXPECT_EQ(l.host_count, 0);
    EXPECT_TRUE(l.host_list.empty());
    EXPECT_EQ(model().extras.port_number, "09004");
    EXPECT_TRUE(configuration_file_path().endsWith("/velta/velta.ini"));
    EXPECT_TRUE(configuration_file_path().startsWith(sandbox.root()));
}

TEST_F(ConfigurationFile, ReadsEveryKeyAndOnlyListCountHosts)
{
    sandbox.write_file(
        "[VELTA_Section]\r\n"
        "Interface=1\r\ncom_port=3\r\nrs_control=1\r\nClientServer=1\r\n"
        "p_port_number=9100\r\nselect_number=1\r\nlist_count=2\r\n"
        "ip00_0=192\r\nip00_1=168\r\nip00_2=1\r\nip00_3=10\r\n"
        "ip01_0=10\r\nip01_1=0\r\nip01_2=0\r\nip01_3=1\r\n"
        "ip02_0=172\r\nip02_1=16\r\nip02_2=0\r\nip02_3=9\r\n");
    read_configuration(program_context());
    const LinkSettings& l = link_settings();
    EXPECT_EQ(listen_address(), "");  // no key: every local IPv4 address
    EXPECT_EQ(l.interface, Interface::tcp);
    EXPECT_EQ(l.com_port_index, 3);
    EXPECT_EQ(l.rs485, true);
    EXPECT_EQ(l.tcp_role, TcpRole::server);
    EXPECT_EQ(l.selected_host, 1);
    EXPECT_EQ(model().extras.port_number, "9100");
    ASSERT_EQ(l.host_count, 2);
    ASSERT_EQ(l.host_list.size(), 2u);  // the leftover host 02 is not read
    EXPECT_EQ(l.host_list[0], (IpAddress{192, 168, 1, 10}));
    EXPECT_EQ(l.host_list[1], (IpAddress{10, 0, 0, 1}));
}

TEST_F(ConfigurationFile, PortTextIsCutToFiveCharacters)
{
    sandbox.write_file("[VELTA_Section]\np_port_number=1234567\n");
    read_configuration(program_context());
    EXPECT_EQ(model().extras.port_number, "12345");
}

TEST_F(ConfigurationFile, ValuesOutOfRangeOrNotNumbersReadAsZero)
{
    sandbox.write_file(
        "[VELTA_Section]\n"
        "Interface=7\ncom_port=9\nrs_control=-1\nClientServer=2\n"
        "select_number=-4\nlist_count=1\n"
        "ip00_0=300\nip00_1=abc\nip00_2=12abc\nip00_3=-1\n");
    read_configuration(program_context());
    const LinkSettings& l = link_settings();
    EXPECT_EQ(l.interface, Interface::serial);
    EXPECT_EQ(l.com_port_index, 0);
    EXPECT_EQ(l.rs485, false);
    EXPECT_EQ(l.tcp_role, TcpRole::client);
    EXPECT_EQ(l.selected_host, 0);
    ASSERT_EQ(l.host_list.size(), 1u);
    EXPECT_EQ(l.host_list[0], (IpAddress{0, 0, 12, 0}));  // atoi("12abc") is 12

    sandbox.write_file("[VELTA_Section]\nlist_count=-3\n");
    read_configuration(program_context());
    EXPECT_EQ(link_settings().host_count, 0);
    EXPECT_TRUE(link_settings().host_list.empty());
}

TEST_F(ConfigurationFile, AListCountBeyondTheLimitReadsTheHundredHostsItCanHold)
{
    for (const char* count : {"101", "99999999999999999999"}) {
        sandbox.write_file(QStringLiteral("[VELTA_Section]\nlist_count=%1\nip00_0=192\n"
                                          "ip99_0=10\nip99_3=7\n")
                               .arg(QLatin1String(count))
                               .toUtf8());
        read_configuration(program_context());
        const LinkSettings& l = link_settings();
        EXPECT_EQ(l.host_count, k_max_hosts) << count;
        ASSERT_EQ(l.host_list.size(), 100u) << count;
        EXPECT_EQ(l.host_list[0][0], 192);
        EXPECT_EQ(l.host_list[99], (IpAddress{10, 0, 0, 7}));
    }
}

TEST_F(ConfigurationFile, EachWriteIsOnDiskAtOnceAndReadsBack)
{
    write_configuration_int("Interface", 1);
    // No object is left to flush later: the text is in the file right after the call.
    EXPECT_TRUE(sandbox.file_text().contains("[VELTA_Section]"));
    EXPECT_TRUE(sandbox.file_text().contains("Interface=1"));

    write_configuration_text("p_port_number", "9004");
    write_configuration_int("com_port", 2);
    LinkSettings& l = link_settings();
    l.host_list = {IpAddress{10, 0, 0, 1}, IpAddress{192, 168, 1, 3}};
    l.host_count = 2;
    write_host_keys(link_settings(), 0);
    EXPECT_TRUE(sandbox.file_text().contains("ip01_0=192"));
    EXPECT_TRUE(sandbox.file_text().contains("list_count=2"));

    reset_for_test();
    read_configuration(program_context());
    EXPECT_EQ(link_settings().interface, Interface::tcp);
    EXPECT_EQ(link_settings().com_port_index, 2);
    EXPECT_EQ(model().extras.port_number, "9004");
    ASSERT_EQ(link_settings().host_count, 2);
    EXPECT_EQ(link_settings().host_list[1], (IpAddress{192, 168, 1, 3}));

    // The server's listen address is kept as it was started; one that is no address is not.
    for (const auto& [written, read] : {std::pair{"::1", "::1"}, {"300.1.2.3", ""}}) {
        write_configuration_text("listen_address", written);
        read_configuration(program_context());
        EXPECT_EQ(listen_address(), read) << written;
    }
    set_listen_address({});
}

TEST_F(ConfigurationFile, DeletingAHostRewritesTheMovedKeysOnlyFromTheGivenIndex)
{
    LinkSettings& l = link_settings();
    l.host_list = {IpAddress{1, 1, 1, 1}, IpAddress{2, 2, 2, 2}, IpAddress{3, 3, 3, 3}};
    l.host_count = 3;
    write_host_keys(link_settings(), 0);
    // Entry 0 removed: entries 1 and 2 move down and are written under indices 0 and 1.
    l.host_list.erase(l.host_list.begin());
    l.host_count = 2;
    write_host_keys(link_settings(), 0);
    reset_for_test();
    read_configuration(program_context());
    ASSERT_EQ(link_settings().host_count, 2);
    EXPECT_EQ(link_settings().host_list[0], (IpAddress{2, 2, 2, 2}));
    EXPECT_EQ(link_settings().host_list[1], (IpAddress{3, 3, 3, 3}));
    EXPECT_TRUE(sandbox.file_text().contains("ip02_0=3"));  // the former last key stays

    // A write from index 1 leaves host 0's keys as they are.
    link_settings().host_list = {IpAddress{9, 9, 9, 9}, IpAddress{8, 8, 8, 8}};
    write_host_keys(link_settings(), 1);
    read_configuration(program_context());
    EXPECT_EQ(link_settings().host_list[0], (IpAddress{2, 2, 2, 2}));
    EXPECT_EQ(link_settings().host_list[1], (IpAddress{8, 8, 8, 8}));
}

TEST_F(ConfigurationFile, SerialEntriesMapToDevicePathsThatTheFileCanChange)
{
#ifdef _WIN32
    EXPECT_EQ(serial_device_name(0), "COM1");
    EXPECT_EQ(serial_device_name(5), "COM6");
#else
    EXPECT_EQ(serial_device_name(0), "/dev/ttyUSB0");
    EXPECT_EQ(serial_device_name(2), "/dev/ttyACM0");
    EXPECT_EQ(serial_device_name(4), "/dev/ttyS0");
    EXPECT_EQ(serial_device_name(5), "/dev/ttyS1");
    EXPECT_EQ(serial_device_name(9), "/dev/ttyUSB0");  // out of range: the first entry
    write_configuration_text("com_path0", "/dev/pts/7");
    write_configuration_text("com_path5", "  ");
    EXPECT_EQ(serial_device_name(0), "/dev/pts/7");
    EXPECT_EQ(serial_device_name(5), "/dev/ttyS1");  // a blank entry keeps the default
#endif
}

// The old places stand in for the VirtualStore and Windows folders, the sandbox's file for the
// new one: the first old file that exists is carried over once, and only into a missing file.
TEST_F(ConfigurationFile, OldFileIsCarriedOverOnceIntoAMissingNewFile)
{
    QTemporaryDir old_place;
    const QString store = old_place.filePath("store/velta.ini");
    const QString windows = old_place.filePath("windows/velta.ini");
    const QString target = configuration_file_path();
    const auto put = [](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };

    // Nothing to carry over: no file appears.
    EXPECT_FALSE(migrate_configuration_file({store, windows}, target));
    EXPECT_FALSE(QFile::exists(target));

    const QByteArray old_text =
        "[VELTA_Section]\r\nInterface=1\r\ncom_port=3\r\nrs_control=1\r\n"
        "p_port_number=09005\r\nClientServer=1\r\nlist_count=1\r\n"
        "ip00_0=192\r\nip00_1=168\r\nip00_2=0\r\nip00_3=7\r\n";
    put(windows, old_text);
    EXPECT_TRUE(migrate_configuration_file({store, windows}, target));
    read_configuration(program_context());
    const LinkSettings& l = link_settings();
    EXPECT_EQ(listen_address(), "");  // no key: every local IPv4 address
    EXPECT_EQ(l.interface, Interface::tcp);
    EXPECT_EQ(l.com_port_index, 3);
    EXPECT_TRUE(l.rs485);
    EXPECT_EQ(l.tcp_role, TcpRole::server);
    EXPECT_EQ(model().extras.port_number, "09005");
    EXPECT_EQ(l.host_list, (std::vector<IpAddress>{{192, 168, 0, 7}}));
    QFile old_file(windows);
    ASSERT_TRUE(old_file.open(QIODevice::ReadOnly));
    EXPECT_EQ(old_file.readAll(), old_text);  // the old file stays as it was

    // Once the new file exists, later changes to an old one are not read again.
    write_configuration_int("com_port", 5);
    put(store, "[VELTA_Section]\r\ncom_port=1\r\n");
    EXPECT_FALSE(migrate_configuration_file({store, windows}, target));
    read_configuration(program_context());
    EXPECT_EQ(link_settings().com_port_index, 5);

    // The first old place that holds a file wins.
    QFile::remove(target);
    EXPECT_TRUE(migrate_configuration_file({store, windows}, target));
    reset_for_test();
    read_configuration(program_context());
    EXPECT_EQ(link_settings().com_port_index, 1);
    EXPECT_EQ(link_settings().interface, Interface::serial);
}

}  // namespace
}  // namespace velta
