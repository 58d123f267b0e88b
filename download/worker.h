#pragma once

#include <QMetaType>
#include <QObject>

#include "device/status.h"
#include "download/data_info.h"

Q_DECLARE_METATYPE(data_info)

// Runs one download job at a time on its own thread and reports through WorkerTheardState:
// kind in bits 32-63, value in bits 0-31.
class Worker : public QObject {
    Q_OBJECT

  public:
    enum ReportKind : uint32_t {
        kProgressValue = 1,
        kProgressMinimum = 2,
        kProgressMaximum = 3,
        kSucceeded = 4,
        kFailed = 5,
        kFinished = 6,
    };

    explicit Worker(QObject* parent = nullptr);

    struct Report {
        uint32_t kind;
        uint32_t value;  // the 32-bit pattern; elapsed times and progress are never negative
    };

    // The report as the signal carries it: the value widened with its sign, OR the kind << 32.
    static qulonglong EncodeReport(uint32_t kind, int32_t value);
    static Report DecodeReport(qulonglong state);

    Status WriteFw(XuDevice* device, uint32_t node, data_info* job);
    Status VerifyFw(XuDevice* device, uint32_t node, data_info* job);
    Status WriteFwSegment(XuDevice* device, uint32_t node, const FwSegment& segment);
    Status ReadBackFwSegment(XuDevice* device, uint32_t node, const FwSegment& copy);

  signals:
    void WorkerTheardState(qulonglong state);

  public slots:
    void WorkerLoadFw(const data_info& info);

  private:
    void Send(uint32_t kind, int32_t value);
    // The job check, then the pass's opening reports; false, with neither report nor traffic,
    // when the job is refused.
    bool StartPass(const XuDevice* device, const data_info* job);
    // Runs the packet loop of one segment, advancing the progress from base after each packet.
    template <typename SendPacket>
    Status TransferPackets(uint32_t length, uint32_t packetLength, SendPacket sendPacket);

    int32_t progress_ = 0;
};
