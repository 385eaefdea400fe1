// Golden pictures: every pixel of both graph boxes (frame and bitmap) and every axis label,
// compared with what the drawing rules give, computed here with a small rasteriser of our own.
// Nothing of the graph's own drawing, layout or tables is used for the expected side.
#include <gtest/gtest.h>

#include "common/RateTables.h"
#include "graph/graph_harness.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using Colour = int32_t; // 0x00BBGGRR
enum class Op { Copy, Mask, Xor };
constexpr Colour kWhite = 0xFFFFFF, kSilver = 0xC0C0C0;

struct Picture {
    int w, h;
    std::vector<Colour> px;
    Picture(int width, int height) : w(width), h(height), px(size_t(width) * height, kWhite) {}
    // Offset of step k of n along a distance d: the exact line rounded half up (toward the end).
    static int64_t Step(int64_t k, int64_t d, int64_t n) {
        return (d < 0 ? -1 : 1) * ((2 * k * std::abs(d) + n) / (2 * n));
    }
    // One-pixel line from (x0, y0) up to, not including, (x1, y1); clipped to the picture.
    void Line(int x0, int y0, int x1, int y1, Colour c, Op op = Op::Copy) {
        const int64_t dx = x1 - x0, dy = y1 - y0, n = std::max(std::abs(dx), std::abs(dy));
        for (int64_t k = 0; k < n; ++k) {
            const int64_t x = x0 + Step(k, dx, n), y = y0 + Step(k, dy, n);
            if (x >= 0 && y >= 0 && x < w && y < h) {
                Colour& p = px[size_t(y) * w + size_t(x)];
                p = op == Op::Copy ? c : op == Op::Mask ? (p & c) : (p ^ c);
            }
        }
    }
};

int Trunc(double v) {
    return static_cast<int>(v);
}

// 0.1, 0.2, 0.5, 1, ... 100000 Hz by index.
float Series(int i) {
    const float m = i % 3 == 0 ? 1.0f : i % 3 == 1 ? 2.0f : 5.0f;
    const int e = i / 3 - 1;
    return e < 0 ? m / 10.0f : m * static_cast<float>(std::pow(10.0, e));
}

struct Golden {
    const char* name;
    bool log = false, abso = false, volts = false, dcCut = false, wave = false;
    bool measured = false, reference = false;
    int freqS = 0, freqE = 0, dbMax = 0, dbMin = 0;
    int divisions = 0;             // horizontal dB divisions for this span and axis
    float linearEnd = 0, step = 0; // linear axis: end frequency and grid spacing
    int linearLabels = 0;          // linear axis: label count
    double voltFactor = 1;         // volt display: label factor, decimals and unit
    int voltDecimals = 0;
    const char* voltUnit = "";
    int spsSel = 16, count = 16384; // measured block: rate index, samples, first tone (Hz)
    double toneHz = 1000;
};

void PrintTo(const Golden& c, std::ostream* os) {
    *os << c.name;
}

struct Expect {
    const Golden& c;
    GraphHarness& h;
    const GraphSetting& g = h.graphSetting;
    float fS = Series(c.freqS);
    float fE = c.log ? Series(c.freqE) : c.linearEnd;
    int d = std::max(c.dbMin, 3) - (c.abso ? c.dbMax : 2);
    int top = c.abso ? c.dbMax : 2;

    void SpectrumGrid(Picture& p) const {
        if (c.log) {
            const double ls = std::log10(double(fS)), le = std::log10(double(fE));
            for (int e = -1; e <= 5; ++e) {
                for (float m : {1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f}) {
                    const float f = e < 0 ? m / 10.0f : m * static_cast<float>(std::pow(10.0, e));
                    if (f > fS && f < fE) {
                        const int x = Trunc(p.w * (std::log10(double(f)) - ls) / (le - ls));
                        p.Line(x, 0, x, p.h, m == 1.0f ? g.PenColorMainAxis : g.PenColorSubAxis);
                    }
                }
            }
        } else {
            for (int i = 1; c.step * i < fE; ++i) {
                const int x = Trunc(p.w * double(c.step * i) / fE);
                p.Line(x, 0, x, p.h, g.PenColorSubAxis);
            }
        }
        for (int i = 1; i < c.divisions; ++i) {
            p.Line(0, p.h * i / c.divisions, p.w, p.h * i / c.divisions, g.PenColorSubAxis);
        }
    }

    // One spectrum curve; levels relative to `peak` on the relative axis.
    void Spectrum(Picture& p, const SampleBlock& b, float peak, Colour colour, Op op) const {
        const int n = b.count / 2;
        const float bottom = static_cast<float>(20 - 10 * (top + d));
        const float threshold = std::pow(10.0f, bottom / 20);
        auto level = [&](int i) {
            const float a = b.spectrum[i], r = c.abso ? a : a / peak;
            return i == 0 || a <= 0 || !(r > threshold) ? bottom : 20 * std::log10(r);
        };
        const double topLevel = c.abso ? 20 - 10 * top : 0;
        auto y = [&](int i) { return Trunc(p.h * (topLevel - level(i)) / (10.0 * d)); };
        const float df = b.deltaF;
        int first = 1, last;
        std::function<int(int)> x;
        if (c.log) {
            while (first * df < fS) {
                ++first;
            }
            first = std::max(first - 1, 1);
            for (last = first; last < n - 1 && last * df < fE;) {
                ++last;
            }
            const double ls = std::log10(double(fS)), le = std::log10(double(fE));
            x = [&p, df, ls, le](int i) {
                return Trunc(p.w * (std::log10(double(i * df)) - ls) / (le - ls));
            };
        } else {
            last = std::min(Trunc(fE / df), n - 1);
            x = [&p, df, fE = fE](int i) { return Trunc(p.w * double(i * df) / fE); };
        }
        for (int i = first; i < last; ++i) {
            p.Line(x(i), y(i), x(i + 1), y(i + 1), colour, op);
        }
    }

    void WaveGrid(Picture& p, float span) const {
        p.Line(0, p.h / 2, p.w, p.h / 2, g.PenColorMainAxis);
        for (int i = 1; i <= 7; ++i) {
            const Colour col = i == 5 ? g.PenColorMainAxis : g.PenColorSubAxis;
            const int up = Trunc(p.h * 0.5 - i * (p.h / 15.0)),
                      down = Trunc(p.h * 0.5 + i * (p.h / 15.0));
            p.Line(0, up, p.w, up, col);
            p.Line(0, down, p.w, down, col);
        }
        for (int i = 1; i <= 19; ++i) {
            const int x = Trunc(p.w * (i * double(span) / 20) / span);
            p.Line(x, 0, x, p.h, kSilver);
        }
    }

    // Waveform of one block on the scale (max, min); timeSpan 0: the block fills the width.
    void Wave(Picture& p, const SampleBlock& b, float max, float min, float timeSpan, Colour colour,
              Op op) const {
        const float span = (max - min) * 1.5f, offset = (max + min) * 0.5f - span * 0.5f;
        const float dc = c.volts && c.dcCut ? b.voltMean : 0.0f;
        const double period = SamplePeriod(b.spsSel, b.sinc3);
        auto y = [&](int i) {
            const double v = c.volts ? double(b.volts[i] - dc) : double(b.codes[i]);
            return Trunc(p.h * (1 - (v - offset) / span));
        };
        auto x = [&](int i) {
            return timeSpan > 0 ? Trunc(p.w * (i * period) / timeSpan)
                                : int(int64_t(p.w) * i / b.count);
        };
        for (int i = 0; i + 1 < b.count; ++i) {
            p.Line(x(i), y(i), x(i + 1), y(i + 1), colour, op);
        }
    }
};

// Value range of a block for the waveform: codes, or volts less the mean with the DC cut.
void Range(const Golden& c, const SampleBlock& b, float& max, float& min) {
    if (c.volts) {
        const float dc = c.dcCut ? b.voltMean : 0.0f;
        max = b.voltMax - dc;
        min = b.voltMin - dc;
        return;
    }
    int32_t hi = b.codes[0], lo = b.codes[0];
    for (int i = 1; i < b.count; ++i) {
        hi = std::max(hi, b.codes[i]);
        lo = std::min(lo, b.codes[i]);
    }
    max = static_cast<float>(hi);
    min = static_cast<float>(lo);
}

float Peak(const SampleBlock& b) {
    float peak = 0;
    for (int i = 1; i < b.count / 2; ++i) {
        peak = std::max(peak, b.spectrum[i]);
    }
    return peak;
}

// The box as shown: a black one-pixel frame around the picture.
void ExpectBox(TPaintBox* box, const Picture& want, const char* what) {
    const QImage shot = box->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(want.w + 2, want.h + 2)) << what;
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const bool frame = x == 0 || y == 0 || x == shot.width() - 1 || y == shot.height() - 1;
            const Colour c = frame ? 0 : want.px[size_t(y - 1) * want.w + size_t(x - 1)];
            const QRgb expected = qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
            if ((shot.pixel(x, y) & 0xffffff) != (expected & 0xffffff) && ++wrong <= 5) {
                ADD_FAILURE() << what << " pixel (" << x << ", " << y << ") is " << std::hex
                              << shot.pixel(x, y) << ", expected " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << what;
}

// Decimal picture text; a value that rounds to zero reads without a sign.
std::string Fixed(double v, int decimals) {
    const std::string t = QString::number(v, 'f', decimals).toStdString();
    return t.find_first_of("123456789") == std::string::npos && t[0] == '-' ? t.substr(1) : t;
}

std::string Text(const QLabel* l) {
    return l->text().toStdString();
}

bool Shown(const QLabel* l) {
    return !l->isHidden();
}

// "0.2Hz", "100Hz", "2kHz": the frequency in Hz below 1 kHz, else in kHz.
std::string FreqText(float f, bool unit) {
    const bool k = f >= 1000;
    return QString::number(k ? f / 1000 : f).toStdString() + (unit ? (k ? "kHz" : "Hz") : "");
}

// Label texts, positions and visibility by the axis rules.
void ExpectLabels(const Golden& c, GraphHarness& h, const Expect& e, float max, float min,
                  float duration) {
    const QRect sb = h.spectrumBox->geometry();
    FFTGraph& g = *h.graph;
    // dB axis: every label right-aligned two pixels left of the box, centred on its level.
    const double pitch = double(sb.height()) / e.d;
    const QLabel* first = g.DbLabel(e.top);
    const double lh = first->height();
    const int every = lh * 1.5 < pitch   ? 1
                      : lh * 0.7 < pitch ? 2
                      : lh < 2 * pitch   ? 3
                      : lh < 3 * pitch   ? 4
                                         : e.d;
    for (int i = 0; i <= 20; ++i) {
        const QLabel* l = g.DbLabel(i);
        const bool end = i == e.top || i == e.top + e.d;
        EXPECT_EQ(Text(l), std::to_string(20 - 10 * i) + (end ? (c.abso ? "dBV" : "dB") : "")) << i;
        EXPECT_EQ(Shown(l), i >= e.top && i <= e.top + e.d && (i - e.top) % every == 0) << i;
        EXPECT_EQ(l->x() + l->width(), sb.left() - 2) << i;
        EXPECT_EQ(l->y(), Trunc(sb.top() + 1 + ((i - e.top) * pitch - l->height() / 2))) << i;
    }
    // Frequency axis, one row below the box.
    if (c.log) {
        const double ls = std::log10(double(e.fS)), le = std::log10(double(e.fE));
        int lastRight = sb.left() + 20;
        for (int i = 0; i < 19; ++i) {
            const QLabel* l = g.FreqLabel(i);
            const bool in = i >= c.freqS && i <= c.freqE;
            int left = sb.left() + sb.width() - l->width() / 2;
            if (i == c.freqS) {
                left = sb.left();
                lastRight = sb.left() + std::max(20, l->width()); // a wider start label counts
            } else if (in && i < c.freqE) {
                left = Trunc((std::log10(double(Series(i))) - ls) * sb.width() / (le - ls) +
                             sb.left() - l->width() / 2 + 1);
            }
            const bool shown = in && (i == c.freqS || i == c.freqE || left > lastRight);
            // Wide ranges name the decades only; the other lines get their leading digit.
            const bool wide = c.freqE - c.freqS > 3;
            EXPECT_EQ(Text(l), !wide || i % 3 == 0 ? FreqText(Series(i), true)
                                                   : std::string(1, "125"[i % 3]))
                << i;
            EXPECT_EQ(Shown(l), shown) << i;
            if (in) {
                EXPECT_EQ(l->pos(), QPoint(left, sb.bottom() + 6)) << i;
                lastRight = shown && i != c.freqS ? left + l->width() : lastRight;
            }
        }
    } else {
        const int n = c.linearLabels;
        for (int i = 0; i < 19; ++i) {
            const QLabel* l = g.FreqLabel(i);
            EXPECT_EQ(Shown(l), i < n) << i;
            const int left = i == 0       ? sb.left()
                             : i == n - 1 ? sb.right() + 1 - l->width()
                                          : sb.left() + i * (sb.width() / (n - 1)) - l->width() / 2;
            if (i < n) {
                EXPECT_EQ(l->pos(), QPoint(left, sb.bottom() + 6)) << i;
                EXPECT_EQ(Text(l), FreqText(e.fE * i / (n - 1), i == n - 1)) << i;
            }
        }
    }
    if (!c.wave) {
        return;
    }
    // Waveform: values at a sixth, half and five sixths of the height, unit at the top edge.
    const QRect wb = h.waveBox->geometry();
    const QLabel* v[4] = {g.VoltUnitLabel(), g.VoltMaxLabel(), g.VoltZeroLabel(), g.VoltMinLabel()};
    const int centres[4] = {wb.top(), wb.top() + wb.height() / 6 + 1, wb.top() + wb.height() / 2,
                            wb.top() + wb.height() * 5 / 6};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Shown(v[i])) << i;
        EXPECT_EQ(v[i]->x() + v[i]->width(), wb.left() - 2) << i;
        EXPECT_GE(v[i]->x(), 0) << i;
        EXPECT_EQ(v[i]->y(), centres[i] - v[i]->height() / 2) << i;
    }
    if (c.volts) {
        EXPECT_EQ(Text(v[0]), c.voltUnit);
        EXPECT_EQ(Text(v[1]), Fixed(max * c.voltFactor, c.voltDecimals));
        EXPECT_EQ(Text(v[2]), Fixed((max + min) * 0.5f * c.voltFactor, c.voltDecimals));
        EXPECT_EQ(Text(v[3]), Fixed(min * c.voltFactor, c.voltDecimals));
    } else {
        EXPECT_EQ(Text(v[0]), "[digit]");
        EXPECT_EQ(Text(v[1]), std::to_string(int(max)));
        EXPECT_EQ(Text(v[2]), std::to_string((int64_t(max) + int64_t(min)) / 2));
        EXPECT_EQ(Text(v[3]), std::to_string(int(min)));
    }
    const QLabel* ts = g.TimeStartLabel();
    const QLabel* te = g.TimeEndLabel();
    EXPECT_EQ(Text(ts), "0");
    EXPECT_EQ(Text(te), duration < 1      ? Fixed(duration * 1000.0f, 0) + "us"
                        : duration < 1000 ? Fixed(duration, 2) + "ms"
                                          : Fixed(duration * 0.001f, 3) + "s");
    EXPECT_EQ(ts->pos(), QPoint(wb.left(), wb.bottom() + 3));
    EXPECT_EQ(te->pos(), QPoint(wb.right() + 1 - te->width(), wb.bottom() + 3));
    EXPECT_TRUE(Shown(ts) && Shown(te));
}

} // namespace

class GoldenGraphs : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenGraphs, EveryPixelAndLabelFollowsTheRules) {
    const Golden& c = GetParam();
    GraphHarness h;
    GraphSetting& g = h.graphSetting;
    g.fLogGraph = c.log;
    g.fAbsoGraph = c.abso;
    g.fSig_Volt = c.volts;
    g.fDCCut_SigGraph = c.dcCut;
    g.fWaveGraph = c.wave;
    g.index_FreqS = c.freqS;
    g.index_FreqE = c.freqE;
    g.index_dB_max = c.dbMax;
    g.index_dB_min = c.dbMin;
    g.PenColorGraph = 0x0000FF;
    g.PenColorMainAxis = 0x008000;
    g.PenColorSubAxis = 0x80FF80;
    g.PenColorRefGraph = 0xFF4020;
    SignalSpec m; // two tones over noise
    m.spsSel = c.spsSel;
    m.count = c.count;
    m.freqHz = c.toneHz;
    m.amplitude = c.dcCut ? 0.005 : 1.0;
    m.offset = c.dcCut ? 0.5 : 0.0;
    m.freq2Hz = 3 * c.toneHz;
    m.amplitude2 = m.amplitude / 100;
    if (c.measured) {
        h.Fill(h.curBlock, m);
        h.fDataExist = true;
    }
    if (c.reference) { // 31.25 ksps, 2 kHz: longer than the measured block
        SignalSpec r = m;
        r.count = 8192;
        r.spsSel = 13;
        r.freqHz = 2000;
        r.amplitude *= 0.6;
        r.offset = -r.offset;
        r.seed = 7;
        h.Fill(h.refBlock, r);
        h.fRefExist = true;
    }
    h.Layout();
    h.graph->PaintGraphs();

    const Expect e{c, h};
    const QSize ss = h.spectrumBox->size(), ws = h.waveBox->size();
    Picture spectrum(ss.width() - 2, ss.height() - 2), wave(ws.width() - 2, ws.height() - 2);
    e.SpectrumGrid(spectrum);
    const SampleBlock& first = c.measured ? h.curBlock : h.refBlock;
    const float peak = Peak(first);
    e.Spectrum(spectrum, first, peak, c.measured ? g.PenColorGraph : g.PenColorRefGraph, Op::Copy);
    if (c.measured && c.reference) {
        e.Spectrum(spectrum, h.refBlock, peak, g.PenColorRefGraph, c.log ? Op::Mask : Op::Xor);
    }
    ExpectBox(h.spectrumBox, spectrum, "spectrum");

    float max = 0, min = 0, duration = 0;
    if (c.wave) {
        auto seconds = [](const SampleBlock& b) {
            return SamplePeriod(b.spsSel, b.sinc3) * float(b.count);
        };
        Range(c, first, max, min);
        duration = seconds(first);
        if (c.measured && c.reference) {
            float rMax, rMin;
            Range(c, h.refBlock, rMax, rMin);
            max = std::max(max, rMax);
            min = std::min(min, rMin);
            duration = std::max(duration, seconds(h.refBlock));
        }
        e.WaveGrid(wave, duration);
        if (c.measured && c.reference) {
            e.Wave(wave, h.curBlock, max, min, duration, g.PenColorGraph, Op::Copy);
            e.Wave(wave, h.refBlock, max, min, duration, g.PenColorRefGraph, Op::Mask);
        } else {
            e.Wave(wave, first, max, min, 0, c.measured ? g.PenColorGraph : g.PenColorRefGraph,
                   Op::Copy);
        }
        ExpectBox(h.waveBox, wave, "waveform");
    }
    ExpectLabels(c, h, e, max, min, duration);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Modes, GoldenGraphs, ::testing::Values(
    // 5 ksps, 20 Hz: a thin waveform; 1.22 Hz bins from 10 Hz, the first at 9.77 Hz.
    Golden{.name = "LogAbsoluteDigits", .log = true, .abso = true, .wave = true, .measured = true,
           .freqS = 6, .freqE = 18, .dbMax = 2, .dbMin = 16, .divisions = 14, .spsSel = 10,
           .count = 4096, .toneHz = 20},
    Golden{.name = "LinearAbsoluteVoltsWithReference", .abso = true, .volts = true, .wave = true,
           .measured = true, .reference = true, .freqE = 16, .dbMax = 0, .dbMin = 14,
           .divisions = 14, .linearEnd = 16000, .step = 2000, .linearLabels = 5, .voltFactor = 1,
           .voltDecimals = 2, .voltUnit = "[V]"},
    // The file's top index 0 is overruled by the relative axis's fixed 0 dB.
    Golden{.name = "LogRelativeAcOnlyWithReference", .log = true, .volts = true, .dcCut = true,
           .wave = true, .measured = true, .reference = true, .freqE = 16, .dbMax = 0, .dbMin = 5,
           .divisions = 6, .voltFactor = 1000, .voltDecimals = 2, .voltUnit = "[mV]"},
    Golden{.name = "LinearRelativeReferenceAlone", .reference = true, .freqE = 17, .dbMax = 2,
           .dbMin = 10, .divisions = 8, .linearEnd = 25000, .step = 2500, .linearLabels = 6}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on
