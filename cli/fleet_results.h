#pragma once

// What becomes of each camera's finished job in flash --all and watch: its record is shown and
// logged, and the run's exit status follows from all of them.

#include "cli/fleet_view.h"
#include "download/flash_log.h"

class FleetResults {
  public:
    FleetResults(FleetView& view, FlashLog* log, const FlashOrder& order)
        : view_(view), log_(log), order_(order) {}

    void Add(int camera, const CameraIdentity& identity, const FileDigest& firmware,
             const FlashResult& result);
    // Says so when the log missed a record; 0 when every camera succeeded, else the status of
    // "some cameras failed".
    int Finish() const;

  private:
    FleetView& view_;
    FlashLog* log_;
    const FlashOrder& order_;
    bool allSucceeded_ = true;
    bool logWritten_ = true;
};
