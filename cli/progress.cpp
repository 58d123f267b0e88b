#include "cli/progress.h"

#include <algorithm>

#include "download/worker.h"

void ProgressPrinter::OnReport(qulonglong state) {
    const auto kind = static_cast<uint32_t>(state >> 32);
    const auto value = static_cast<uint32_t>(state);
    if (kind == Worker::kProgressMaximum) {
        StartPass(value);
    } else if (kind == Worker::kProgressValue && pass > 0 && value > 0) {
        // A pass opens with a value of 0 before its maximum: nothing to show for it.
        Show(std::min(value, total));
    } else if ((kind == Worker::kSucceeded || kind == Worker::kFailed) && isTerminal && pass > 0) {
        std::fputc('\n', out);
    }
}

void ProgressPrinter::StartPass(uint32_t bytes) {
    if (isTerminal && pass > 0) {
        std::fputc('\n', out);
    }
    ++pass;
    total = bytes;
    lastStep = -1;
    clock.start();
}

void ProgressPrinter::Show(uint32_t done) {
    const char* name = pass == 1 ? "write " : "verify";
    const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / total;
    // A pipe gets a line per tenth, a terminal a redraw per percent.
    const int step = static_cast<int>(fraction * (isTerminal ? 100 : 10));
    if (step == lastStep) {
        return;
    }
    lastStep = step;
    if (!isTerminal) {
        std::fprintf(out, "%s %3d%% %u/%u B\n", name, step * 10, done, total);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? done / seconds : 0;
    const double left = rate > 0 ? (total - done) / rate : 0;
    std::fprintf(out, "\r%s [%-*.*s%*s] %3d%% %u/%u B %7.1f KiB/s %5.1f s left", name, filled,
                 filled, "##############################", kWidth - filled, "",
                 static_cast<int>(fraction * 100), done, total, rate / 1024, left);
    std::fflush(out);
}
