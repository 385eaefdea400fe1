#include "cli/Cli.h"
#include "cli/AcquireCommand.h"
#include "cli/Units.h"
#include "common/TavrinVersion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Usage: tavrin-cli COMMAND [ARGS]\n"
    "Headless companion of Tavrin for scripts and batch work.\n"
    "\n"
    "Commands:\n"
    "  check FILE...            read settings (.prf) and data (.DTA) files with Tavrin's own\n"
    "                           readers and report OK or why each was rejected\n"
    "  spectrum IN.DTA -o OUT.FFT [options]\n"
    "                           export the spectrum of a stored measurement (with --average\n"
    "                           the power average or peak hold of several)\n"
    "  report IN.DTA -o OUT.pdf [options]\n"
    "                           the printed report of a stored measurement as a PDF file\n"
    "  render IN.DTA -o OUT.png [options]\n"
    "                           the graphs of a stored measurement as a PNG picture\n"
    "  analyze IN.DTA... [--json] [--harmonics K] [--average]\n"
    "                           converter test figures (SNR, THD, SINAD, SFDR, ENOB, noise\n"
    "                           and resolution) of stored measurements, with --average of\n"
    "                           their mean power spectrum\n"
    "  acquire -o OUT.DTA [options] [--simulated ...]\n"
    "                           take blocks from the unit and write them as data files (with\n"
    "                           --average K the averaged spectrum of K blocks too)\n"
    "  units [--json]           list the attached USB bridges (serial numbers for --device)\n"
    "\n"
    "Run 'tavrin-cli COMMAND --help' for a command's options; 'tavrin-cli --version' prints\n"
    "the version.\n"
    "Exit status: 0 success, 1 a file was rejected or could not be written, 2 usage error.\n";

} // namespace

bool TakeOptionValue(const std::vector<std::string>& args, std::size_t& i,
                     const std::string& option, std::string& into) {
    const std::string& a = args[i];
    const std::string prefix = option + "=";
    if (a.compare(0, prefix.size(), prefix) == 0) {
        into = a.substr(prefix.size());
        return true;
    }
    if (a == option && i + 1 < args.size()) {
        into = args[++i];
        return true;
    }
    return false;
}

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
    if (command == "--version") {
        out << "tavrin-cli " TAVRIN_VERSION "\n";
        return kExitOk;
    }
    if (command == "check") {
        return CheckCommand(rest, out, err);
    }
    if (command == "acquire") {
        return AcquireCommand(rest, out, err);
    }
    if (command == "units") {
        return UnitsCommand(rest, out, err);
    }
    if (command == "spectrum") {
        return SpectrumCommand(rest, out, err);
    }
    if (command == "report") {
        return ReportCommand(rest, out, err);
    }
    if (command == "render") {
        return RenderCommand(rest, out, err);
    }
    if (command == "analyze") {
        return AnalyzeCommand(rest, out, err);
    }
    err << "tavrin-cli: unknown command '" << command << "'\n\n" << kUsage;
    return kExitUsage;
}

int RunCliOnStandardStreams(const std::vector<std::string>& args) {
    // A closed standard output must stay unusable: a file opened later would otherwise get
    // descriptor 1 and receive the output. A read-only /dev/null there fails every write.
    if (::fcntl(STDOUT_FILENO, F_GETFD) < 0) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && fd != STDOUT_FILENO) {
            ::dup2(fd, STDOUT_FILENO);
            ::close(fd);
        }
    }
    int status = RunCli(args, std::cout, std::cerr);
    // Every command's output is checked here once: a failed write or close is a failure.
    std::cout.flush();
    errno = 0;
    const bool failed = !std::cout.good() || std::fflush(stdout) != 0 || std::ferror(stdout) ||
                        ::close(STDOUT_FILENO) != 0;
    if (failed) {
        const int e = errno;
        std::cerr << "tavrin-cli: cannot write standard output"
                  << (e != 0 ? std::string(": ") + std::strerror(e) : std::string()) << "\n";
        if (status == kExitOk) {
            status = kExitFailed;
        }
    }
    return status;
}
