#include "download/flash_session.h"

#include <algorithm>
#include <mutex>

#include "device/command_set.h"

PreparedJob OpenAndPrepare(XuDevice* device, uint32_t node, const FlashOrder& order,
                           const MessageSink& sink) {
    PreparedJob prepared;
    uint16_t packetLength = 0;
    std::string openStep;
    if (DevOpen(device, NodeAddress::Id(node), &prepared.versionWord, &packetLength,
                [&openStep](const std::string& text) { openStep = text; }) != kSOk) {
        prepared.failedStep = FlashStep::kOpen;
        prepared.detail = QString::fromStdString(openStep);
        sink(QStringLiteral("设备初始化失败"));
        return prepared;
    }
    prepared.job = NewJob(device, node, order.verify, order.reset);
    const auto warn = [&prepared, &sink](const QString& text) {
        prepared.detail = text.section(QLatin1Char('\n'), 0, 0);
        sink(text);
    };
    // Preparation goes through the working files of the configuration directory, which
    // cameras flashed at once share; each job holds its own segments once it is prepared.
    static std::mutex workingFiles;
    const std::lock_guard<std::mutex> lock(workingFiles);
    if (PrepareFwImage(order.inputs, prepared.versionWord == 1, prepared.job, warn) != 0) {
        prepared.failedStep = FlashStep::kPrepare;
        return prepared;
    }
    prepared.detail.clear();
    return prepared;
}

namespace {

// Where the worker's reports have got to: the pass and how far each pass came.
struct PassTally {
    int pass = 0;
    int64_t total = 0;
    int64_t done[2] = {0, 0};

    void Note(const Worker::Report& report) {
        if (report.kind == Worker::kProgressMaximum) {
            pass = std::min(pass + 1, 2);
            total = report.value;
        } else if (report.kind == Worker::kProgressValue && pass > 0 && report.value > 0) {
            // A pass opens with a value of 0 before its maximum: it belongs to the next pass.
            done[pass - 1] = std::min<int64_t>(report.value, total);
        }
    }
};

}  // namespace

FlashResult RunFlashSession(XuDevice* device, uint32_t node, const FlashOrder& order,
                            const MessageSink& sink, const ReportSink& onReport) {
    RequestRecorder recorder(device);
    FlashResult result;
    const PreparedJob prepared = OpenAndPrepare(&recorder, node, order, sink);
    result.request = recorder.FirstFailure();
    result.detail = prepared.detail;
    if (prepared.failedStep != FlashStep::kNone) {
        result.failedStep = prepared.failedStep;
        return result;
    }
    result.versionWord = prepared.versionWord;

    Worker worker;
    PassTally tally;
    uint32_t outcome = Worker::kFailed;
    QObject::connect(&worker, &Worker::WorkerTheardState, [&](qulonglong state) {
        const Worker::Report report = Worker::DecodeReport(state);
        tally.Note(report);
        if (report.kind == Worker::kSucceeded || report.kind == Worker::kFailed) {
            outcome = report.kind;
            result.elapsedMs = report.value;
        }
        onReport(report);
    });
    worker.WorkerLoadFw(prepared.job);
    result.bytesWritten = tally.done[0];
    result.bytesReadBack = tally.done[1];
    result.request = recorder.FirstFailure();
    result.jobSucceeded = outcome == Worker::kSucceeded;
    if (!result.jobSucceeded) {
        result.failedStep = tally.pass >= 2 ? FlashStep::kVerify : FlashStep::kWrite;
        if (!result.request) {
            result.detail = tally.pass >= 2 ? QStringLiteral("the read-back differs from the file")
                                            : QStringLiteral("the job was refused");
        }
        return result;
    }
    // The worker does not look at the reset's answer; the only request after a success is it.
    if (order.reset && result.request) {
        result.failedStep = FlashStep::kReset;
        return result;
    }
    result.succeeded = true;
    result.request.reset();
    return result;
}
