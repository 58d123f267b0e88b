#include "download/flash_result.h"

#include "device/status_text.h"
#include "image/version_label.h"

const char* FlashStepName(FlashStep step) {
    switch (step) {
        case FlashStep::kOpen:
            return "open";
        case FlashStep::kPrepare:
            return "prepare";
        case FlashStep::kWrite:
            return "write";
        case FlashStep::kVerify:
            return "verify";
        case FlashStep::kReset:
            return "reset";
        case FlashStep::kReturn:
            return "return";
        case FlashStep::kNone:
            break;
    }
    return "";
}

QString DescribeFailure(const FlashResult& result) {
    if (result.succeeded) {
        return {};
    }
    QString text = QStringLiteral("%1 failed").arg(QLatin1String(FlashStepName(result.failedStep)));
    if (!result.request) {
        return result.detail.isEmpty() ? text : text + QStringLiteral(": ") + result.detail;
    }
    const FailedRequest& request = *result.request;
    if (request.packet != 0) {
        text += QStringLiteral(" at packet %1 of %2").arg(request.packet).arg(request.packets);
    }
    text += QStringLiteral(" (selector %1): %2")
                .arg(request.selector)
                .arg(QString::fromStdString(DescribeStatus(request.status)));
    const QString name = request.errorName.empty()
                             ? QStringLiteral("0x%1").arg(static_cast<uint32_t>(request.status), 8,
                                                          16, QLatin1Char('0'))
                             : QString::fromStdString(request.errorName);
    if (!text.endsWith(name)) {
        text += QStringLiteral(" (%1)").arg(name);
    }
    return text;
}

QString DescribeReturn(const FlashResult& result) {
    if (!result.cameBack) {
        return {};
    }
    return result.versionAfter
               ? QStringLiteral("came back as %1").arg(FormatVersionLabel(*result.versionAfter))
               : QStringLiteral("came back, its version unreadable");
}
