// The label's figure of the README's performance table: laying one label out as a PDF
// page and handing it to a CUPS queue until the queue names its job, on a CUPS server
// of its own (the tests' one) with a raw queue whose device is a local socket. Prints a
// markdown table row.

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "label/label_document.h"
#include "label/printer_send.h"
#include "tests/label/cups_server.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    CupsServer cups;
    if (!cups.problem().isEmpty()) {
        std::fprintf(stderr, "label_figures: %s\n", cups.problem().toLocal8Bit().constData());
        return 1;
    }
    auxpad::LabelSettings settings;
    settings.printer = cups.rawQueue();
    settings.widthMm = 50;
    settings.heightMm = 25;
    auxpad::LabelValues values{{"serial", "SN0000042"}, {"hardware", "0102"},   {"mcusw", "MCU02.00.01"},
                               {"dspsw", "DSP02.00.07"}, {"code", "0671234"}, {"manufacture", "061226"}};
    std::vector<double> ms;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer t;
        t.start();
        const auto document = auxpad::makeLabelDocument(settings, values);
        if (!document) {
            std::fprintf(stderr, "label_figures: %s\n", document.error().toLocal8Bit().constData());
            return 1;
        }
        const auto job = auxpad::sendToPrinter(settings.printer, *document, 1, "label SN0000042");
        if (!job) {
            std::fprintf(stderr, "label_figures: %s\n", job.error().why.toLocal8Bit().constData());
            return 1;
        }
        if (run > 0) // the first warms the fonts and the connection
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("| A label laid out as a PDF page (50 x 25 mm, Data Matrix) and handed to a CUPS queue until it names "
                "the job, median of 20 after one warm-up | **%.1f ms** (slowest %.1f ms) | < 100 ms | %s |\n",
                median, ms.back(), median < 100 ? "yes" : "**no**");
    return 0;
}
