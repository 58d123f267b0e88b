#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <vector>

#include "tests/e2e/usbip_server.h"
#include "tests/e2e/usbip_wire.h"

// The USB/IP framing that vhci_hcd expects: a wrong offset or byte order, or OUT data not taken
// off the stream, desynchronises the kernel and drops the device.

namespace {

TEST(UsbipWire, DecodesASubmitAsVhciLaysItOut) {
    UsbipHeaderBytes bytes{};
    const uint8_t head[] = {0, 0, 0, 1, 0, 0, 0x12, 0x34, 0, 1, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0};
    std::copy(std::begin(head), std::end(head), bytes.begin());
    bytes[25] = 0x01;  // transfer_buffer_length 0x10100, big-endian
    bytes[26] = 0x01;
    const uint8_t setup[] = {0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x40, 0x00};
    std::copy(std::begin(setup), std::end(setup), bytes.begin() + 40);

    UsbipCommand command;
    ASSERT_TRUE(DecodeUsbipCommand(bytes, &command));
    EXPECT_EQ(command.command, kUsbipCmdSubmit);
    EXPECT_EQ(command.seqnum, 0x1234u);
    EXPECT_EQ(command.devid, 0x00010002u);
    EXPECT_EQ(command.direction, kUsbipDirIn);
    EXPECT_EQ(command.endpoint, 0u);
    EXPECT_EQ(command.transferLength, 0x10100u);
    EXPECT_EQ(command.setup[1], 0x06);
    EXPECT_EQ(command.setup[6], 0x40);
}

TEST(UsbipWire, RefusesWhatNoVhciSends) {
    UsbipCommand submit;
    submit.command = kUsbipCmdSubmit;
    submit.transferLength = 0x80000000u;  // a negative buffer length
    UsbipCommand unknown;
    unknown.command = kUsbipRetSubmit;
    UsbipCommand decoded;
    EXPECT_FALSE(DecodeUsbipCommand(EncodeUsbipCommand(submit), &decoded));
    EXPECT_FALSE(DecodeUsbipCommand(EncodeUsbipCommand(unknown), &decoded));
}

TEST(UsbipWire, AnswersCarryStatusAndLengthInNetworkOrder) {
    const UsbipHeaderBytes stall = EncodeRetSubmit(7, -EPIPE, 0);
    EXPECT_EQ(std::vector<uint8_t>(stall.begin(), stall.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 7}));
    EXPECT_EQ(std::vector<uint8_t>(stall.begin() + 20, stall.begin() + 28),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE0, 0, 0, 0, 0}));
    const UsbipHeaderBytes data = EncodeRetSubmit(8, 0, 0x22);
    EXPECT_EQ(data[27], 0x22);
    const UsbipHeaderBytes unlink = EncodeRetUnlink(9, -ECONNRESET);
    EXPECT_EQ(unlink[3], 4);
    EXPECT_EQ(unlink[23], static_cast<uint8_t>(-ECONNRESET));
}

// The server on one end of a socket pair, the test as vhci on the other.
class UsbipServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        host_ = pair[0];
        device_ = pair[1];
        served_ = std::async(std::launch::async,
                             [this] { return ServeUsbip(device_, camera_, [] { return true; }); });
    }
    void TearDown() override {
        if (host_ >= 0) {
            close(host_);
        }
        if (served_.valid()) {
            served_.wait();
        }
        close(device_);
    }

    void Send(UsbipCommand command, const std::vector<uint8_t>& out = {}) {
        const UsbipHeaderBytes header = EncodeUsbipCommand(command);
        ASSERT_EQ(write(host_, header.data(), header.size()), static_cast<ssize_t>(header.size()));
        ASSERT_EQ(write(host_, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    }

    struct Ret {
        uint32_t command, seqnum;
        int32_t status;
        uint32_t length;
        std::vector<uint8_t> data;
    };
    Ret Receive(bool withData) {
        UsbipHeaderBytes h{};
        EXPECT_EQ(read(host_, h.data(), h.size()), static_cast<ssize_t>(h.size()));
        const auto at = [&h](size_t i) {
            return static_cast<uint32_t>(h[i] << 24 | h[i + 1] << 16 | h[i + 2] << 8 | h[i + 3]);
        };
        Ret ret{at(0), at(4), static_cast<int32_t>(at(20)), at(24), {}};
        if (withData && ret.length > 0) {
            ret.data.resize(ret.length);
            EXPECT_EQ(read(host_, ret.data.data(), ret.length), static_cast<ssize_t>(ret.length));
        }
        return ret;
    }

    static UsbipCommand Control(uint32_t seqnum, uint32_t direction, std::array<uint8_t, 8> setup) {
        UsbipCommand c;
        c.command = kUsbipCmdSubmit;
        c.seqnum = seqnum;
        c.direction = direction;
        c.transferLength = static_cast<uint32_t>(setup[6] | setup[7] << 8);
        c.setup = setup;
        return c;
    }

    SimXuModel model_;
    UvcCameraFunction camera_{model_};
    int host_ = -1;
    int device_ = -1;
    std::future<ServeEnd> served_;
};

TEST_F(UsbipServerTest, TakesOutDataOffTheStreamAndAnswersInData) {
    // SET_CUR initialise on the extension unit, then GET_LEN of the data control.
    Send(Control(1, kUsbipDirOut, {0x21, 0x01, 0x00, 0x01, 0x00, 0x04, 0x01, 0x00}), {0xAA});
    Send(Control(2, kUsbipDirIn, {0xA1, 0x85, 0x00, 0x06, 0x00, 0x04, 0x02, 0x00}));
    const Ret set = Receive(false);
    EXPECT_EQ(set.command, kUsbipRetSubmit);
    EXPECT_EQ(set.seqnum, 1u);
    EXPECT_EQ(set.status, 0);
    EXPECT_EQ(set.length, 1u);
    const Ret len = Receive(true);
    EXPECT_EQ(len.seqnum, 2u);
    EXPECT_EQ(len.data, (std::vector<uint8_t>{32, 0}));
    EXPECT_TRUE(model_.Initialised());
}

TEST_F(UsbipServerTest, StallsARefusedRequestWithEpipe) {
    // A handshake read before any handshake.
    Send(Control(5, kUsbipDirIn, {0xA1, 0x81, 0x00, 0x02, 0x00, 0x04, 0x01, 0x00}));
    const Ret ret = Receive(true);
    EXPECT_EQ(ret.status, -EPIPE);
    EXPECT_EQ(ret.length, 0u);
}

TEST_F(UsbipServerTest, HoldsStreamingTransfersUntilUnlinked) {
    UsbipCommand bulk;
    bulk.command = kUsbipCmdSubmit;
    bulk.seqnum = 10;
    bulk.direction = kUsbipDirIn;
    bulk.endpoint = 1;
    bulk.transferLength = 512;
    Send(bulk);
    UsbipCommand unlink;
    unlink.command = kUsbipCmdUnlink;
    unlink.seqnum = 11;
    unlink.unlinkSeqnum = 10;
    Send(unlink);
    unlink.seqnum = 12;  // the same transfer again: nothing is pending any more
    Send(unlink);
    const Ret first = Receive(false);
    EXPECT_EQ(first.command, kUsbipRetUnlink);
    EXPECT_EQ(first.seqnum, 11u);
    EXPECT_EQ(first.status, -ECONNRESET);
    EXPECT_EQ(Receive(false).status, 0);
}

TEST_F(UsbipServerTest, EndsWhenTheHostClosesTheConnection) {
    close(host_);
    host_ = -1;
    EXPECT_EQ(served_.get(), ServeEnd::kHostClosed);
}

}  // namespace
