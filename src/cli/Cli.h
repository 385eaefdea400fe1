// tavrin-cli: checks Tavrin's files, re-exports spectra and prints reports and graph pictures of
// stored measurements with the program's own readers, writers, spectrum, graph and print code.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Reads the value of `option` at args[i], written "--opt=VALUE" or "--opt VALUE" (then i moves on
// to the value). False when args[i] is not that option or its value is missing.
bool TakeOptionValue(const std::vector<std::string>& args, std::size_t& i,
                     const std::string& option, std::string& into);

// Runs one command line (args without the program name). Results go to out, messages to err.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// RunCli on the process's standard streams, as tavrin-cli's main runs it: a failed write or
// close of standard output turns success into status 1 with a message on standard error.
int RunCliOnStandardStreams(const std::vector<std::string>& args);

// The commands, for RunCli and the tests.
int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int SpectrumCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int AnalyzeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
