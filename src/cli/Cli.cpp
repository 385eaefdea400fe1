#include "cli/Cli.h"
#include "cli/AcquireCommand.h"

namespace {

constexpr const char* kUsage =
    "Usage: tavrin-cli COMMAND [ARGS]\n"
    "Headless companion of Tavrin for scripts and batch work.\n"
    "\n"
    "Commands:\n"
    "  check FILE...            read settings (.prf) and data (.DTA) files with Tavrin's own\n"
    "                           readers and report OK or why each was rejected\n"
    "  spectrum IN.DTA -o OUT.FFT [options]\n"
    "                           export the spectrum of a stored measurement\n"
    "  acquire -o OUT.DTA [options] [--simulated ...]\n"
    "                           take blocks from the unit and write them as data files\n"
    "\n"
    "Run 'tavrin-cli COMMAND --help' for a command's options.\n"
    "Exit status: 0 success, 1 a file was rejected or could not be written, 2 usage error.\n";

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "check") {
        return CheckCommand(rest, out, err);
    }
    if (command == "acquire") {
        return AcquireCommand(rest, out, err);
    }
    if (command == "spectrum") {
        return SpectrumCommand(rest, out, err);
    }
    err << "tavrin-cli: unknown command '" << command << "'\n\n" << kUsage;
    return kExitUsage;
}
