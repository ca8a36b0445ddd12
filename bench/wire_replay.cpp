// Replays the commands of a veltactl --trace to a simulator over TCP, each one after the
// answers it got in the trace, and times the run. It shares no code with the tool, so the
// difference to the tool's own time on the same simulator is the tool's turn-around.
//
// usage: wire_replay TRACE HOST:PORT
// prints: "<commands> commands <bytes> bytes <seconds> s" (from the first command sent to the
// last answer received; connecting is not timed)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Exchange {
    std::string command;
    int answers = 0;  // lines the tool received before its next command
};

// Undoes the trace's escapes: <CR>, <LF> and <XX> (hexadecimal) are one byte each.
std::string unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') {
            if (text.compare(i, 4, "<CR>") == 0) {
                out += '\r';
                i += 3;
                continue;
            }
            if (text.compare(i, 4, "<LF>") == 0) {
                out += '\n';
                i += 3;
                continue;
            }
            if (i + 3 < text.size() && text[i + 3] == '>' &&
                std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
                out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<Exchange> read_trace(const char* path)
{
    std::vector<Exchange> run;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        // date, time, +elapsed, device, then ">" (sent), "<" (received) or "#" (a note)
        std::size_t at = 0;
        for (int field = 0; field < 4 && at != std::string::npos; ++field) {
            at = line.find(' ', at);
            if (at != std::string::npos)
                ++at;
        }
        if (at == std::string::npos || at + 2 > line.size())
            continue;
        if (line[at] == '>')
            run.push_back({unescape(line.substr(at + 2)), 0});
        else if (line[at] == '<' && !run.empty())
            ++run.back().answers;
    }
    return run;
}

int connect_to(const std::string& where)
{
    const std::size_t colon = where.rfind(':');
    if (colon == std::string::npos)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(std::atoi(where.c_str() + colon + 1)));
    if (::inet_pton(AF_INET, where.substr(0, colon).c_str(), &addr.sin_addr) != 1)
        return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: wire_replay TRACE HOST:PORT\n");
        return 2;
    }
    const std::vector<Exchange> run = read_trace(argv[1]);
    if (run.empty()) {
        std::fprintf(stderr, "wire_replay: no commands in %s\n", argv[1]);
        return 1;
    }
    const int fd = connect_to(argv[2]);
    if (fd < 0) {
        std::fprintf(stderr, "wire_replay: cannot connect to %s: %s\n", argv[2],
                     std::strerror(errno));
        return 1;
    }
    long bytes = 0;
    std::string pending;  // received bytes not yet part of a whole line
    const auto start = std::chrono::steady_clock::now();
    for (const Exchange& e : run) {
        if (::send(fd, e.command.data(), e.command.size(), 0) !=
            static_cast<ssize_t>(e.command.size())) {
            std::fprintf(stderr, "wire_replay: send failed: %s\n", std::strerror(errno));
            return 1;
        }
        bytes += static_cast<long>(e.command.size());
        for (int lines = 0; lines < e.answers;) {
            const std::size_t lf = pending.find('\n');
            if (lf != std::string::npos) {
                bytes += static_cast<long>(lf + 1);
                pending.erase(0, lf + 1);
                ++lines;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                std::fprintf(stderr, "wire_replay: the connection ended\n");
                return 1;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    std::printf("%zu commands %ld bytes %.3f s\n", run.size(), bytes, seconds);
    return 0;
}
