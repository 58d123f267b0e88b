// The requests of one `dovrane-cli flash IMAGE --verify` sent straight through uvcvideo's
// UVCIOC_CTRL_QUERY, back to back: the device list's probe, the open sequence, the written
// firmware segment and its read-back. It shows how long the job takes with nothing between the
// loader's requests, so that the loader's own overhead can be told from the driver's and the
// device's. The waits the device needs (after a write header, after a written segment) are
// added to the time instead of slept, which would only add the scheduler's slack.

#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: uvc_job_loop DEVICE UNIT IMAGE [--verify]\n"
    "  IMAGE     a packed firmware image (dovrane-cli hex2bin, then pack), written at address 0\n"
    "  --verify  read the segment back and compare it, as flash --verify does\n"
    "Prints the request count, the job's time without waits (job_us), the waits the device\n"
    "needs (waits_ms) and loop_ms, their sum: the span dovrane-cli's elapsed time covers.\n";

constexpr uint8_t kSelInit = 1;
constexpr uint8_t kSelHandshake = 2;
constexpr uint8_t kSelVersion = 3;
constexpr uint8_t kSelBegin = 4;
constexpr uint8_t kSelHeader = 5;
constexpr uint8_t kSelData = 6;
constexpr uint8_t kSelEnd = 8;

constexpr uint8_t kCmdInit = 0xAA;
constexpr uint8_t kCmdHello = 0x87;
constexpr uint8_t kHelloAnswer = 0x78;
constexpr uint8_t kCmdHelloDone = 0xC3;
constexpr uint8_t kCmdBegin = 0x33;
constexpr uint8_t kCmdEnd = 0x44;

constexpr uint8_t kKindFirmware = 2;
constexpr uint8_t kReadBack = 0x80;
constexpr uint32_t kAddress = 0;
// A device that reports 1 wants boot software first, a segment this loop does not send.
constexpr unsigned kBootVersionWord = 1;

constexpr long kHeaderSettleMs = 2;
constexpr long kSegmentSettleMs = 100;

using Header = std::array<uint8_t, 10>;

class XuChannel {
  public:
    XuChannel(int fd, uint8_t unit) : fd_(fd), unit_(unit) {}

    // False with the step and errno kept for Report.
    bool Query(uint8_t selector, uint8_t request, uint8_t* data, uint16_t size, const char* step) {
        uvc_xu_control_query query{};
        query.unit = unit_;
        query.selector = selector;
        query.query = request;
        query.size = size;
        query.data = data;
        ++requests_;
        if (ioctl(fd_, UVCIOC_CTRL_QUERY, &query) == 0) {
            return true;
        }
        step_ = step;
        error_ = errno;
        return false;
    }
    bool SetByte(uint8_t selector, uint8_t byte, const char* step) {
        return Query(selector, UVC_SET_CUR, &byte, 1, step);
    }
    bool Length(uint8_t selector, uint16_t* length, const char* step) {
        std::array<uint8_t, 2> size{};
        if (!Query(selector, UVC_GET_LEN, size.data(), size.size(), step)) {
            return false;
        }
        *length = static_cast<uint16_t>(size[0] | size[1] << 8);
        return true;
    }
    // A request that went through with an answer the job cannot go on with.
    bool Wrong(const std::string& what) {
        step_ = what;
        error_ = 0;
        return false;
    }

    long Requests() const { return requests_; }
    void Report() const {
        if (error_ != 0) {
            std::printf("%s failed: errno %d (%s)\n", step_.c_str(), error_, std::strerror(error_));
        } else {
            std::printf("%s\n", step_.c_str());
        }
    }

  private:
    int fd_;
    uint8_t unit_;
    long requests_ = 0;
    std::string step_;
    int error_ = 0;
};

// Initialise, handshake, version word: what the device list asks of every camera, and the
// flash command asks again before its job.
bool Greet(XuChannel& xu, unsigned* versionWord) {
    uint8_t answer = 0;
    if (!xu.SetByte(kSelInit, kCmdInit, "initialise") ||
        !xu.SetByte(kSelHandshake, kCmdHello, "handshake write") ||
        !xu.Query(kSelHandshake, UVC_GET_CUR, &answer, 1, "handshake read")) {
        return false;
    }
    if (answer != kHelloAnswer) {
        return xu.Wrong("handshake answer " + std::to_string(answer));
    }
    std::array<uint8_t, 2> word{};
    if (!xu.SetByte(kSelHandshake, kCmdHelloDone, "handshake completion") ||
        !xu.Query(kSelVersion, UVC_GET_CUR, word.data(), word.size(), "version read")) {
        return false;
    }
    *versionWord = static_cast<unsigned>(word[0] | word[1] << 8);
    return true;
}

Header SegmentHeader(uint8_t kind, uint32_t address, uint32_t count) {
    Header header{kind,
                  static_cast<uint8_t>(address >> 24),
                  static_cast<uint8_t>(address >> 16),
                  static_cast<uint8_t>(address >> 8),
                  static_cast<uint8_t>(address),
                  static_cast<uint8_t>(count >> 24),
                  static_cast<uint8_t>(count >> 16),
                  static_cast<uint8_t>(count >> 8),
                  static_cast<uint8_t>(count),
                  0};
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < header.size(); ++i) {
        sum = static_cast<uint8_t>(sum + header[i]);
    }
    header.back() = static_cast<uint8_t>(~sum);
    return header;
}

// Packet length, begin, header: how every transfer opens. The count is `length` rounded up to
// whole packets for a write, `length` itself for a read-back.
bool OpenTransfer(XuChannel& xu, uint8_t kind, uint32_t length, uint16_t* packet) {
    if (!xu.Length(kSelData, packet, "packet length")) {
        return false;
    }
    if (*packet == 0) {
        return xu.Wrong("packet length 0");
    }
    const uint32_t count =
        (kind & kReadBack) != 0 ? length : *packet * ((length + *packet - 1) / *packet);
    Header header = SegmentHeader(kind, kAddress, count);
    return xu.SetByte(kSelBegin, kCmdBegin, "begin") &&
           xu.Query(kSelHeader, UVC_SET_CUR, header.data(), header.size(), "header");
}

// The last packet is padded with 0xFF.
bool WriteSegment(XuChannel& xu, const std::vector<uint8_t>& image) {
    uint16_t packet = 0;
    const auto length = static_cast<uint32_t>(image.size());
    if (!OpenTransfer(xu, kKindFirmware, length, &packet)) {
        return false;
    }
    std::vector<uint8_t> buffer(packet);
    for (uint32_t at = 0; at < length; at += packet) {
        const uint32_t bytes = std::min<uint32_t>(packet, length - at);
        std::fill(buffer.begin(), buffer.end(), uint8_t{0xFF});
        std::memcpy(buffer.data(), image.data() + at, bytes);
        if (!xu.Query(kSelData, UVC_SET_CUR, buffer.data(), packet, "data packet")) {
            return false;
        }
    }
    return xu.SetByte(kSelEnd, kCmdEnd, "end");
}

bool ReadBackSegment(XuChannel& xu, const std::vector<uint8_t>& image) {
    uint16_t packet = 0;
    const auto length = static_cast<uint32_t>(image.size());
    if (!OpenTransfer(xu, kKindFirmware | kReadBack, length, &packet)) {
        return false;
    }
    std::vector<uint8_t> buffer(packet);
    for (uint32_t at = 0; at < length; at += packet) {
        const uint32_t bytes = std::min<uint32_t>(packet, length - at);
        if (!xu.Query(kSelData, UVC_GET_CUR, buffer.data(), packet, "read-back packet")) {
            return false;
        }
        if (std::memcmp(buffer.data(), image.data() + at, bytes) != 0) {
            return xu.Wrong("read-back differs in the packet at offset " + std::to_string(at));
        }
    }
    return xu.SetByte(kSelEnd, kCmdEnd, "end");
}

bool ReadImage(const char* path, std::vector<uint8_t>* image) {
    std::ifstream file(path, std::ios::binary);
    image->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad() && file.is_open() && !image->empty() && image->size() <= 0xFFFFFFFFu;
}

int Run(XuChannel& xu, const std::vector<uint8_t>& image, bool verify) {
    unsigned versionWord = 0;
    uint16_t packet = 0;
    // Twice: the device list probes every camera, then the flash command opens its own.
    for (int pass = 0; pass < 2; ++pass) {
        if (!Greet(xu, &versionWord)) {
            xu.Report();
            return 1;
        }
    }
    if (!xu.Length(kSelData, &packet, "open's packet length")) {
        xu.Report();
        return 1;
    }
    if (versionWord == kBootVersionWord) {
        std::printf("version word %u: the device wants boot software, which this loop lacks\n",
                    versionWord);
        return 1;
    }
    // The span dovrane-cli reports as the job's elapsed time: from the first transfer's
    // packet length to the last end.
    const auto start = std::chrono::steady_clock::now();
    if (!WriteSegment(xu, image) || (verify && !ReadBackSegment(xu, image))) {
        xu.Report();
        return 1;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    // One written segment: its header's settle and the pause after it.
    const long waits = kHeaderSettleMs + kSegmentSettleMs;
    std::printf("requests %ld\njob_us %lld\nwaits_ms %ld\nloop_ms %lld\n", xu.Requests(),
                static_cast<long long>(micros), waits,
                static_cast<long long>(micros / 1000 + waits));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool verify = argc == 5 && std::strcmp(argv[4], "--verify") == 0;
    const long unit = argc >= 4 ? std::strtol(argv[2], nullptr, 10) : 0;
    if ((argc != 4 && !verify) || unit <= 0 || unit > 255) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<uint8_t> image;
    if (!ReadImage(argv[3], &image)) {
        std::printf("cannot read a non-empty image from %s\n", argv[3]);
        return 2;
    }
    const int fd = open(argv[1], O_RDWR);
    if (fd < 0) {
        std::printf("open %s failed: errno %d (%s)\n", argv[1], errno, std::strerror(errno));
        return 1;
    }
    XuChannel xu(fd, static_cast<uint8_t>(unit));
    const int status = Run(xu, image, verify);
    close(fd);
    return status;
}
