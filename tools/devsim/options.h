#pragma once
// The simulator's command line.

#include <string>
#include <vector>

#include "device_session.h"

namespace devsim {

enum class Transport { none, listen, connect, serial, pty };

struct Options {
    Transport transport = Transport::none;
    std::string host;  // listen, connect
    int port = 0;      // listen (0: any free port), connect
    std::string path;  // serial
    int rs485_address = -1;
    FaultPlan faults;
    std::string log_file;
    std::string state_in;
    std::string state_out;
    bool help = false;
};

// False with a message naming the offending argument when the command line is not usable.
bool parse_options(const std::vector<std::string>& args, Options& out, std::string& error);

std::string usage_text();

}  // namespace devsim
