// tavrin-cli units and acquire --device on the hooks the hardware backend fills in: the listing,
// the unit picked by its serial number, an absent serial number and a bridge that may not be
// opened.
#include <gtest/gtest.h>

#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "cli/Units.h"
#include "cli_test_helpers.h"

namespace {

using namespace cli_test;

class UnitsTest : public CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        SetHardwareUnits({[this](std::vector<UsbUnit>& units) {
                              units = attached;
                              return true;
                          },
                          [this](const std::string& serial) -> std::unique_ptr<FtDriver> {
                              opened.push_back(serial);
                              SimConfig c = DefaultSimConfig();
                              c.latencyMs = 0;
                              return std::make_unique<SimulatedUnit>(c, clock);
                          }});
    }
    void TearDown() override {
        SetHardwareUnits({});
        CliFolderTest::TearDown();
    }

    SteadyClock clock;
    std::vector<UsbUnit> attached = {{0, "TV24A001", "TORVEX24 USB FIFO", 1, 4, false},
                                     {1, "TV24B002", "TORVEX24 USB FIFO", 3, 12, false}};
    std::vector<std::string> opened;
};

TEST_F(UnitsTest, ListsEveryBridge) {
    ASSERT_EQ(Run({"units"}), 0) << err.str();
    EXPECT_EQ(out.str(), "INDEX  SERIAL            BUS  ADDRESS  DESCRIPTION\n"
                         "0      TV24A001          001  004      TORVEX24 USB FIFO\n"
                         "1      TV24B002          003  012      TORVEX24 USB FIFO\n");
    EXPECT_EQ(Run({"units", "--all"}), 2);

    attached.clear();
    EXPECT_EQ(Run({"units", "--json"}), 3);
    EXPECT_EQ(out.str(), "[]\n");
    EXPECT_EQ(err.str(), "tavrin-cli units: no USB bridge with the FTDI default ids is attached\n");
}

TEST_F(UnitsTest, AcquireTakesTheUnitWithTheSerialNumberOrNamesTheOneMissing) {
    const std::string a = Path("a.DTA");
    ASSERT_EQ(Run({"acquire", "-o", a, "--count", "1024", "--device", "TV24B002"}), 0) << err.str();
    EXPECT_EQ(opened, std::vector<std::string>{"TV24B002"});
    EXPECT_TRUE(fs::exists(a));

    EXPECT_EQ(Run({"acquire", "-o", Path("b.DTA"), "--device", "TV24C003"}), 3);
    EXPECT_EQ(err.str(), "tavrin-cli acquire: unit TV24C003 not found\n");
    EXPECT_EQ(Run({"acquire", "-o", Path("b.DTA"), "--device", "TV24A001", "--simulated"}), 2);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_FALSE(fs::exists(Path("b.DTA")));
}

TEST_F(UnitsTest, ABridgeThatMayNotBeOpenedIsNamedWithTheRemedy) {
    attached = {{0, "", "", 1, 4, true}};
    EXPECT_EQ(Run({"units"}), 3);
    EXPECT_EQ(out.str(), "INDEX  SERIAL            BUS  ADDRESS  DESCRIPTION\n"
                         "0      ?                 001  004      (permission denied)\n");
    const std::string hint =
        "a USB bridge is attached but cannot be opened: permission denied (install the udev rule "
        "and join the plugdev group, see \"The real unit on USB\" in the README)\n";
    EXPECT_EQ(err.str(), "tavrin-cli units: " + hint);
    EXPECT_EQ(Run({"acquire", "-o", Path("a.DTA")}), 3);
    EXPECT_EQ(err.str(), "tavrin-cli acquire: TORVEX24 was not found: " + hint);
    EXPECT_EQ(Run({"acquire", "-o", Path("a.DTA"), "--device", "TV24A001"}), 3);
    EXPECT_EQ(err.str(), "tavrin-cli acquire: unit TV24A001 not found; " + hint);
    EXPECT_TRUE(opened.empty());
}

} // namespace
