// Protects the link set-up dialogs: each choice in the model and in velta.ini at once, the
// host list keys, the port check, connect and disconnect, the server's list of connected
// devices and the choice among them, and the slave address caption.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "core/device/file_menu.h"
#include "core/device/host_list.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "core/wire/reply_dispatcher.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/pty_pair.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/device/client_server_dialog.h"
#include "ui/device/fleet_run_dialog.h"
#include "ui/device/fleet_texts.h"
#include "ui/device/interface_dialog.h"
#include "ui/device/serial_dialog.h"
#include "ui/device/slave_address_dialog.h"
#include "ui/device/tcp_client_dialog.h"
#include "ui/device/tcp_server_dialog.h"
#include "ui/shell/command_table.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/ip_address_widgets.h"

namespace velta {
namespace {

constexpr int k_wait_ms = 5000;

class ConnectionDialogs : public ::testing::Test {
protected:
    ~ConnectionDialogs() override
    {
        disconnect_all();
        set_listen_address({});
    }

    static QString ini(const char* key)
    {
        QSettings s(configuration_file_path(), QSettings::IniFormat);
        return s.value(QStringLiteral("VELTA_Section/%1").arg(QLatin1String(key))).toString();
    }
    static bool ini_has(const char* key)
    {
        QSettings s(configuration_file_path(), QSettings::IniFormat);
        return s.contains(QStringLiteral("VELTA_Section/%1").arg(QLatin1String(key)));
    }
    static std::vector<QString> rows(QListWidget* list)
    {
        std::vector<QString> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text());
        return out;
    }
    static void double_click(QListWidget* list, int row)
    {
        emit list->itemDoubleClicked(list->item(row));
    }
    // A port nothing listens on right now.
    static QString free_port()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return QString::number(probe.serverPort());
    }

    WireCapture wire_;
    BoxRecorder boxes_;
    ConfigSandbox config_;
};

TEST_F(ConnectionDialogs, InterfaceSerialAndRoleChoicesAreWrittenAtOnce)
{
    InterfaceDialog iface;
    EXPECT_EQ(iface.windowTitle(), "インターフェイスの設定");
    EXPECT_EQ(iface.interface_list()->currentText(), "RS-232C/485");
    iface.interface_list()->setCurrentIndex(1);
    EXPECT_EQ(link_settings().interface, Interface::tcp);
    EXPECT_EQ(ini("Interface"), "1");

    SerialDialog serial;
    serial.port_list()->setCurrentIndex(2);
    serial.control_list()->setCurrentIndex(1);
    EXPECT_EQ(serial.port_list()->currentText(), "COM 3");
    EXPECT_EQ(link_settings().com_port_index, 2);
    EXPECT_EQ(link_settings().rs485, true);
    EXPECT_EQ(ini("com_port"), "2");
    EXPECT_EQ(ini("rs_control"), "1");
    EXPECT_EQ(serial.device_label()->text(), serial_device_name(2));

    ClientServerDialog role;
    role.role_list()->setCurrentIndex(1);
    EXPECT_EQ(link_settings().tcp_role, TcpRole::server);
    EXPECT_EQ(ini("ClientServer"), "1");
    EXPECT_FALSE(ini_has("p_port_number"));  // only the TCP/IP dialogs write the port
}

TEST_F(ConnectionDialogs, ALostSerialPortIsOpenedAgainWhenAPortIsChosen)
{
    auto gone = std::make_unique<PtyPair>();
    PtyPair next;
    ASSERT_TRUE(gone->ready() && next.ready());
    write_configuration_text("com_path0", gone->tool_side().toStdString());
    write_configuration_text("com_path1", next.tool_side().toStdString());
    ASSERT_TRUE(open_serial_port(program_context()));
    gone.reset();  // the adapter is pulled out
    ASSERT_TRUE(QTest::qWaitFor([] { return serial_port_lost(); }, k_wait_ms));
    EXPECT_EQ(boxes_.last_text(), "No Connect");

    SerialDialog serial;
    serial.show();
    serial.port_list()->setFocus();
    QTest::keyClick(serial.port_list(), Qt::Key_Down);  // "COM 2"
    EXPECT_TRUE(serial_port_open());
    EXPECT_FALSE(serial_port_lost());
    close_serial_port();
}

TEST_F(ConnectionDialogs, InterfaceAndRoleAreLockedWhileALinkIsUp)
{
    link_status().socket_connected = 1;
    link_settings().interface = Interface::tcp;
    InterfaceDialog iface;
    ClientServerDialog role;
    EXPECT_FALSE(iface.interface_list()->isEnabled());
    EXPECT_EQ(iface.interface_list()->currentIndex(), -1);
    EXPECT_FALSE(role.role_list()->isEnabled());
    EXPECT_EQ(role.role_list()->currentIndex(), -1);
}

TEST_F(ConnectionDialogs, AddingAHostWritesItsKeysAndItsText)
{
    TcpClientDialog client;
    EXPECT_EQ(client.windowTitle(), "TCP/IPの設定(Client)");
    client.address_field()->set_value({10, 0, 0, 1});
    client.add_button()->click();
    EXPECT_EQ(ini("list_count"), "1");
    EXPECT_EQ(ini("ip00_0"), "10");
    EXPECT_EQ(ini("ip00_1"), "0");
    EXPECT_EQ(ini("ip00_2"), "0");
    EXPECT_EQ(ini("ip00_3"), "1");
    EXPECT_EQ(rows(client.host_list()), std::vector<QString>{"010 .000 .000 .001"});
    EXPECT_EQ(link_settings().host_count, 1);
}

TEST_F(ConnectionDialogs, HostAddressIsTypedPastedAndRefusedByPartBeforeAnythingIsStored)
{
    TcpClientDialog client;
    ASSERT_TRUE(show_active(&client));
    IpAddressField* field = client.address_field();
    const auto fresh_start = [&] {
        QTest::mouseClick(field->part(0), Qt::LeftButton);
        for (int i = 0; i < 4; ++i) field->part(i)->clear();
    };
    struct Case {
        const char* label;
        std::function<void()> input;
        QString shown;
    };
    const Case cases[] = {
        {"typed", [] { type_keys(QStringLiteral("127.0.0.1")); }, "127.0.0.1"},
        {"full parts move on", [] { type_keys(QStringLiteral("10.2552541")); }, "10.255.254.1"},
        {"pasted",
         [] {
             QApplication::clipboard()->setText(QStringLiteral("192.168.1.10"));
             press_key(Qt::Key_V, Qt::ControlModifier);
         },
         "192.168.1.10"},
        {"backspace goes back",
         [] {
             type_keys(QStringLiteral("10.1.2.3"));
             for (int i = 0; i < 3; ++i) press_key(Qt::Key_Backspace);
             type_keys(QStringLiteral("7"));
         },
         "10.1.7."},
        {"letters are refused", [] { type_keys(QStringLiteral("1a2.x3")); }, "12.3.."},
    };
    for (const Case& c : cases) {
        fresh_start();
        c.input();
        EXPECT_EQ(field->text(), c.shown) << c.label;
    }

    // "12.3.." has no third part; "300" is no byte: refused by name, nothing stored.
    client.add_button()->click();
    fresh_start();
    type_keys(QStringLiteral("300.1.1.1"));
    client.add_button()->click();
    EXPECT_EQ(
        boxes_.texts(),
        (std::vector<std::string>{
            "Host IP Address の 3 番目の数が入力されていません。0～255 の数を入力してください。",
            "Host IP Address の 1 番目の数が 255 を超えています。0～255 "
            "の数を入力してください。"}));
    EXPECT_EQ(link_settings().host_count, 0);
    EXPECT_FALSE(ini_has("list_count"));
    EXPECT_EQ(client.host_list()->count(), 0);

    fresh_start();
    type_keys(QStringLiteral("10.0.0.1"));
    client.add_button()->click();
    EXPECT_EQ(ini("ip00_3"), "1");
}

TEST_F(ConnectionDialogs, AnAnswerArrivingWhileOneIsOpenIsDropped)
{
    TcpClientDialog client;
    socket_receive(program_context(), "EAA010.000.000.001\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(model().extras.net_eaa, (IpAddress{0, 0, 0, 0}));
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(ConnectionDialogs, DeletingEntryZeroOfThreeMovesTheOthersDown)
{
    LinkSettings& l = link_settings();
    l.host_list = {{192, 168, 1, 10}, {192, 168, 1, 11}, {192, 168, 1, 12}};
    l.host_count = 3;
    l.selected_host = 2;
    write_host_keys(link_settings(), 0);
    TcpClientDialog client;
    EXPECT_EQ(client.address_field()->text(), "192.168.1.12");
    ASSERT_EQ(client.host_list()->count(), 3);

    client.host_list()->setCurrentRow(0);
    client.delete_button()->click();
    EXPECT_EQ(ini("list_count"), "2");
    EXPECT_EQ(ini("ip00_3"), "11");
    EXPECT_EQ(ini("ip01_3"), "12");
    EXPECT_EQ(ini("ip02_3"), "12");  // left behind, beyond list_count
    EXPECT_EQ(rows(client.host_list()),
              (std::vector<QString>{"192 .168 .001 .011", "192 .168 .001 .012"}));
    // The selection stays on .12, now entry 1.
    EXPECT_EQ(l.selected_host, 1);
    EXPECT_EQ(ini("select_number"), "1");

    // Nothing selected in the list: nothing happens.
    client.host_list()->setCurrentRow(-1);
    client.delete_button()->click();
    EXPECT_EQ(l.host_count, 2);
}

TEST_F(ConnectionDialogs, DoubleClickChoosesAHostAndAFullListRefusesMore)
{
    LinkSettings& l = link_settings();
    for (int i = 0; i < k_max_hosts; ++i)
        add_host(link_settings(), {172, 16, 0, static_cast<std::uint8_t>(i)});
    write_host_keys(link_settings(), 0);
    TcpClientDialog client;
    double_click(client.host_list(), 42);
    EXPECT_EQ(l.selected_host, 42);
    EXPECT_EQ(ini("select_number"), "42");
    EXPECT_EQ(client.address_field()->text(), "172.16.0.42");

    client.add_button()->click();
    EXPECT_EQ(boxes_.last_text(), k_text_host_list_full);
    EXPECT_EQ(l.host_count, 100);
    EXPECT_EQ(ini("list_count"), "100");
    EXPECT_FALSE(ini_has("ip100_0"));
    EXPECT_EQ(client.host_list()->count(), 100);
}

TEST_F(ConnectionDialogs, ThePortIsWrittenOnCloseOnlyWhenItIsAPort)
{
    auto client = std::make_unique<TcpClientDialog>();
    EXPECT_EQ(client->port_edit()->text(), "09004");
    client->show();
    client->port_edit()->clear();
    QTest::keyClicks(client->port_edit(), "9004");
    EXPECT_EQ(model().extras.port_number, "9004");
    EXPECT_FALSE(ini_has("p_port_number"));  // not before the dialog closes
    client->accept();
    EXPECT_EQ(ini("p_port_number"), "9004");
    EXPECT_FALSE(client->isVisible());

    TcpServerDialog server;
    server.show();
    server.port_edit()->setText("70000");
    QTest::keyClick(&server, Qt::Key_Escape);
    EXPECT_TRUE(server.isVisible());
    EXPECT_EQ(boxes_.last_text(), k_text_bad_port);
    EXPECT_EQ(model().extras.port_number, "9004");
    EXPECT_EQ(ini("p_port_number"), "9004");
    // Nor does a bad port start the server.
    server.connect_button()->click();
    EXPECT_FALSE(tcp_listening());
    EXPECT_EQ(boxes_.count(std::string(k_text_bad_port)), 2);

    server.port_edit()->clear();
    QTest::keyClicks(server.port_edit(), "91a00x1");  // digits only, five at most
    EXPECT_EQ(server.port_edit()->text(), "91001");
    server.port_edit()->setText("9100");
    QTest::keyClick(&server, Qt::Key_Escape);
    EXPECT_FALSE(server.isVisible());
    EXPECT_EQ(ini("p_port_number"), "9100");
}

TEST_F(ConnectionDialogs, ClientConnectsAndDisconnects)
{
    QTcpServer device;
    ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0));
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.host_list = {{127, 0, 0, 1}};
    l.host_count = 1;
    l.selected_host = 0;
    model().extras.port_number = std::to_string(device.serverPort());

    TcpClientDialog client;
    EXPECT_TRUE(client.connect_button()->isEnabled());
    EXPECT_FALSE(client.disconnect_button()->isEnabled());
    client.connect_button()->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return link_status().socket_connected == 1; }, k_wait_ms));
    EXPECT_EQ(boxes_.last_text(), "Socket 接続 OK");
    EXPECT_FALSE(client.connect_button()->isEnabled());
    EXPECT_TRUE(client.disconnect_button()->isEnabled());

    // The device closes the link: the dialog shows it down, exit is no longer refused, and
    // "接続" connects again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.hasPendingConnections(); }, k_wait_ms));
    device.nextPendingConnection()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.connect_button()->isEnabled(); }, k_wait_ms));
    EXPECT_FALSE(client.disconnect_button()->isEnabled());
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_TRUE(exit_allowed(program_context(), {}));
    client.connect_button()->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return link_status().socket_connected == 1; }, k_wait_ms));
    EXPECT_FALSE(exit_allowed(program_context(), {}));
    EXPECT_EQ(boxes_.last_text(), "TCP/IPを切断してください。");

    client.disconnect_button()->click();
    EXPECT_EQ(boxes_.last_text(), "Socket 切断 OK");
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_TRUE(client.connect_button()->isEnabled());
    EXPECT_FALSE(client.disconnect_button()->isEnabled());

    // A refused connection leaves the link down and the buttons as they were.
    model().extras.port_number = free_port().toStdString();
    boxes_.clear();
    client.connect_button()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes_.boxes().empty(); }, k_wait_ms));
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_TRUE(client.connect_button()->isEnabled());
}

TEST_F(ConnectionDialogs, ServerListsConnectedDevicesAndChoosesTheOneShown)
{
    link_settings().interface = Interface::tcp;
    link_settings().tcp_role = TcpRole::server;
    link_settings().selected_host = -1;
    TcpServerDialog server;
    EXPECT_EQ(server.windowTitle(), "TCP/IPの設定(Server)");
    EXPECT_EQ(server.place_field()->text(), QString(16, ' '));
    EXPECT_FALSE(server.disconnect_button()->isEnabled());
    server.port_edit()->setText(free_port());
    server.connect_button()->click();
    ASSERT_TRUE(tcp_listening());
    EXPECT_FALSE(server.connect_button()->isEnabled());
    EXPECT_TRUE(server.disconnect_button()->isEnabled());
    EXPECT_FALSE(server.port_edit()->isEnabled());

    QTcpSocket first;
    QTcpSocket second;
    first.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.client_list()->count() == 1; }, k_wait_ms));
    second.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.client_list()->count() == 2; }, k_wait_ms));
    EXPECT_EQ(rows(server.client_list()), (std::vector<QString>{"127.0.0.1", "127.0.0.1"}));

    double_click(server.client_list(), 1);
    EXPECT_EQ(link_settings().selected_host, 2);
    EXPECT_EQ(link_status().socket_connected, 1);
    EXPECT_EQ(server.place_field()->text(), "127.0.0.1");

    // The first device goes: the list shows only the one left, and choosing it picks its slot.
    first.disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.client_list()->count() == 1; }, k_wait_ms));
    link_settings().selected_host = -1;
    double_click(server.client_list(), 0);
    EXPECT_EQ(link_settings().selected_host, 2);

    server.disconnect_button()->click();
    EXPECT_FALSE(tcp_listening());
    EXPECT_EQ(server.client_list()->count(), 0);
    EXPECT_EQ(server.place_field()->text(), QString(16, ' '));
    EXPECT_EQ(link_settings().selected_host, -1);
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_TRUE(server.connect_button()->isEnabled());
    EXPECT_TRUE(server.port_edit()->isEnabled());
}

TEST_F(ConnectionDialogs, TheServerListensOnTheAddressTypedAndNamesADeviceItTurnsAway)
{
    link_settings().interface = Interface::tcp;
    link_settings().tcp_role = TcpRole::server;
    TcpServerDialog server;
    server.show();
    server.port_edit()->setText(free_port());
    QTest::keyClicks(server.address_field(), "10.0.0.300");
    server.connect_button()->click();
    EXPECT_FALSE(tcp_listening());
    EXPECT_EQ(boxes_.last_text(), "待ち受けアドレスが正しくありません");

    server.address_field()->selectAll();
    QTest::keyClicks(server.address_field(), "127.0.0.1");
    server.connect_button()->click();
    ASSERT_TRUE(tcp_listening());
    EXPECT_EQ(listen_address(), "127.0.0.1");
    EXPECT_FALSE(server.address_field()->isEnabled());

    std::vector<std::unique_ptr<QTcpSocket>> devices;
    for (int i = 0; i < k_max_peers; ++i) {
        devices.push_back(std::make_unique<QTcpSocket>());
        devices.back()->connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == 96u; }, k_wait_ms));
    EXPECT_TRUE(server.note_label()->text().isEmpty());
    QTcpSocket extra;
    quint16 extra_port = 0;  // gone once it is closed
    QObject::connect(&extra, &QTcpSocket::connected, [&] { extra_port = extra.localPort(); });
    extra.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.note_label()->text().isEmpty(); }, k_wait_ms));
    EXPECT_TRUE(server.note_label()->text().contains(
        QStringLiteral("127.0.0.1:%1 の接続を断りました").arg(extra_port)))
        << server.note_label()->text().toStdString();
    EXPECT_EQ(used_peer_slots().size(), 96u);
}

TEST_F(ConnectionDialogs, TheFleetDialogTouchesOnlyTheRowsOfDevicesThatComeOrGo)
{
    link_settings().interface = Interface::tcp;
    link_settings().tcp_role = TcpRole::server;
    model().extras.port_number = "0";
    ASSERT_EQ(tcp_server_start(program_context()), 1);
    std::vector<std::unique_ptr<QTcpSocket>> devices;
    auto connect_one = [&] {
        devices.push_back(std::make_unique<QTcpSocket>());
        devices.back()->connectToHost(QHostAddress::LocalHost, tcp_listen_port());
        const std::size_t n = used_peer_slots().size() + 1;
        return QTest::qWaitFor([n] { return used_peer_slots().size() == n; }, k_wait_ms);
    };
    ASSERT_TRUE(connect_one());
    ASSERT_TRUE(connect_one());
    FleetRunDialog dialog;
    QTableWidget* table = dialog.table();
    ASSERT_EQ(table->rowCount(), 2);
    // Rows tell devices behind one address apart by their port.
    EXPECT_EQ(table->item(1, 0)->text(),
              QStringLiteral("127.0.0.1:%1").arg(devices[1]->localPort()));
    EXPECT_TRUE(dialog.source_label()->text().startsWith("送信する設定: "));
    table->item(0, 0)->setCheckState(Qt::Unchecked);
    const QTableWidgetItem* first_bar = table->item(0, 1);
    const QTableWidgetItem* second_bar = table->item(1, 1);

    ASSERT_TRUE(connect_one());
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 1), first_bar) << "a row was rebuilt";
    EXPECT_EQ(table->item(1, 1), second_bar) << "a row was rebuilt";
    EXPECT_EQ(table->item(0, 0)->checkState(), Qt::Unchecked) << "the operator's choice is kept";

    devices[1]->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return table->rowCount() == 2; }, k_wait_ms));
    EXPECT_EQ(table->item(0, 1), first_bar);
    EXPECT_EQ(table->item(1, 0)->text(),
              QStringLiteral("127.0.0.1:%1").arg(devices[2]->localPort()));
}

TEST(FleetTexts, AFailureNamesItsStepAndAFileItsHostAndPort)
{
    auto outcome = [](OutcomeKind kind, int error = -1, std::string detail = {}) {
        Outcome o = outcome_of(kind, LinkKind::socket);
        o.error = error;
        o.detail = std::move(detail);
        return o;
    };
    const struct {
        Outcome outcome;
        std::string reason;
    } cases[] = {
        {outcome(OutcomeKind::error_answer, 3), "デバイスが E3 を返しました"},
        {outcome(OutcomeKind::timed_out), "応答がありません"},
        {outcome(OutcomeKind::timed_out, -1, "10.0.0.5:9004: 接続が切れました"),
         "接続が切れました"},
        {outcome(OutcomeKind::go), ""},  // no failure
    };
    for (const auto& c : cases) EXPECT_EQ(fleet_failure_reason(c.outcome), c.reason);
    EXPECT_EQ(fleet_failure_text({"読み込み", 5, 316, "RCA005"}, "デバイスが E3 を返しました"),
              "読み込み 手順 5 / 316（RCA005）: デバイスが E3 を返しました");
    EXPECT_EQ(fleet_file_name("192.168.1.10:50123"), "192.168.1.10-50123.dat");
    EXPECT_EQ(fleet_file_name("[fe80::1]:9004"), "fe80__1-9004.dat");  // a name Windows takes
}

TEST_F(ConnectionDialogs, SlaveAddressIsAlwaysChoosableAndCaptionedByTheChosenDevice)
{
    SlaveAddressDialog plain;
    EXPECT_EQ(plain.windowTitle(), "機器のスレーブアドレス");
    EXPECT_TRUE(plain.address_list()->isEnabled());
    EXPECT_EQ(plain.address_list()->count(), 33);
    plain.address_list()->setCurrentIndex(32);
    EXPECT_EQ(plain.address_list()->currentText(), "Bloadcast");
    EXPECT_EQ(link_settings().slave_address, 32);

    // A client's host index is no peer slot: no address in the caption.
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.selected_host = 3;
    peer_table()[3] = PeerSlot{1, 99, "10.1.1.3"};
    EXPECT_EQ(SlaveAddressDialog().windowTitle(), "機器のスレーブアドレス");
    l.tcp_role = TcpRole::server;
    EXPECT_EQ(SlaveAddressDialog().windowTitle(), "スレーブアドレスの設定 10.1.1.3");
    peer_table()[3].in_use = 0;
    EXPECT_EQ(SlaveAddressDialog().windowTitle(), "機器のスレーブアドレス");
}

TEST_F(ConnectionDialogs, MenuOpensTheDialogsAndTheRoleChangeRetitlesTheWindow)
{
    MainWindow window;
    window.set_quit([] {});
    link_settings().interface = Interface::tcp;
    std::vector<QString> seen;
    auto answer_with = [&](std::function<void(QDialog*)> act) {
        QTimer::singleShot(0, [&seen, act] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            seen.push_back(d->windowTitle());
            act(d);
        });
    };
    answer_with([](QDialog* d) {
        d->findChild<QComboBox*>()->setCurrentIndex(1);
        d->accept();
    });
    window.run_command(command::client_server);
    EXPECT_EQ(window.windowTitle(), "VELTA Server Program[*]");

    answer_with([](QDialog* d) { d->reject(); });
    window.run_command(command::tcp_setup);
    answer_with([](QDialog* d) { d->reject(); });
    window.run_command(command::interface_setup);
    link_settings().interface = Interface::serial;
    answer_with([](QDialog* d) { d->reject(); });
    window.run_command(command::serial_setup);
    answer_with([](QDialog* d) { d->reject(); });
    window.run_command(command::slave_address);
    EXPECT_EQ(seen, (std::vector<QString>{"クライアント/サーバー", "TCP/IPの設定(Server)",
                                          "インターフェイスの設定", "シリアル通信の設定",
                                          "機器のスレーブアドレス"}));
}

}  // namespace
}  // namespace velta
