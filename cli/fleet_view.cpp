#include "cli/fleet_view.h"

#include <QJsonDocument>

#include "cli/flash_outcome.h"

namespace {

const char* PassName(int pass) {
    return pass == 2 ? "verify" : "write";
}

int Percent(const FleetProgress& progress) {
    return progress.total == 0
               ? 0
               : static_cast<int>(static_cast<uint64_t>(progress.done) * 100 / progress.total);
}

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

FleetView::FleetView(Style style) : style_(style) {}

void FleetView::AddCamera(const CameraIdentity& camera) {
    const std::lock_guard<std::mutex> lock(printing_);
    cameras_.push_back(camera);
    shown_.emplace_back();
    if (style_ == Style::kJson) {
        Emit({{"event", "start"},
              {"index", camera.index},
              {"label", camera.label},
              {"devicePath", camera.devicePath}});
    }
}

void FleetView::Message(int camera, const QString& text) {
    const std::lock_guard<std::mutex> lock(printing_);
    EraseLiveLines();
    Print(
        stderr,
        QStringLiteral("camera %1: %2").arg(cameras_[static_cast<size_t>(camera)].index).arg(text));
}

void FleetView::Update(const FlashFleet& fleet) {
    const std::lock_guard<std::mutex> lock(printing_);
    for (size_t i = 0; i < shown_.size(); ++i) {
        Shown& shown = shown_[i];
        shown.last = fleet.Progress(static_cast<int>(i));
        if (shown.last.pass != shown.pass) {
            shown.pass = shown.last.pass;
            shown.step = -1;
            shown.passClock.start();
        }
        const int step = Percent(shown.last) / 10;
        if (style_ == Style::kTerminal || shown.pass == 0 || step == shown.step) {
            continue;
        }
        shown.step = step;
        const CameraIdentity& camera = cameras_[i];
        if (style_ == Style::kJson) {
            Emit({{"event", "progress"},
                  {"index", camera.index},
                  {"label", camera.label},
                  {"pass", PassName(shown.pass)},
                  {"percent", step * 10},
                  {"bytes", static_cast<qint64>(shown.last.done)},
                  {"total", static_cast<qint64>(shown.last.total)}});
        } else {
            std::fprintf(stderr, "camera %d %-6s %3d%% %u/%u B\n", camera.index,
                         PassName(shown.pass), step * 10, shown.last.done, shown.last.total);
        }
    }
    if (style_ == Style::kTerminal) {
        EraseLiveLines();
        for (size_t i = 0; i < shown_.size(); ++i) {
            std::fprintf(stderr, "%s\n", LiveLine(static_cast<int>(i)).toLocal8Bit().constData());
        }
        std::fflush(stderr);
        drawn_ = true;
    }
}

QString FleetView::LiveLine(int camera) const {
    const Shown& shown = shown_[static_cast<size_t>(camera)];
    const QString label = cameras_[static_cast<size_t>(camera)].label.leftJustified(40);
    if (shown.last.finished) {
        return label + QStringLiteral(" done");
    }
    if (shown.pass == 0) {
        return label + QStringLiteral(" opening");
    }
    const double seconds = static_cast<double>(shown.passClock.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? shown.last.done / seconds / 1024 : 0;
    return label + QStringLiteral(" %1 %2% %3 KiB/s")
                       .arg(QLatin1String(PassName(shown.pass)), -6)
                       .arg(Percent(shown.last), 3)
                       .arg(rate, 7, 'f', 1);
}

void FleetView::EraseLiveLines() {
    if (drawn_) {
        // Up to the first live line, then clear to the end of the screen.
        std::fprintf(stderr, "\x1b[%zuA\x1b[J", shown_.size());
        drawn_ = false;
    }
}

void FleetView::Result(int camera, const FlashResult& result, const QJsonObject& record) {
    const std::lock_guard<std::mutex> lock(printing_);
    if (style_ == Style::kJson) {
        QJsonObject event = record;
        event["event"] = "result";
        Emit(event);
    } else if (announceResults_) {
        EraseLiveLines();
        Print(stdout, ResultLine(cameras_[static_cast<size_t>(camera)], result));
        std::fflush(stdout);
    }
}

void FleetView::Emit(const QJsonObject& event) {
    std::fputs(QJsonDocument(event).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void FleetView::Summary(const FlashFleet& fleet) {
    if (announceResults_ && style_ != Style::kJson) {
        Print(stdout, QStringLiteral("summary:"));
    }
    int succeeded = 0;
    for (int i = 0; i < fleet.Count(); ++i) {
        const FlashResult& result = fleet.Result(i);
        succeeded += result.succeeded ? 1 : 0;
        if (style_ == Style::kJson) {
            continue;
        }
        Print(stdout, ResultLine(cameras_[static_cast<size_t>(i)], result));
    }
    if (style_ == Style::kJson) {
        Emit({{"event", "summary"},
              {"cameras", fleet.Count()},
              {"succeeded", succeeded},
              {"failed", fleet.Count() - succeeded}});
    } else {
        Print(stdout, QStringLiteral("%1 of %2 cameras flashed").arg(succeeded).arg(fleet.Count()));
    }
}
