// acquire --average end to end on the simulated unit behind a recording bridge: the command
// lines the unit received, the samples of every block, and the files written from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "cli/AcquireCommand.h"
#include "cli/Cli.h"
#include "cli_test_helpers.h"
#include "common/RateTables.h"
#include "document/MeasurementDocument.h"
#include "spectrum_rows.h"

namespace {

using namespace cli_test;

// What went over the bridge: every command line, and the sample bytes after each acquisition
// command. `clipBlock` > 0 turns the first sample of that block into 16777215 on its way in.
struct BridgeLog {
    int opened = 0;
    std::vector<std::string> commands;
    std::vector<std::vector<uint8_t>> blocks;
    int clipBlock = 0;

    std::vector<int32_t> Codes(std::size_t block) const {
        std::vector<int32_t> codes;
        const std::vector<uint8_t>& b = blocks.at(block);
        for (std::size_t i = 0; i + 2 < b.size(); i += 3) {
            codes.push_back(int32_t{b[i]} << 16 | int32_t{b[i + 1]} << 8 | int32_t{b[i + 2]});
        }
        return codes;
    }
};

class RecordingBridge final : public FtDriver {
public:
    RecordingBridge(BridgeLog& log, const SimConfig& config) : log_(log), unit_(config, clock_) {}

    uint32_t OpenByIndex(int index) override {
        ++log_.opened;
        return unit_.OpenByIndex(index);
    }
    uint32_t SetUSBParameters(uint32_t in, uint32_t out) override {
        return unit_.SetUSBParameters(in, out);
    }
    uint32_t Purge(uint32_t mask) override { return unit_.Purge(mask); }
    uint32_t GetQueueStatus(uint32_t& queued) override { return unit_.GetQueueStatus(queued); }
    uint32_t Close() override { return unit_.Close(); }

    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& written) override {
        for (uint32_t i = 0; i < count; ++i) {
            if (src[i] != '\r') {
                line_ += static_cast<char>(src[i]);
                continue;
            }
            log_.commands.push_back(line_);
            // An acquisition command: the bytes read from here on are this block's samples.
            inBlock_ = line_.size() == 7 && line_[0] == 'A' && line_[1] != 'X';
            if (inBlock_) {
                log_.blocks.emplace_back();
            }
            line_.clear();
        }
        return unit_.Write(src, count, written);
    }

    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& got) override {
        const uint32_t status = unit_.Read(dst, count, got);
        if (!inBlock_) {
            return status;
        }
        std::vector<uint8_t>& block = log_.blocks.back();
        for (uint32_t i = 0; i < got; ++i) {
            if (static_cast<int>(log_.blocks.size()) == log_.clipBlock && block.size() < 3) {
                dst[i] = 0xFF;
            }
            block.push_back(dst[i]);
        }
        return status;
    }

private:
    BridgeLog& log_;
    SteadyClock clock_;
    SimulatedUnit unit_;
    std::string line_;
    bool inBlock_ = false;
};

class AcquireAverageTest : public CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        config.latencyMs = 0;
        // acquire without --simulated takes the hardware factory's unit: here the recording one.
        SetHardwareDriverFactory([this] { return std::make_unique<RecordingBridge>(log, config); });
    }
    void TearDown() override {
        SetHardwareDriverFactory(nullptr);
        CliFolderTest::TearDown();
    }
    int Acquire(std::vector<std::string> args) {
        args.insert(args.begin(), {"acquire", "--count", "4096"});
        return Run(args);
    }

    // Each recorded block's spectrum as the window computes it with acquire's settings.
    std::vector<std::vector<double>> BlockSpectra() {
        MeasurementDocument document;
        document.CreateFFT(nullptr);
        document.graphSetting.DataCountMax = 4096;
        document.acqSetting = ADUnitSetting{16, false, 0};
        std::vector<std::vector<double>> spectra;
        for (std::size_t b = 0; b < log.blocks.size(); ++b) {
            const std::vector<int32_t> codes = log.Codes(b);
            EXPECT_EQ(codes.size(), 4096u);
            std::copy(codes.begin(), codes.end(), document.curCodes.begin());
            EXPECT_EQ(document.FinishBlock(), MeasurementDocument::FinishResult::Accepted);
            EXPECT_TRUE(document.ComputeSpectrum(BlockRole::Measured));
            spectra.emplace_back(document.curSpectrum.begin() + 1,
                                 document.curSpectrum.begin() + 2048);
        }
        return spectra;
    }

    SimConfig config = DefaultSimConfig();
    BridgeLog log;
};

// The commands of one preparation and then `blocks` acquisitions of 4096 samples at 125 ksps.
std::vector<std::string> PreparedOnce(int blocks) {
    std::vector<std::string> commands = {"?", "S5", std::string("F") + RateCharacter(16), "U?",
                                         "V?"};
    for (int b = 0; b < blocks; ++b) {
        commands.insert(commands.end(), {"A001000", "AX"});
    }
    return commands;
}

TEST_F(AcquireAverageTest, PreparesOnceAndWritesTheLastBlockAndThePowerAverage) {
    const std::string dta = Path("avg.DTA");
    const std::string fft = Path("avg.FFT");
    ASSERT_EQ(Acquire({"--average", "4", "--fft", fft, "-o", dta, "--json"}), kExitOk) << err.str();
    EXPECT_EQ(log.opened, 1);
    EXPECT_EQ(log.commands, PreparedOnce(4));
    ASSERT_EQ(log.blocks.size(), 4u);
    EXPECT_NE(out.str().find("\"file\":\"" + dta + "\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(",\"averaging\":{\"mode\":\"power\",\"blocks\":4},\"fft\":\"" + fft +
                             "\"}\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("the last of 4 blocks"), std::string::npos) << err.str();

    // The data file is the last block, as the window's save writes it.
    DataFileRecords file;
    ASSERT_TRUE(file.Read(dta));
    const std::vector<int32_t> last = log.Codes(3);
    EXPECT_TRUE(std::equal(last.begin(), last.end(), file.codes.begin()));
    EXPECT_NE(log.Codes(0), last) << "the tone runs on between blocks";
    EXPECT_EQ(file.graph.DataCountMax, 4096);
    EXPECT_EQ(Run({"check", dta}), kExitOk);

    // The export: the comment line, then the square root of the mean of the blocks' squares.
    const auto lines = ExportLines(ReadAll(fft));
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DataFile:Tavrin_FFT");
    EXPECT_EQ(lines[1], "; power average of 4 blocks");
    const std::vector<double> values = ExportValues(lines);
    const auto spectra = BlockSpectra();
    ASSERT_EQ(values.size(), 2047u);
    int wrong = 0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        double squares = 0;
        for (const auto& s : spectra) {
            squares += s[k] * s[k];
        }
        const double expected = std::sqrt(squares / 4);
        if (!(std::fabs(values[k] - expected) <= expected * 2e-7)) {
            ADD_FAILURE_AT(__FILE__, __LINE__)
                << "row " << k + 1 << ": " << values[k] << " vs " << expected;
            if (++wrong == 3) {
                break;
            }
        }
    }
}

TEST_F(AcquireAverageTest, AClippedBlockEndsTheSeriesAndNothingIsWritten) {
    log.clipBlock = 3;
    const std::string dta = Path("c.DTA");
    const std::string fft = Path("c.FFT");
    EXPECT_EQ(Acquire({"--average", "4", "--fft", fft, "-o", dta}), kExitFailed);
    EXPECT_EQ(err.str(), "tavrin-cli acquire: input signal level out of range in block 3 of 4 "
                         "(a sample reads 0 or 16777215); nothing written\n");
    EXPECT_FALSE(fs::exists(dta));
    EXPECT_FALSE(fs::exists(fft));
    EXPECT_EQ(log.blocks.size(), 3u);
}

TEST_F(AcquireAverageTest, PeakHoldAndTheSpectrumOfOneBlock) {
    const std::string fft = Path("p.FFT");
    ASSERT_EQ(
        Acquire({"--average", "3", "--peak-hold", "--fft", fft, "-o", Path("p.DTA"), "--json"}),
        kExitOk)
        << err.str();
    EXPECT_EQ(log.commands, PreparedOnce(3));
    EXPECT_NE(out.str().find("\"averaging\":{\"mode\":\"peak_hold\",\"blocks\":3}"),
              std::string::npos);
    auto lines = ExportLines(ReadAll(fft));
    EXPECT_EQ(lines.at(1), "; peak hold of 3 blocks");
    std::vector<double> values = ExportValues(lines);
    auto spectra = BlockSpectra();
    ASSERT_EQ(values.size(), 2047u);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double expected = std::max({spectra[0][k], spectra[1][k], spectra[2][k]});
        ASSERT_NEAR(values[k], expected, expected * 1e-7) << "row " << k + 1;
    }

    // --fft alone, or an average of one: the block's own spectrum, no comment.
    for (const std::vector<std::string>& asked :
         {std::vector<std::string>{}, std::vector<std::string>{"--average", "1"}}) {
        log = BridgeLog{};
        const std::string one = Path("one.FFT");
        std::vector<std::string> args = {"--fft", one, "-o", Path("one.DTA"), "--force"};
        args.insert(args.end(), asked.begin(), asked.end());
        ASSERT_EQ(Acquire(args), kExitOk) << err.str();
        EXPECT_EQ(log.commands, PreparedOnce(1));
        lines = ExportLines(ReadAll(one));
        EXPECT_EQ(lines.at(1), "A:");
        values = ExportValues(lines);
        spectra = BlockSpectra();
        ASSERT_EQ(values.size(), 2047u);
        for (std::size_t k = 0; k < values.size(); ++k) {
            ASSERT_NEAR(values[k], spectra[0][k], spectra[0][k] * 1e-7) << "row " << k + 1;
        }
    }
}

TEST_F(AcquireAverageTest, UsageAndExistingFilesAreSettledBeforeTheUnitIsOpened) {
    const std::string dta = Path("u.DTA");
    const std::string fft = Path("u.FFT");
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"--average", "4", "--repeat", "2", "-o", dta},
             std::vector<std::string>{"--average", "4", "--repeat", "1", "-o", dta},
             std::vector<std::string>{"--fft", fft, "--repeat", "3", "-o", dta},
             std::vector<std::string>{"--peak-hold", "-o", dta},
             std::vector<std::string>{"--average", "0", "-o", dta},
             std::vector<std::string>{"--average", "1001", "-o", dta},
             std::vector<std::string>{"--average", "2", "--fft", dta, "-o", dta},
             std::vector<std::string>{"--average", "-o", dta},
         }) {
        EXPECT_EQ(Acquire(args), kExitUsage) << args[0] << " " << args[1];
    }
    std::ofstream(fft) << "keep";
    EXPECT_EQ(Acquire({"--average", "2", "--fft", fft, "-o", dta}), kExitFailed);
    EXPECT_EQ(err.str(), "tavrin-cli acquire: " + fft + " exists (use --force to replace it)\n");
    EXPECT_EQ(log.opened, 0);
    EXPECT_FALSE(fs::exists(dta));
    EXPECT_EQ(ReadAll(fft), "keep");
    ASSERT_EQ(Acquire({"--average", "2", "--fft", fft, "-o", dta, "--force"}), kExitOk);
    EXPECT_EQ(ExportLines(ReadAll(fft)).at(1), "; power average of 2 blocks");
    EXPECT_EQ(Run({"acquire", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--average K"), std::string::npos);
    EXPECT_NE(out.str().find("not with --average or --fft"), std::string::npos);
}

} // namespace
