#include <QThread>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "download/worker.h"

namespace {

class Sender : public QObject {
    Q_OBJECT
  signals:
    void Send(const data_info& info);
};

class Receiver : public QObject {
    Q_OBJECT
  public:
    data_info received{};
    std::atomic<bool> arrived{false};
    Qt::HANDLE thread = nullptr;
  public slots:
    void Take(const data_info& info) {
        received = info;
        thread = QThread::currentThreadId();
        arrived = true;
    }
};

}  // namespace

TEST(DataInfoQueued, CrossesThreadsAsACopyWithTheSameBuffers) {
    QThread thread;
    Receiver receiver;
    receiver.moveToThread(&thread);
    Sender sender;
    QObject::connect(&sender, &Sender::Send, &receiver, &Receiver::Take);
    thread.start();

    uint8_t boot[3] = {1, 2, 3};
    uint8_t firmware[5] = {4, 5, 6, 7, 8};
    data_info job;
    std::memset(&job, 0, sizeof job);
    job.count = 2;
    job.unit = 1;
    job.segments[0] = {boot, 3, 1, 0, 1};
    job.segments[1] = {firmware, 5, 2, 0x8000, 1};
    job.device = reinterpret_cast<XuDevice*>(0x1234);
    job.node = 4;
    job.verify = 1;
    job.reset = 0;

    emit sender.Send(job);
    job.count = 0;  // the event carries its own copy
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.arrived.load(); }, 5000));
    thread.quit();
    thread.wait();

    const data_info& got = receiver.received;
    EXPECT_NE(receiver.thread, QThread::currentThreadId());
    EXPECT_EQ(got.count, 2);
    EXPECT_EQ(got.unit, 1u);
    EXPECT_EQ(got.segments[0].buffer, boot);
    EXPECT_EQ(got.segments[0].length, 3);
    EXPECT_EQ(got.segments[0].kind, 1);
    EXPECT_EQ(got.segments[1].buffer, firmware);
    EXPECT_EQ(got.segments[1].address, 0x8000);
    EXPECT_EQ(got.segments[1].kind, 2);
    EXPECT_EQ(got.device, reinterpret_cast<XuDevice*>(0x1234));
    EXPECT_EQ(got.node, 4u);
    EXPECT_EQ(got.verify, 1);
    EXPECT_EQ(got.reset, 0);
}

#include "data_info_queued_test.moc"
