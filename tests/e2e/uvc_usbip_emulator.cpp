// A UVC camera with the vendor extension unit, plugged into this machine's own kernel through
// the USB/IP virtual host controller, so that uvcvideo and everything above it run for real.
// Its extension unit is the simulated device model. It stays attached until SIGTERM or SIGINT
// (it then unplugs itself) or until the port is detached from outside, and writes its report
// either way. SIGUSR1 writes the report as it stands and keeps the camera plugged in, so that a
// script can tell apart the traffic of the programs it runs one after another.
//
// Like a real camera it leaves the bus on its reset command and comes back on the same port a
// moment later, running the firmware it received; the report covers every attachment. It can
// also be pulled out in the middle of a write: it then ends, as when detached from outside.

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "device/sim/sim_xu_model.h"
#include "device/sim/sim_xu_protocol.h"
#include "tests/e2e/emulator_report.h"
#include "tests/e2e/usbip_server.h"
#include "tests/e2e/uvc_camera_function.h"

namespace {

constexpr char kUsage[] =
    "usage: uvc_usbip_emulator [--port N] [--version-word N] [--packet-length N]\n"
    "                          [--stall-data-packet N] [--detach-after-packets N]\n"
    "                          [--return-delay MS] [--latency-us N] [--report DIR]\n"
    "  --port N                  vhci high-speed port to plug into (0)\n"
    "  --version-word N          the device version word, 1 for a device that needs boot software\n"
    "  --packet-length N         the size of the data-packet control (32)\n"
    "  --stall-data-packet N     stall the Nth data packet, counting from 1\n"
    "  --detach-after-packets N  unplug for good once N data packets were taken\n"
    "  --return-delay MS         how long the camera is off the bus after its reset (300)\n"
    "  --latency-us N            how long the extension unit takes over each request (0)\n"
    "  --report DIR              where to write the report when the device goes, and on SIGUSR1\n";

// About what a camera takes to restart and enumerate again; long enough that a host polling
// for the return sees it gone first.
constexpr uint32_t kDefaultReturnDelayMs = 300;
// The host lets go of the socket within milliseconds of the detach; this bounds a host that
// does not.
constexpr std::chrono::seconds kLetGoTimeout{5};
// vhci reads a reply within milliseconds; this bounds a host that has stopped reading.
constexpr std::chrono::seconds kReplyReadTimeout{2};

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
    uint32_t detachAfterPackets = 0;
    uint32_t returnDelayMs = kDefaultReturnDelayMs;
    uint32_t latencyUs = 0;
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
        } else if (flag == "--detach-after-packets" && number > 0) {
            options->detachAfterPackets = number;
        } else if (flag == "--return-delay") {
            options->returnDelayMs = number;
        } else if (flag == "--latency-us") {
            options->latencyUs = number;
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
void TakeSnapshot(const SimXuModel& model, const std::vector<size_t>& attachmentStarts,
                  const std::string& reportDir) {
    if (snapshotRequested == 0) {
        return;
    }
    snapshotRequested = 0;
    std::string error;
    if (!reportDir.empty() && !WriteEmulatorReport(model, attachmentStarts, reportDir, &error)) {
        std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
    }
}

int64_t WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// How one attachment ended.
enum class Leaving { kNotAttached, kHostDetached, kStopped, kReset, kPulled, kBrokenStream };

class Emulator {
  public:
    explicit Emulator(const Options& options) : options_(options), model_(options.config) {
        if (options.stallDataPacket > 0) {
            model_.FailRequest(kCtlData, options.stallDataPacket, kSimStall);
        }
        if (options.latencyUs > 0) {
            // Asleep, so that the guest's one CPU is free for the host side meanwhile.
            model_.SetLatency(std::chrono::microseconds(options.latencyUs), SimWait::kSleep);
        }
        // Called under the model's lock, before the reset's reply is sent: the camera leaves
        // once the reply is out.
        model_.SetResetHandler([this] { resetTaken_ = true; });
    }

    // Plugs the camera in, and again after each reset, until it is stopped, pulled out or
    // unplugged from outside. False when it could not be plugged in or the host broke the
    // stream.
    bool Run() {
        for (;;) {
            switch (Attachment()) {
                case Leaving::kNotAttached:
                    return false;
                case Leaving::kBrokenStream:
                    std::fputs(
                        "uvc_usbip_emulator: the host sent something that is no USB/IP "
                        "command\n",
                        stderr);
                    return false;
                case Leaving::kReset:
                    break;
                default:
                    return true;
            }
            if (!AwaitReturn()) {
                return true;
            }
            if (!model_.Restart()) {
                std::fputs("uvc_usbip_emulator: the camera does not start again\n", stderr);
                return true;
            }
        }
    }

    bool WriteReport(std::string* error) const {
        return options_.reportDir.empty() ||
               WriteEmulatorReport(model_, attachmentStarts_, options_.reportDir, error);
    }

    bool Attached() const { return !attachmentStarts_.empty(); }

  private:
    Leaving Attachment() {
        std::string error;
        int fd = -1;
        const uint32_t devid = 1u << 16 | (options_.port + 2);
        if (!AttachToVhci(options_.port, devid, &fd, &error)) {
            std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
            return Leaving::kNotAttached;
        }
        attachmentStarts_.push_back(model_.Traffic().size());
        std::fprintf(stderr, "uvc_usbip_emulator: attached to vhci port %u\n", options_.port);

        // A restarted camera starts from its power-on state; only the model's memory and log
        // carry over.
        UvcCameraFunction camera(model_);
        const uint32_t packetsBefore = packetsTaken_;
        const auto pulled = [&] {
            return options_.detachAfterPackets > 0 &&
                   packetsBefore + camera.DataPacketsServed() >= options_.detachAfterPackets;
        };
        ServeEnd end = ServeUsbip(fd, camera, [&] {
            TakeSnapshot(model_, attachmentStarts_, options_.reportDir);
            return stopRequested == 0 && !resetTaken_ && !pulled();
        });
        packetsTaken_ = packetsBefore + camera.DataPacketsServed();
        Leaving leaving = end == ServeEnd::kBrokenStream ? Leaving::kBrokenStream
                          : end == ServeEnd::kHostClosed ? Leaving::kHostDetached
                          : pulled()                     ? Leaving::kPulled
                          : resetTaken_                  ? Leaving::kReset
                                                         : Leaving::kStopped;
        resetTaken_ = false;
        if (end == ServeEnd::kStopped) {
            // A real camera leaves once the host has its answer: the reset's acknowledgement,
            // or the last packet it took before the cable came out.
            if (leaving != Leaving::kStopped && !AwaitRepliesRead(fd, kReplyReadTimeout)) {
                std::fputs("uvc_usbip_emulator: the host did not read the last reply\n", stderr);
            }
            if (!DetachFromVhci(options_.port, &error)) {
                std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
            }
            if (leaving == Leaving::kPulled) {
                // A pulled cable answers nothing more: what the host had in flight fails.
                std::fprintf(stderr,
                             "uvc_usbip_emulator: pulled out after %u data packets at %lld ms "
                             "(wall clock)\n",
                             packetsTaken_, static_cast<long long>(WallClockMs()));
            } else {
                // Answer whatever the host still asks until it lets go of the socket.
                const auto deadline = std::chrono::steady_clock::now() + kLetGoTimeout;
                end = ServeUsbip(
                    fd, camera, [deadline] { return std::chrono::steady_clock::now() < deadline; });
                if (end == ServeEnd::kBrokenStream) {
                    leaving = Leaving::kBrokenStream;
                }
            }
        }
        close(fd);
        return leaving;
    }

    // The camera off the bus for the return delay; false when told to stop meanwhile.
    bool AwaitReturn() {
        std::fprintf(stderr, "uvc_usbip_emulator: reset, back in %u ms\n", options_.returnDelayMs);
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.returnDelayMs);
        while (stopRequested == 0 && std::chrono::steady_clock::now() < until) {
            TakeSnapshot(model_, attachmentStarts_, options_.reportDir);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return stopRequested == 0;
    }

    const Options& options_;
    SimXuModel model_;
    std::atomic<bool> resetTaken_{false};
    std::vector<size_t> attachmentStarts_;
    uint32_t packetsTaken_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    Emulator emulator(options);
    InstallStopHandler();
    const bool served = emulator.Run();
    if (!emulator.Attached()) {
        return 1;  // never plugged in: nothing to report
    }
    int status = served ? 0 : 1;
    std::string error;
    if (!emulator.WriteReport(&error)) {
        std::fprintf(stderr, "uvc_usbip_emulator: %s\n", error.c_str());
        status = 1;
    }
    return status;
}
