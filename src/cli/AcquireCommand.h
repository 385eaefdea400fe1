// tavrin-cli acquire: one or more blocks from the unit, each written as a data file.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class FtDriver;

int AcquireCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The driver of the real unit, used without --simulated; tavrin-cli sets it when it is built
// with a hardware backend. Without one the unit is reported as not found.
void SetHardwareDriverFactory(std::function<std::unique_ptr<FtDriver>()> factory);

// Exit statuses of acquire beyond the common 0, 1 and 2: one per unit failure.
inline constexpr int kExitNotFound = 3;
inline constexpr int kExitNoResponse = 4;
inline constexpr int kExitFilterRefused = 5;
inline constexpr int kExitRateRefused = 6;
inline constexpr int kExitModelRefused = 7;
inline constexpr int kExitWrongModel = 8;
inline constexpr int kExitVersionRefused = 9;
inline constexpr int kExitStartFailed = 10;
inline constexpr int kExitReadError = 11;
inline constexpr int kExitStalled = 12;
