#pragma once

// What flash --all shows while its jobs run: on a terminal a live line per camera (label, pass,
// percent, rate), on a pipe plain lines at most once per tenth per camera, and with --json
// JSON Lines events on stdout (start, progress at most every tenth, result).

#include <QElapsedTimer>
#include <QJsonObject>

#include <cstdio>
#include <mutex>
#include <vector>

#include "download/flash_fleet.h"
#include "download/flash_log.h"

class FleetView {
  public:
    enum class Style { kTerminal, kLines, kJson };

    explicit FleetView(Style style);

    // Results shown as each camera finishes, not only in the summary.
    void AnnounceResults() { announceResults_ = true; }
    // A camera whose job starts now, with its start event; cameras are counted from 0.
    void AddCamera(const CameraIdentity& camera);
    // A camera's message from its own thread.
    void Message(int camera, const QString& text);
    // Samples the jobs; the caller does it every tenth of a second and once at the end.
    void Update(const FlashFleet& fleet);
    // A finished camera's result and record.
    void Result(int camera, const FlashResult& result, const QJsonObject& record);
    // One line per camera: result, failed step and cause, elapsed ms; then the count.
    void Summary(const FlashFleet& fleet);

  private:
    struct Shown {
        int pass = 0;
        int step = -1;
        QElapsedTimer passClock;
        FleetProgress last;
    };

    QString LiveLine(int camera) const;
    void Emit(const QJsonObject& event);
    void EraseLiveLines();

    const Style style_;
    bool announceResults_ = false;
    std::vector<CameraIdentity> cameras_;
    std::vector<Shown> shown_;
    std::mutex printing_;
    bool drawn_ = false;
};
