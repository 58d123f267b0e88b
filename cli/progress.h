#pragma once

#include <QElapsedTimer>

#include <cstdint>
#include <cstdio>

#include "download/worker.h"

// Turns the worker's reports into progress on a stream: a redrawn bar with percent, bytes,
// rate and time left on a terminal, plain lines at every tenth otherwise.
class ProgressPrinter {
  public:
    ProgressPrinter(FILE* stream, bool terminal) : out_(stream), isTerminal_(terminal) {}

    void OnReport(const Worker::Report& report);

  private:
    void StartPass(uint32_t total);
    void Show(uint32_t done);

    FILE* out_;
    bool isTerminal_;
    int pass_ = 0;  // 1 while writing, 2 while verifying (the passes restart the bar from 0)
    uint32_t total_ = 0;
    int lastStep_ = -1;
    QElapsedTimer clock_;
};
