#include "download/flash_log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QSysInfo>

#include "image/version_label.h"

FileDigest DigestFile(const QString& path) {
    QFile file(path);
    FileDigest digest;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) || file.error() != QFile::NoError) {
        return digest;
    }
    digest.size = file.size();
    digest.sha256 = QString::fromLatin1(hash.result().toHex());
    return digest;
}

QJsonObject FlashRecord(const CameraIdentity& camera, const FlashOrder& order,
                        const FileDigest& firmware, const FlashResult& result) {
    QJsonObject record{
        {"index", camera.index},
        {"label", camera.label},
        {"devicePath", camera.devicePath},
        {"usbPort", camera.usbPort},
        {"serial", camera.serial},
        {"firmwarePath", order.inputs.firmwarePath},
        {"address", order.inputs.addressText},
        {"verify", order.verify},
        {"reset", order.reset},
        {"outcome", result.succeeded ? "success" : "failure"},
        {"step", QLatin1String(FlashStepName(result.failedStep))},
        {"cause", DescribeFailure(result)},
        {"elapsedMs", static_cast<qint64>(result.elapsedMs)},
        {"bytesWritten", static_cast<qint64>(result.bytesWritten)},
        {"bytesReadBack", static_cast<qint64>(result.bytesReadBack)},
    };
    record["versionBefore"] =
        result.versionWord ? QJsonValue(static_cast<int>(*result.versionWord)) : QJsonValue();
    record["firmwareSize"] =
        firmware.size < 0 ? QJsonValue() : QJsonValue(static_cast<qint64>(firmware.size));
    record["firmwareSha256"] = firmware.sha256;
    record["cameBack"] = result.cameBack;
    record["versionAfter"] =
        result.versionAfter ? QJsonValue(FormatVersionLabel(*result.versionAfter)) : QJsonValue();
    return record;
}

bool FlashLog::Open(const QString& path) {
    return file_.Open(path.toLocal8Bit().toStdString());
}

bool FlashLog::Append(const QJsonObject& record) {
    QJsonObject stamped = record;
    stamped["time"] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    stamped["host"] = QSysInfo::machineHostName();
    return file_.Append(QJsonDocument(stamped).toJson(QJsonDocument::Compact).toStdString() + '\n');
}
