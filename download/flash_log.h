#pragma once

// The record of one camera's flash, as the flash log keeps it and the JSON events carry it:
// which camera (label, device path, USB port and serial where known), which file (its size and
// SHA-256 as read for the job), the options, the outcome and its cause.

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

#include "download/camera_identity.h"
#include "download/flash_result.h"
#include "download/flash_session.h"
#include "image/append_file.h"

struct FileDigest {
    int64_t size = -1;  // -1 when the file could not be read
    QString sha256;     // lower-case hex
};

// The file's size and SHA-256 as it reads now.
FileDigest DigestFile(const QString& path);

// Everything but the time and host: the record that result events carry.
QJsonObject FlashRecord(const CameraIdentity& camera, const FlashOrder& order,
                        const FileDigest& firmware, const FlashResult& result);

// The log of flashes: JSON Lines, one record per camera and job, each with the time (UTC) and
// host it was made on, appended whole.
class FlashLog {
  public:
    // False when the file cannot be opened for appending.
    bool Open(const QString& path);
    bool Append(const QJsonObject& record);

  private:
    AppendFile file_;
};
