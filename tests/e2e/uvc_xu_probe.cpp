// Talks to an extension unit straight through uvcvideo's UVCIOC_CTRL_QUERY, below every layer
// of the loader, so a failing end-to-end scenario can be pinned on the emulator and driver or
// on the loader. It also times the round trip of one request through the driver.

#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: uvc_xu_probe DEVICE UNIT handshake   initialise, handshake, read the version word\n"
    "       uvc_xu_probe DEVICE UNIT sizes       GET_LEN and GET_INFO of selectors 1 to 9\n"
    "       uvc_xu_probe DEVICE UNIT refuse      a SET_CUR the device must refuse\n"
    "       uvc_xu_probe DEVICE UNIT time N      N initialise requests, timed\n";

class XuChannel {
  public:
    XuChannel(int fd, uint8_t unit) : fd_(fd), unit_(unit) {}

    // 0 or the driver's errno.
    int Query(uint8_t selector, uint8_t request, std::vector<uint8_t>& data) const {
        uvc_xu_control_query query{};
        query.unit = unit_;
        query.selector = selector;
        query.query = request;
        query.size = static_cast<uint16_t>(data.size());
        query.data = data.data();
        return ioctl(fd_, UVCIOC_CTRL_QUERY, &query) == 0 ? 0 : errno;
    }
    int Set(uint8_t selector, uint8_t byte) const {
        std::vector<uint8_t> data{byte};
        return Query(selector, UVC_SET_CUR, data);
    }

  private:
    int fd_;
    uint8_t unit_;
};

int Fail(const char* step, int error) {
    std::printf("%s failed: errno %d (%s)\n", step, error, std::strerror(error));
    return 1;
}

int Handshake(const XuChannel& xu) {
    if (int e = xu.Set(1, 0xAA)) {
        return Fail("initialise", e);
    }
    if (int e = xu.Set(2, 0x87)) {
        return Fail("handshake write", e);
    }
    std::vector<uint8_t> answer(1);
    if (int e = xu.Query(2, UVC_GET_CUR, answer)) {
        return Fail("handshake read", e);
    }
    std::printf("handshake 0x%02x\n", answer[0]);
    if (int e = xu.Set(2, 0xC3)) {
        return Fail("handshake completion", e);
    }
    std::vector<uint8_t> word(2);
    if (int e = xu.Query(3, UVC_GET_CUR, word)) {
        return Fail("version read", e);
    }
    std::printf("version_word %u\n", word[0] | word[1] << 8);
    return answer[0] == 0x78 ? 0 : 1;
}

int Sizes(const XuChannel& xu) {
    for (uint8_t selector = 1; selector <= 9; ++selector) {
        std::vector<uint8_t> length(2);
        std::vector<uint8_t> info(1);
        const int lengthError = xu.Query(selector, UVC_GET_LEN, length);
        const int infoError = lengthError ? lengthError : xu.Query(selector, UVC_GET_INFO, info);
        if (infoError) {
            std::printf("selector %u errno %d (%s)\n", selector, infoError,
                        std::strerror(infoError));
        } else {
            std::printf("selector %u len %u info 0x%02x\n", selector, length[0] | length[1] << 8,
                        info[0]);
        }
    }
    return 0;
}

int Refuse(const XuChannel& xu) {
    const int error = xu.Set(4, 0x00);  // not the begin command
    if (error == 0) {
        std::puts("refused no: the device took an unknown command");
        return 1;
    }
    std::printf("refused errno %d (%s)\n", error, std::strerror(error));
    return 0;
}

int Time(const XuChannel& xu, long count) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> micros;
    for (long i = 0; i < count; ++i) {
        const auto start = Clock::now();
        if (int e = xu.Set(1, 0xAA)) {
            return Fail("initialise", e);
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    double sum = 0;
    for (double m : micros) {
        sum += m;
    }
    std::printf("set_cur round trip over %ld requests: mean %.0f us, median %.0f us, max %.0f us\n",
                count, sum / static_cast<double>(count), micros[micros.size() / 2], micros.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = argv[3];
    const long count = argc > 4 ? std::strtol(argv[4], nullptr, 10) : 0;
    const long unit = std::strtol(argv[2], nullptr, 10);
    if (unit <= 0 || unit > 255 || (command == "time" && count <= 0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int fd = open(argv[1], O_RDWR);
    if (fd < 0) {
        return Fail("open", errno);
    }
    const XuChannel xu(fd, static_cast<uint8_t>(unit));
    int status = 2;
    if (command == "handshake") {
        status = Handshake(xu);
    } else if (command == "sizes") {
        status = Sizes(xu);
    } else if (command == "refuse") {
        status = Refuse(xu);
    } else if (command == "time") {
        status = Time(xu, count);
    } else {
        std::fputs(kUsage, stderr);
    }
    close(fd);
    return status;
}
