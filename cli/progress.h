#pragma once

#include <QElapsedTimer>

#include <cstdint>
#include <cstdio>

// Turns the worker's reports into progress on a stream: a redrawn bar with percent, bytes,
// rate and time left on a terminal, plain lines at every tenth otherwise.
class ProgressPrinter {
  public:
    ProgressPrinter(FILE* stream, bool terminal) : out(stream), isTerminal(terminal) {}

    void OnReport(qulonglong state);
    // 1 while writing, 2 while verifying (the passes restart the bar from 0).
    int Pass() const { return pass; }

  private:
    void StartPass(uint32_t total);
    void Show(uint32_t done);

    FILE* out;
    bool isTerminal;
    int pass = 0;
    uint32_t total = 0;
    int lastStep = -1;
    QElapsedTimer clock;
};
