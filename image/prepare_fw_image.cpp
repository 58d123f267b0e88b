#include "image/prepare_fw_image.h"

#include <cstdint>

#include <QByteArray>

#include "device/status.h"
#include "image/copy_fw_file.h"
#include "image/file_io.h"
#include "image/fw_image.h"
#include "image/hex_path.h"
#include "image/hex_to_bin.h"

namespace {

constexpr uint32_t kDefaultUnit = 1024;

// A unit whose low 16 bits are 0 cannot round anything, so it falls back like an unset one.
uint32_t RoundingUnit(uint32_t unitField) {
    const uint32_t unit = unitField & 0xFFFF;
    return unit == 0 ? kDefaultUnit : unit;
}

QByteArray Local(const QString& path) {
    return path.toLocal8Bit();
}

void Warn(const ShowWarning& warn, const QString& text) {
    if (warn) {
        warn(text);
    }
}

// Reads a produced file into a new zero-padded buffer of a whole number of units and fills
// *segment; false after a warning, openFailedText naming the file.
bool LoadSegment(const QString& path, const QString& openFailedText, uint32_t unit, uint8_t kind,
                 int32_t address, FwSegment* segment, const ShowWarning& warn) {
    Bytes bytes;
    switch (ReadWholeFile(Local(path).constData(), &bytes, unit)) {
        case ReadResult::kOk:
            break;
        case ReadResult::kOpenFailed:
        case ReadResult::kReadFailed:
            Warn(warn, openFailedText.arg(path));
            return false;
        case ReadResult::kTooLarge:
        case ReadResult::kNoMemory:
            Warn(warn, QStringLiteral("申请内存失败"));
            return false;
    }
    const auto length = static_cast<int32_t>(bytes.size);
    *segment = FwSegment{bytes.data.release(), length, kind, address, unit};
    return true;
}

// The boot segment into *segment; false after a warning.
bool PrepareBoot(const QString& cfgDirPath, uint32_t unit, FwSegment* segment,
                 const ShowWarning& warn) {
    const QString hexPath = cfgDirPath + QStringLiteral("/boot_sw.hex");
    const QString binPath = cfgDirPath + QStringLiteral("/boot_sw.bin");
    if (HexToBin(Local(hexPath).constData(), Local(binPath).constData()) < 0) {
        Warn(warn, QStringLiteral("将hex文件转成bin文件失败\n%1\n%2").arg(hexPath, binPath));
        return false;
    }
    return LoadSegment(binPath, QStringLiteral("打开配置文件失败\n%1"), unit, kSegmentBoot, 0,
                       segment, warn);
}

// mcu.bin from the chosen file: a HEX file converted and packed, anything else copied.
bool ProduceFirmwareFile(const QString& firmwarePath, const QString& target,
                         const ShowWarning& warn) {
    const QByteArray targetBytes = Local(target);
    if (IsHexPath(firmwarePath)) {
        if (HexToBin(Local(firmwarePath).constData(), targetBytes.constData()) < 0) {
            Warn(warn, QStringLiteral("将hex文件转成bin文件失败。\n文件路径是否正确？\n"));
            return false;
        }
        if (PackFwImage(targetBytes.constData(), targetBytes.constData()) < 0) {
            Warn(warn, QStringLiteral("打包固件文件失败\n%1").arg(target));
            return false;
        }
        return true;
    }
    if (CopyFwFile(Local(firmwarePath).constData(), targetBytes.constData()) < 0) {
        Warn(warn, QStringLiteral("拷贝文件失败。\n文件路径是否正确？\n"));
        return false;
    }
    return true;
}

// The firmware segment into *segment; false after a warning.
bool PrepareFirmware(const PrepareInputs& in, uint32_t unit, FwSegment* segment,
                     const ShowWarning& warn) {
    if (in.firmwarePath.isEmpty()) {
        Warn(warn, QStringLiteral("请输入固件路径"));
        return false;
    }
    const QString target = in.cfgDirPath + QStringLiteral("/mcu.bin");
    if (!ProduceFirmwareFile(in.firmwarePath, target, warn)) {
        return false;
    }
    // toInt yields 0 for text that is no hexadecimal number or does not fit 32 signed bits.
    const int32_t address = in.addressText.toInt(nullptr, 16);
    return LoadSegment(target, QStringLiteral("打开固件文件失败\n%1"), unit, kSegmentFirmware,
                       address, segment, warn);
}

}  // namespace

int PrepareFwImage(const PrepareInputs& in, bool boot, data_info& job, const ShowWarning& warn) {
    const uint32_t unit = RoundingUnit(job.unit);
    int32_t prepared = 0;
    if (boot) {
        if (!PrepareBoot(in.cfgDirPath, unit, &job.segments[0], warn)) {
            return 1;
        }
        prepared = 1;
    }
    if (!in.firmwareChecked) {
        Warn(warn, QStringLiteral("固件复选框未选中"));
        job.count = prepared;
        return 0;
    }
    const bool ready = PrepareFirmware(in, unit, &job.segments[prepared], warn);
    if (ready) {
        ++prepared;
    }
    job.count = prepared;
    if (!ready) {
        FreeFwBuffers(&job);
        return kEFail;
    }
    return 0;
}
