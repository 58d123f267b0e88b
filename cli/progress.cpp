#include "cli/progress.h"

#include <algorithm>

void ProgressPrinter::OnReport(const Worker::Report& report) {
    const auto [kind, value] = report;
    if (kind == Worker::kProgressMaximum) {
        StartPass(value);
    } else if (kind == Worker::kProgressValue && pass_ > 0 && value > 0) {
        // A pass opens with a value of 0 before its maximum: nothing to show for it.
        Show(std::min(value, total_));
    } else if ((kind == Worker::kSucceeded || kind == Worker::kFailed) && isTerminal_ &&
               pass_ > 0) {
        std::fputc('\n', out_);
    }
}

void ProgressPrinter::StartPass(uint32_t bytes) {
    if (isTerminal_ && pass_ > 0) {
        std::fputc('\n', out_);
    }
    ++pass_;
    total_ = bytes;
    lastStep_ = -1;
    clock_.start();
}

void ProgressPrinter::Show(uint32_t done) {
    const char* name = pass_ == 1 ? "write " : "verify";
    const double fraction = total_ == 0 ? 1.0 : static_cast<double>(done) / total_;
    // A pipe gets a line per tenth, a terminal a redraw per percent.
    const int step = static_cast<int>(fraction * (isTerminal_ ? 100 : 10));
    if (step == lastStep_) {
        return;
    }
    lastStep_ = step;
    if (!isTerminal_) {
        std::fprintf(out_, "%s %3d%% %u/%u B\n", name, step * 10, done, total_);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    const double seconds = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? done / seconds : 0;
    const double left = rate > 0 ? (total_ - done) / rate : 0;
    std::fprintf(out_, "\r%s [%-*.*s%*s] %3d%% %u/%u B %7.1f KiB/s %5.1f s left", name, filled,
                 filled, "##############################", kWidth - filled, "",
                 static_cast<int>(fraction * 100), done, total_, rate / 1024, left);
    std::fflush(out_);
}
