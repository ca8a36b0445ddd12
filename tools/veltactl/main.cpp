// veltactl: the configuration tool's batch operations from the command line. The Qt host
// (host.h) wires the scheduler, the job runner and the reporter and keeps the run's life.

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli_options.h"
#include "host.h"
#include "operations.h"
#include "reporter.h"

int main(int argc, char** argv)
{
    using namespace veltactl;
    QCoreApplication app(argc, argv);
    // File names as UTF-8 on every platform: argv is in the ANSI code page on Windows.
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.ok) {
        error_line(parsed.error);
        std::cerr << "Try 'veltactl --help'.\n";
        return k_exit_usage;
    }
    if (parsed.options.help) {
        std::cout << usage_text();
        return k_exit_ok;
    }
    Tool tool(parsed.options);
    if (!tool.start())
        return tool.exit_code();
    return QCoreApplication::exec();
}
