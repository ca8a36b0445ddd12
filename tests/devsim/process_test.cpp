// Protects the simulator program on its real transports: loopback TCP, a socat pty pair with
// RS-485 addressing, its own pty, connecting to a listening tool, the state written on
// SIGTERM, closing after a command, the throttle's pace and the refusal of bad arguments and of
// a state it cannot read.
// The program and these tests use fork, ptys and POSIX sockets; the simulator runs on Linux only.
#ifndef _WIN32
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

#ifdef VELTA_DEVSIM_PATH
constexpr const char* k_devsim = VELTA_DEVSIM_PATH;
#else
constexpr const char* k_devsim = nullptr;
#endif

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its stdout
    int err = -1;  // its stderr

    ~Child() { stop(SIGKILL); }

    // Signals the child and waits for its exit; its exit status, or -1.
    int stop(int signal_number = SIGTERM)
    {
        if (pid < 0)
            return -1;
        ::kill(pid, signal_number);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        if (out >= 0)
            ::close(out);
        if (err >= 0)
            ::close(err);
        out = err = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

void start(Child& c, const std::string& program, const std::vector<std::string>& args)
{
    int out[2];
    int err[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(err), 0);
    c.pid = ::fork();
    ASSERT_GE(c.pid, 0);
    if (c.pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    c.out = out[0];
    c.err = err[0];
}

// Reads from fd until `done` holds for what was read or the time is up.
template <typename Done>
std::string read_until(int fd, Done done, int timeout_ms = 5000)
{
    std::string got;
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done(got)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string read_lines(int fd, std::size_t lines, int timeout_ms = 5000)
{
    return read_until(
        fd,
        [lines](const std::string& s) {
            return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')) >= lines;
        },
        timeout_ms);
}

void send(int fd, const std::string& text)
{
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

int connect_to(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int open_raw_tty(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

std::string temp_path(const std::string& name)
{
    return ::testing::TempDir() + "devsim_" + std::to_string(::getpid()) + "_" + name;
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts the simulator listening on a free loopback port; returns the port.
int start_listening(Child& c, std::vector<std::string> args)
{
    args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
    start(c, k_devsim, args);
    const std::string line = read_lines(c.out, 1);
    const std::size_t colon = line.rfind(':');
    EXPECT_NE(colon, std::string::npos) << line;
    return colon == std::string::npos ? -1 : std::stoi(line.substr(colon + 1));
}

class DevsimProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!k_devsim)
            GTEST_SKIP() << "the simulator program is not built";
        ::signal(SIGPIPE, SIG_IGN);
    }
};

TEST_F(DevsimProcess, AnswersOverLoopbackTcpAndWritesItsStateOnSigterm)
{
    const std::string state = temp_path("state.txt");
    const std::string log = temp_path("log.txt");
    // A link planted at the name a predictable saver would write first.
    const std::string victim = temp_path("victim.txt");
    std::ofstream(victim) << "precious";
    ::unlink((state + ".tmp").c_str());
    ASSERT_EQ(::symlink(victim.c_str(), (state + ".tmp").c_str()), 0);
    Child c;
    const int port = start_listening(c, {"--state-out", state, "--log", log});
    ASSERT_GT(port, 0);
    const int fd = connect_to(port);
    ASSERT_GE(fd, 0);
    send(fd, "AME\r\nRAM\r\nRVN\r\nRCA001\r\nBAD\r\n");
    std::string blank_title;
    for (int i = 0; i < 28; ++i) blank_title += "2121";
    EXPECT_EQ(read_lines(fd, 5), "GO\r\nAME\r\nVN1.32\r\nCA001" + blank_title + "\r\nE3\r\n");
    ::close(fd);
    EXPECT_EQ(c.stop(SIGTERM), 0);
    const std::string saved = file_text(state);
    EXPECT_NE(saved.find("\nAME\n"), std::string::npos);
    EXPECT_NE(file_text(log).find(" < AME"), std::string::npos);
    EXPECT_NE(file_text(log).find(" > E3\\r\\n"), std::string::npos);
    EXPECT_EQ(file_text(victim), "precious");
    std::remove(state.c_str());
    std::remove(log.c_str());
    std::remove((state + ".tmp").c_str());
    std::remove(victim.c_str());
}

TEST_F(DevsimProcess, ServesOneEndOfASocatPtyPairAsAnRs485Device)
{
    Child socat;
    start(socat, "socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
    const std::string said = read_until(socat.err, [](const std::string& s) {
        std::size_t n = 0;
        for (std::size_t at = s.find("PTY is "); at != std::string::npos;
             at = s.find("PTY is ", at + 1))
            ++n;
        return n >= 2 && s.back() == '\n';
    });
    std::vector<std::string> ptys;
    for (std::size_t at = said.find("PTY is "); at != std::string::npos;
         at = said.find("PTY is ", at + 1)) {
        const std::size_t begin = at + 7;
        ptys.push_back(said.substr(begin, said.find('\n', begin) - begin));
    }
    ASSERT_EQ(ptys.size(), 2u) << said;

    Child devsim;
    start(devsim, k_devsim, {"--serial", ptys[0], "--rs485", "03"});
    const int tool = open_raw_tty(ptys[1]);
    ASSERT_GE(tool, 0);
    send(tool, "03RAM\r\nFFAME\r\n05RAM\r\n03RAM\r\n");
    EXPECT_EQ(read_lines(tool, 2), "03AMI\r\n03AME\r\n");
    // Nothing more: the broadcast and the other address stay unanswered.
    EXPECT_EQ(read_lines(tool, 1, 300), "");
    ::close(tool);
}

TEST_F(DevsimProcess, CreatesItsOwnPtyAndPrintsItsPath)
{
    Child c;
    start(c, k_devsim, {"--pty"});
    std::string path = read_lines(c.out, 1);
    ASSERT_FALSE(path.empty());
    path.pop_back();
    const int tty = open_raw_tty(path);
    ASSERT_GE(tty, 0) << path;
    send(tty, "REMA\r\n");
    EXPECT_EQ(read_lines(tty, 1), "EMA00-11-22-33-44-55\r\n");
    // The tool may close the port and open it again.
    ::close(tty);
    const int again = open_raw_tty(path);
    ASSERT_GE(again, 0);
    send(again, "RVN\r\n");
    EXPECT_EQ(read_lines(again, 1), "VN1.32\r\n");
    ::close(again);
    EXPECT_EQ(c.stop(SIGINT), 0);
}

// Accepts one connection on a listening socket within the time, or returns -1.
int accept_within(int listener, int timeout_ms)
{
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0)
        return -1;
    return ::accept(listener, nullptr, nullptr);
}

TEST_F(DevsimProcess, ConnectsToAToolThatListensAndComesBackAfterALoss)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof a;
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length), 0);
    const int port = ntohs(a.sin_port);

    Child c;
    start(c, k_devsim, {"--connect", "127.0.0.1:" + std::to_string(port), "--rs485", "12"});
    const int device = accept_within(listener, 5000);
    ASSERT_GE(device, 0);
    send(device, "12RCI\r\n");
    EXPECT_EQ(read_lines(device, 1), "12CIA\r\n");
    ::close(device);
    // The device tries again, as a device with connection try on would.
    const int again = accept_within(listener, 5000);
    ASSERT_GE(again, 0);
    send(again, "12RCI\r\n");
    EXPECT_EQ(read_lines(again, 1), "12CIA\r\n");
    ::close(again);
    ::close(listener);
}

TEST_F(DevsimProcess, ClosesAfterTheNthCommandAndAcceptsTheNextConnection)
{
    Child c;
    const int port = start_listening(c, {"--close-after", "2"});
    ASSERT_GT(port, 0);
    const int fd = connect_to(port);
    ASSERT_GE(fd, 0);
    send(fd, "RAM\r\nRAP\r\n");
    // Both answers, then the end of the stream.
    EXPECT_EQ(read_until(
                  fd, [](const std::string&) { return false; }, 3000),
              "AMI\r\nAPM\r\n");
    ::close(fd);
    const int next = connect_to(port);
    ASSERT_GE(next, 0);
    send(next, "RAR\r\n");
    EXPECT_EQ(read_lines(next, 1), "ARON\r\n");
    ::close(next);
}

TEST_F(DevsimProcess, ThrottleKeepsToTheSerialLinePace)
{
    Child c;
    const int port = start_listening(c, {"--throttle"});
    ASSERT_GT(port, 0);
    const int fd = connect_to(port);
    ASSERT_GE(fd, 0);
    // 8 queries of 6 characters, 8 answers of 261: 2136 characters of 11 bits at 38400 baud.
    std::string queries;
    for (int i = 0; i < 8; ++i) queries += "RIDP\r\n";
    const auto begin = Clock::now();
    send(fd, queries);
    const std::string answers = read_lines(fd, 8, 10000);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    EXPECT_EQ(answers.size(), 8u * 261u);
    // The answers cannot overlap the first query; the rest of the traffic is full duplex.
    const double at_least = (6 + 8 * 261) * 11.0 / 38400.0;
    EXPECT_GE(seconds, at_least * 0.98);
    EXPECT_LT(seconds, at_least * 3 + 1.0);
    ::close(fd);
}

TEST_F(DevsimProcess, BadArgumentsExitNonZeroWithAMessage)
{
    Child c;
    start(c, k_devsim, {"--listen", "127.0.0.1:0", "--rs485", "40"});
    const std::string err = read_until(
        c.err, [](const std::string&) { return false; }, 3000);
    int status = 0;
    ::waitpid(c.pid, &status, 0);
    c.pid = -1;
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(err.find("--rs485: invalid value '40'"), std::string::npos) << err;

    // A state that cannot be read refuses the start instead of falling back to the factory
    // state; a FIFO is refused without being opened, so nothing hangs.
    const std::string fifo = temp_path("state-fifo");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string reason;
    } unreadable[] = {{temp_path("no-such-file"), "No such file or directory"},
                      {::testing::TempDir(), "Is a directory"},
                      {fifo, "not a regular file"}};
    for (const auto& u : unreadable) {
        Child refused;
        start(refused, k_devsim, {"--pty", "--state-in", u.path});
        // Until stderr closes with the program's end; a simulator that started is killed.
        const std::string why = read_until(refused.err, [](const std::string&) { return false; });
        EXPECT_EQ(refused.stop(SIGKILL), 2) << u.path;
        EXPECT_NE(why.find("cannot read " + u.path + ": " + u.reason), std::string::npos) << why;
    }
    // A state written over the FIFO would put a file in its place.
    Child refused;
    start(refused, k_devsim, {"--pty", "--state-out", fifo});
    const std::string why = read_until(refused.err, [](const std::string&) { return false; });
    EXPECT_EQ(refused.stop(SIGKILL), 2);
    EXPECT_NE(why.find("cannot write " + fifo + ": Not a regular file"), std::string::npos) << why;
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    ::unlink(fifo.c_str());
}

}  // namespace

#endif  // _WIN32
