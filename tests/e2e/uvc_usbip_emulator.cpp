// A UVC camera with the vendor extension unit, plugged into this machine's own kernel through
// the USB/IP virtual host controller, so that uvcvideo and everything above it run for real.
// Its extension unit is the simulated device model. It stays attached until SIGTERM or SIGINT
// (it then unplugs itself) or until the port is detached from outside, and writes its report
// either way. SIGUSR1 writes the report as it stands and keeps the camera plugged in, so that a
// script can tell apart the traffic of the programs it runs one after another.

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/sim/sim_xu_model.h"
#include "device/sim/sim_xu_protocol.h"
#include "tests/e2e/emulator_report.h"
#include "tests/e2e/usbip_server.h"
#include "tests/e2e/uvc_camera_function.h"

namespace {

constexpr char kUsage[] =
    "usage: uvc_usbip_emulator [--port N] [--version-word N] [--packet-length N]\n"
    "                          [--stall-data-packet N] [--report DIR]\n"
    "  --port N               vhci high-speed port to plug into (0)\n"
    "  --version-word N       the device version word, 1 for a device that needs boot software\n"
    "  --packet-length N      the size of the data-packet control (32)\n"
    "  --stall-data-packet N  stall the Nth data packet, counting from 1\n"
    "  --report DIR           where to write the report when the device goes, and on SIGUSR1\n";

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t snapshotRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void RequestSnapshot(int) {
    snapshotRequested = 1;
}

struct Options {
    uint32_t port = 0;
    SimXuConfig config;
    uint32_t stallDataPacket = 0;
    std::string reportDir;
};

bool ParseNumber(const char* text, uint32_t max, uint32_t* value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long parsed = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || parsed > max) {
        return false;
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        uint32_t number = 0;
        if (flag == "--report") {
            options->reportDir = value;
        } else if (!ParseNumber(value, 0xFFFF, &number)) {
            return false;
        } else if (flag == "--port") {
            options->port = number;
        } else if (flag == "--version-word") {
            options->config.versionWord = static_cast<uint16_t>(number);
        } else if (flag == "--packet-length" && number > 0) {
            options->config.packetLength = number;
        } else if (flag == "--stall-data-packet" && number > 0) {
            options->stallDataPacket = number;
        } else {
            return false;
        }
    }
    return true;
}

void InstallStopHandler() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    action.sa_handler = RequestSnapshot;
    sigaction(SIGUSR1, &action, nullptr);
}

// Writes the report when a snapshot was asked for; the served requests are all in the model
// already, since each is logged before its reply goes out.
void TakeSnapshot(const SimXuModel& model, const std::string& reportDir) {
    if (snapshotRequested == 0) {
        return;
    }
    snapshotRequested = 0;
    std::string error;
    if (!reportDir.empty() && !WriteEmulatorReport(model, reportDir, &error)) {
        std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    SimXuModel model(options.config);
    if (options.stallDataPacket > 0) {
        model.FailRequest(kCtlData, options.stallDataPacket, kSimStall);
    }
    UvcCameraFunction camera(model);
    InstallStopHandler();

    std::string error;
    int fd = -1;
    const uint32_t devid = 1u << 16 | (options.port + 2);
    if (!AttachToVhci(options.port, devid, &fd, &error)) {
        std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "uvc_usbip_emulator: attached to vhci port %u\n", options.port);

    ServeEnd end = ServeUsbip(fd, camera, [&] {
        TakeSnapshot(model, options.reportDir);
        return stopRequested == 0;
    });
    if (end == ServeEnd::kStopped) {
        // Unplug, then answer whatever the host still asks until it lets go of the socket.
        if (!DetachFromVhci(options.port, &error)) {
            std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        end = ServeUsbip(fd, camera,
                         [deadline] { return std::chrono::steady_clock::now() < deadline; });
    }
    close(fd);

    int status = end == ServeEnd::kBrokenStream ? 1 : 0;
    if (end == ServeEnd::kBrokenStream) {
        std::fputs("uvc_usbip_emulator: the host sent something that is no USB/IP command\n",
                   stderr);
    }
    if (!options.reportDir.empty() && !WriteEmulatorReport(model, options.reportDir, &error)) {
        std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
        status = 1;
    }
    return status;
}
