// What one command costs the operator on each link, apart from the wire: a command sent with
// send_command, answered "GO" by a device on the same machine, and decoded. On the serial link a
// pty pair stands in for the cable, so the figure is the tool's own share, to set against the
// 38400-baud wire time of the command.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"

namespace {

using namespace velta;

// A run of many commands, as the set-all runs send them: success boxes stay silent.
void quiet_run()
{
    reset_settings_model();
    run_activity().settings_run = true;
    set_box_presenter([](const Box&) { return BoxAnswer::ok; });
}

template <typename Done>
bool run_until(Done done)
{
    for (int spins = 0; spins < 100000 && !done(); ++spins)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void BM_TcpCommandAnswered(benchmark::State& st)
{
    quiet_run();
    QTcpServer device_server;
    device_server.listen(QHostAddress::LocalHost, 0);
    std::unique_ptr<QTcpSocket> device;
    QObject::connect(&device_server, &QTcpServer::newConnection, [&] {
        device.reset(device_server.nextPendingConnection());
        QObject::connect(device.get(), &QTcpSocket::readyRead, [&] {
            while (device->canReadLine()) {
                device->readLine();
                device->write("GO\r\n");
            }
        });
    });
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::client;
    l.host_list = {IpAddress{127, 0, 0, 1}};
    l.host_count = 1;
    l.selected_host = 0;
    model().extras.port_number = std::to_string(device_server.serverPort());
    tcp_client_connect(program_context());
    if (!run_until([] { return link_status().socket_connected == 1; })) {
        st.SkipWithError("no connection");
        return;
    }
    for (auto _ : st) {
        send_command(program_context(), "TSA\r\n");
        run_until([] { return !answer_outstanding(program_context()); });
    }
    disconnect_all();
}
BENCHMARK(BM_TcpCommandAnswered)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_SerialCommandAnswered(benchmark::State& st)
{
    quiet_run();
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QProcess socat;
    socat.start("socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
    QString log;
    QStringList ptys;
    const QRegularExpression pty(QStringLiteral("PTY is (\\S+)"));
    for (int i = 0; i < 50 && ptys.size() < 2; ++i) {
        socat.waitForReadyRead(100);
        log += QString::fromLocal8Bit(socat.readAllStandardError());
        ptys.clear();
        for (const auto& m : pty.globalMatch(log)) ptys << m.captured(1);
    }
    if (ptys.size() < 2) {
        st.SkipWithError("socat made no pty pair");
        return;
    }
    write_configuration_text("com_path0", ptys[0].toStdString());
    QSerialPort device;
    device.setPortName(ptys[1]);
    device.open(QIODevice::ReadWrite);
    QObject::connect(&device, &QSerialPort::readyRead, [&] {
        while (device.canReadLine()) {
            device.readLine();
            device.write("GO\r\n");
        }
    });
    link_settings().interface = Interface::serial;
    if (!open_serial_port(program_context())) {
        st.SkipWithError("port not opened");
        return;
    }
    for (auto _ : st) {
        send_command(program_context(), "TSA\r\n");
        run_until([] { return link_status().answer_pending == 0; });
    }
    close_serial_port();
    socat.kill();
    socat.waitForFinished();
}
BENCHMARK(BM_SerialCommandAnswered)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
