// The driver backend is chosen when the program is built: `tavrin` links the hardware
// backend library, `tavrin-sim` the simulated unit. Each backend library defines these.
#pragma once

#include <memory>
#include <string>

#include "adunit/FtDriver.h"

// Takes the program's command-line options meant for the backend (the hardware backend
// accepts none). Returns false with a message in `error`; sets `exitNow` for --help.
bool ConfigureDriverBackend(int argc, char** argv, std::string& error, bool& exitNow);

// A new driver instance for the transport.
std::unique_ptr<FtDriver> CreateFtDriver();
