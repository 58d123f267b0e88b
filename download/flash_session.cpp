#include "download/flash_session.h"

#include <algorithm>
#include <mutex>

#include "device/command_set.h"
#include "image/version_label.h"

void JobProgress::Note(const Worker::Report& report) {
    if (report.kind == Worker::kProgressMaximum) {
        pass = std::min(pass + 1, 2);
        total = report.value;
    } else if (report.kind == Worker::kProgressValue && pass > 0 && report.value > 0) {
        // A pass opens with a value of 0 before its maximum: it belongs to the next pass. The
        // last packet's report may run past the total by its padding.
        done[pass - 1] = std::min(report.value, total);
    }
}

PreparedJob OpenAndPrepare(XuDevice* device, uint32_t node, const FlashOrder& order,
                           const MessageSink& sink) {
    PreparedJob prepared;
    std::string holder;
    if (!device->ClaimForJob(&holder)) {
        prepared.failedStep = FlashStep::kOpen;
        prepared.heldElsewhere = true;
        prepared.detail = QStringLiteral("the camera is held for a job by %1")
                              .arg(holder.empty() ? QStringLiteral("another process")
                                                  : QString::fromStdString(holder));
        sink(QStringLiteral("设备初始化失败"));
        return prepared;
    }
    uint16_t packetLength = 0;
    std::string openStep;
    if (DevOpen(device, NodeAddress::Id(node), &prepared.versionWord, &packetLength,
                [&openStep](const std::string& text) { openStep = text; }) != kSOk) {
        prepared.failedStep = FlashStep::kOpen;
        prepared.detail = QString::fromStdString(openStep);
        device->ReleaseJob();
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
        device->ReleaseJob();
        return prepared;
    }
    prepared.detail.clear();
    return prepared;
}

namespace {

// The camera is only done once it runs the new firmware: back at its port in time, showing the
// version the file carries, where the file carries one.
void CheckReturn(const FlashOrder& order, const AwaitReturn& awaitReturn, FlashResult* result) {
    const std::optional<ReturnedCamera> back = awaitReturn();
    if (!back) {
        result->failedStep = FlashStep::kReturn;
        result->detail = QStringLiteral("the camera did not come back in time");
        return;
    }
    result->cameBack = true;
    uint16_t version = 0;
    if (DevReadDisplayVersion(back->device.get(), back->node, &version) == kSOk) {
        result->versionAfter = version;
    }
    const std::optional<uint16_t> expected = order.fileVersion;
    if (expected && result->versionAfter != expected) {
        result->failedStep = FlashStep::kReturn;
        result->detail = QStringLiteral("%1, not %2")
                             .arg(DescribeReturn(*result), FormatVersionLabel(*expected));
    }
}

}  // namespace

FlashResult RunFlashSession(XuDevice* device, uint32_t node, const FlashOrder& order,
                            const MessageSink& sink, const ReportSink& onReport,
                            const SessionHooks& hooks) {
    RequestRecorder recorder(device, hooks.abort);
    FlashResult result;
    const PreparedJob prepared = OpenAndPrepare(&recorder, node, order, sink);
    result.request = recorder.FirstFailure();
    result.detail = prepared.detail;
    result.heldElsewhere = prepared.heldElsewhere;
    if (prepared.failedStep != FlashStep::kNone) {
        result.failedStep = prepared.failedStep;
        return result;
    }
    result.versionWord = prepared.versionWord;

    Worker worker;
    JobProgress tally;
    uint32_t outcome = Worker::kFailed;
    QObject::connect(&worker, &Worker::WorkerTheardState, [&](qulonglong state) {
        const Worker::Report report = Worker::DecodeReport(state);
        tally.Note(report);
        if (report.kind == Worker::kSucceeded || report.kind == Worker::kFailed) {
            outcome = report.kind;
            result.elapsedMs = report.value;
        }
        onReport(report, tally);
    });
    worker.WorkerLoadFw(prepared.job);
    recorder.ReleaseJob();  // the reset, if any, was the job's last request
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
    result.request.reset();
    if (order.reset && hooks.awaitReturn) {
        CheckReturn(order, hooks.awaitReturn, &result);
        if (result.failedStep == FlashStep::kReturn) {
            return result;
        }
    }
    result.succeeded = true;
    return result;
}
