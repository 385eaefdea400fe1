// tavrin-cli report and render: the printed report as a PDF file and the two graphs as a PNG
// picture, for a stored measurement, drawn by the program's own graph and print code as the
// window shows them right after loading the file.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QString>
#include <optional>
#include <utility>

#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "cli/GraphScene.h"
#include "files/FileWriter.h"
#include "graph/Myprint.h"

namespace {

constexpr const char* kReportUsage =
    "Usage: tavrin-cli report IN.DTA -o OUT.pdf [options]\n"
    "Writes the one-page report Tavrin prints for a measurement (graphs, measurement\n"
    "conditions, the largest spectral line) as a PDF file. The display settings are those\n"
    "stored in the data file.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.pdf   PDF file to write (required)\n"
    "  --landscape            landscape page (default portrait)\n"
    "  --paper NAME           paper size: A4 (default), A3, A5, B4, B5, JisB4, JisB5,\n"
    "                         Letter, Legal, Executive, Tabloid\n"
    "  --no-waveform          the spectrum graph alone\n"
    "  --force                replace an existing OUT.pdf\n"
    "  -h, --help             this text\n";

constexpr const char* kRenderUsage =
    "Usage: tavrin-cli render IN.DTA -o OUT.png [options]\n"
    "Draws the graphs of a measurement with their axis labels as Tavrin's window shows them\n"
    "after loading the file, as a PNG picture of the window's client area (the other controls\n"
    "left out). The display settings are those stored in the data file.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.png   picture to write (required)\n"
    "  --width W              client area width in pixels (default 812, 300..8000)\n"
    "  --height H             client area height in pixels (default 466, 200..8000)\n"
    "  --force                replace an existing OUT.png\n"
    "  -h, --help             this text\n";

constexpr int kMinWidth = 300;
constexpr int kMinHeight = 200;
constexpr int kMaxSide = 8000;

struct DrawOptions {
    std::string input;
    std::string output;
    bool force = false;
    bool landscape = false;
    std::string paper = "A4";
    bool noWaveform = false;
    int width = kDefaultClientSize.width();
    int height = kDefaultClientSize.height();
};

bool ParseInt(const std::string& text, int& value) {
    try {
        std::size_t used = 0;
        value = std::stoi(text, &used);
        return used == text.size();
    } catch (const std::exception&) {
        return false;
    }
}

// kExitOk when parsed (help sets `help`), kExitUsage (message written) otherwise.
int Parse(const std::string& command, const char* usageText, const std::vector<std::string>& args,
          DrawOptions& o, bool& help, std::ostream& err) {
    const bool report = command == "report";
    auto usage = [&](const std::string& message) {
        err << "tavrin-cli " << command << ": " << message << "\n" << usageText;
        return kExitUsage;
    };
    std::vector<std::string> positional;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const std::string& option, std::string& into) {
            return TakeOptionValue(args, i, option, into);
        };
        std::string v;
        if (endOfOptions) {
            positional.push_back(a);
        } else if (a == "--") {
            endOfOptions = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        } else if (value("-o", v) || value("--output", v)) {
            if (!o.output.empty()) {
                return usage("more than one output file");
            }
            o.output = v;
        } else if (a == "--force") {
            o.force = true;
        } else if (report && a == "--landscape") {
            o.landscape = true;
        } else if (report && a == "--no-waveform") {
            o.noWaveform = true;
        } else if (report && value("--paper", v)) {
            o.paper = v;
        } else if (!report && (value("--width", v) || value("--height", v))) {
            const bool width = a.rfind("--width", 0) == 0;
            int n = 0;
            const int min = width ? kMinWidth : kMinHeight;
            if (!ParseInt(v, n) || n < min || n > kMaxSide) {
                return usage(std::string(width ? "--width" : "--height") + " must be " +
                             std::to_string(min) + ".." + std::to_string(kMaxSide));
            }
            (width ? o.width : o.height) = n;
        } else if (a == "-o" || a == "--output" || a == "--paper" || a == "--width" ||
                   a == "--height") {
            return usage("option '" + a + "' needs a value");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1) {
        return usage(positional.empty() ? "no input file" : "more than one input file");
    }
    o.input = positional[0];
    if (o.output.empty()) {
        return usage(std::string("no output file (-o OUT.") + (report ? "pdf)" : "png)"));
    }
    return kExitOk;
}

// The paper sizes the report is laid out for; smaller pages leave its graphs no room.
constexpr std::pair<const char*, QPageSize::PageSizeId> kPapers[] = {
    {"A3", QPageSize::A3},           {"A4", QPageSize::A4},
    {"A5", QPageSize::A5},           {"B4", QPageSize::B4},
    {"B5", QPageSize::B5},           {"JisB4", QPageSize::JisB4},
    {"JisB5", QPageSize::JisB5},     {"Letter", QPageSize::Letter},
    {"Legal", QPageSize::Legal},     {"Executive", QPageSize::Executive},
    {"Tabloid", QPageSize::Tabloid},
};

std::string PaperNames() {
    std::string names;
    for (const auto& [name, id] : kPapers) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

std::optional<QPageSize::PageSizeId> PaperByName(const std::string& name) {
    for (const auto& [known, id] : kPapers) {
        if (QString::fromLatin1(known).compare(QString::fromStdString(name), Qt::CaseInsensitive) ==
            0) {
            return id;
        }
    }
    return std::nullopt;
}

// The checks every drawing command makes before it loads anything.
int CheckOutput(const std::string& command, const DrawOptions& o, std::ostream& err) {
    if (SameFile(o.input, o.output)) {
        err << "tavrin-cli " << command << ": " << o.output << " is the input file\n";
        return kExitFailed;
    }
    if (RefuseExisting(command, o.output, o.output, o.force, err)) {
        return kExitFailed;
    }
    return kExitOk;
}

// The report as PDF bytes in memory; empty when it could not be drawn.
QByteArray ReportBytes(GraphScene& scene, const MeasurementDocument& data,
                       QPageSize::PageSizeId paper, bool landscape) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false;
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPdfResolution);
        pdf.setPageSize(QPageSize(paper));
        pdf.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        pdf.setTitle(QStringLiteral("Tavrin"));
        pdf.setCreator(QStringLiteral("Tavrin"));
        TZF_Print print(scene.Graph(), pdf, data.graphSetting);
        drawn = print.PrintReport(
            MakePrintInfo(data.curBlock, data.graphSetting, data.measureSetting, scene.Readouts()));
    } // the PDF is complete when its writer is gone
    return drawn ? buffer.data() : QByteArray();
}

QByteArray PictureBytes(GraphScene& scene) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return scene.Render().save(&buffer, "PNG") ? buffer.data() : QByteArray();
}

int LoadAndDraw(const std::string& command, const char* usageText,
                const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                bool report) {
    DrawOptions o;
    bool help = false;
    if (const int r = Parse(command, usageText, args, o, help, err); r != kExitOk) {
        return r;
    }
    if (help) {
        out << usageText;
        return kExitOk;
    }
    std::optional<QPageSize::PageSizeId> paper;
    if (report) {
        paper = PaperByName(o.paper);
        if (!paper) {
            err << "tavrin-cli report: unknown paper '" << o.paper << "' (valid: " << PaperNames()
                << ")\n"
                << usageText;
            return kExitUsage;
        }
    }
    if (const int r = CheckOutput(command, o, err); r != kExitOk) {
        return r;
    }
    CommandDocument loaded(command, err);
    MeasurementDocument& data = loaded.document;
    std::string why;
    if (!LoadMeasuredData(o.input, data, why)) {
        err << "tavrin-cli " << command << ": " << why << "\n";
        return kExitFailed;
    }
    if (o.noWaveform) {
        data.graphSetting.fWaveGraph = false;
    }
    if (!data.ComputeSpectrum(BlockRole::Measured)) {
        err << "tavrin-cli " << command << ": cannot compute the spectrum of " << o.input << "\n";
        return kExitFailed;
    }

    GuiSession session;
    GraphScene scene(data, QSize(o.width, o.height));
    scene.ShowAsLoaded();
    const QByteArray bytes =
        report ? ReportBytes(scene, data, *paper, o.landscape) : PictureBytes(scene);
    std::string writeError;
    if (bytes.isEmpty() ||
        !WriteFileBytes(o.output, std::string_view(bytes.constData(), bytes.size()),
                        o.force ? IfExists::Replace : IfExists::Fail, &writeError)) {
        err << "tavrin-cli " << command << ": "
            << (bytes.isEmpty() ? "cannot draw " + o.output : writeError) << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return LoadAndDraw("report", kReportUsage, args, out, err, true);
}

int RenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return LoadAndDraw("render", kRenderUsage, args, out, err, false);
}
