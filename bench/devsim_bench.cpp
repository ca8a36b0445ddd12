// How fast the device simulator answers: its own cost per command, and a command's round trip
// through the program over loopback TCP, one command outstanding at a time as the tool sends
// them. A fast command-line run drives it at over a thousand commands a second.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTcpSocket>
#include <string>

#include "device_session.h"

namespace {

using namespace devsim;

// A mix as a set-all or read-all run sends it: a title, its query, a short setting and a
// 256-page reply.
const std::string k_mix = "CA001" + std::string(28 * 4, '3') + "\r\nRCA001\r\nAME\r\nRPAST\r\n";
constexpr int k_mix_commands = 4;

void BM_DevsimCommandsInProcess(benchmark::State& st)
{
    DeviceState state = factory_state();
    DeviceSession session(state, -1, {});
    for (auto _ : st) benchmark::DoNotOptimize(session.receive(k_mix));
    st.SetItemsProcessed(st.iterations() * k_mix_commands);
}
BENCHMARK(BM_DevsimCommandsInProcess)->Unit(benchmark::kMicrosecond);

template <typename Done>
bool run_until(Done done)
{
    for (int spins = 0; spins < 100000 && !done(); ++spins)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void BM_DevsimTcpRoundTrip(benchmark::State& st)
{
    QProcess devsim;
    devsim.start(VELTA_DEVSIM_PATH, {"--listen", "127.0.0.1:0"});
    QByteArray printed;
    QObject::connect(&devsim, &QProcess::readyReadStandardOutput,
                     [&] { printed += devsim.readAllStandardOutput(); });
    if (!run_until([&] { return printed.contains('\n'); })) {
        st.SkipWithError("the simulator did not start");
        return;
    }
    const auto port = static_cast<quint16>(printed.trimmed().split(':').last().toUInt());
    QTcpSocket tool;
    tool.connectToHost(QHostAddress::LocalHost, port);
    tool.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!run_until([&] { return tool.state() == QAbstractSocket::ConnectedState; })) {
        st.SkipWithError("no connection");
        return;
    }
    QByteArray received;
    QObject::connect(&tool, &QTcpSocket::readyRead, [&] { received += tool.readAll(); });
    for (auto _ : st) {
        tool.write("RCA001\r\n");
        if (!run_until([&] { return received.endsWith('\n'); })) {
            st.SkipWithError("no answer");
            break;
        }
        received.clear();
    }
    st.SetItemsProcessed(st.iterations());
    devsim.terminate();
    run_until([&] { return devsim.state() == QProcess::NotRunning; });
}
BENCHMARK(BM_DevsimTcpRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
