#pragma once

// The device side of the extension-unit protocol in UVC terms (SET_CUR, GET_CUR, GET_LEN on one
// extension unit): the firmware of the simulated camera, kept free of kernel streaming so that
// a USB device emulator can serve it as it stands. It checks the host's every step strictly,
// records what it saw, and can be told to misbehave.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/sim/sim_memory.h"
#include "device/status.h"

// A request the device refuses, answered as a stalled control pipe is (ERROR_GEN_FAILURE).
inline constexpr Status kSimStall = static_cast<Status>(0x8007001Fu);
// Every request once the device has gone (ERROR_DEVICE_NOT_CONNECTED).
inline constexpr Status kSimDeviceGone = static_cast<Status>(0x8007048Fu);

struct SimXuConfig {
    uint32_t packetLength = 32;        // size of control 6, the data packet
    uint32_t displayVersionSize = 64;  // size of control 9
    uint16_t versionWord = 2;          // control 3; 1 is a device that needs boot software
    uint16_t displayVersion = 0x0213;  // the answer to the control-9 version request
};

enum class SimDirection { kSet, kGet, kSizeQuery };
enum class SimWait { kSpin, kSleep };
enum class SimRestart { kNewFirmware, kOldFirmware, kNever };

struct SimTraffic {
    SimDirection direction;
    uint32_t node;
    uint32_t selector;
    uint32_t length;             // the request's length; 0 for a size query
    std::vector<uint8_t> bytes;  // what was written, or what a successful get answered
    Status status;
    uint32_t reportedSize;                          // a successful size query's answer
    std::chrono::steady_clock::time_point arrived;  // when the device began to serve it
};

class SimXuModel {
  public:
    explicit SimXuModel(const SimXuConfig& config = {});

    // The three requests. `node` is the unit the host addressed; it is only logged.
    Status Set(uint32_t node, uint32_t selector, const uint8_t* data, uint32_t length);
    Status Get(uint32_t node, uint32_t selector, uint8_t* data, uint32_t length);
    Status GetLen(uint32_t node, uint32_t selector, uint32_t* size);

    // Faults. Each stays in force until the model is destroyed.
    // The nth set or get on the selector from now on (1: the next; size queries do not count)
    // answers `status`: a negative one refuses the request untouched, another one replaces
    // the success of a request that is otherwise served.
    void FailRequest(uint32_t selector, uint32_t nth, Status status);
    void SetHandshakeAnswer(uint8_t answer);
    // Size queries of the selector answer `status` without a size (a negative one fails them).
    void FailSizeQuery(uint32_t selector, Status status);
    void ZeroSizeQuery(uint32_t selector);
    // Every read-back hands the byte at this offset of the segment back inverted.
    void CorruptReadBack(uint32_t offset);
    // Serves this many more requests of any kind, then fails every one like an unplugged device.
    void VanishAfter(uint32_t requests);
    // Takes this long over every request, to model a device's turnaround: busy-waiting for a
    // precise time, or sleeping, so that many cameras at once need no core each.
    void SetLatency(std::chrono::nanoseconds latency, SimWait wait = SimWait::kSpin);
    // Called, under the model's lock, when the device takes a reset command: it must only
    // schedule what follows (leaving the bus, coming back), not call into the model.
    void SetResetHandler(std::function<void()> onReset);
    // Called likewise, once, when a device told to vanish (VanishAfter) is gone.
    void SetGoneHandler(std::function<void()> onGone);
    // The device starts again after its reset, running the firmware it received: its displayed
    // version becomes the big-endian word at offset 81924 of the last firmware segment written,
    // when that segment was long enough to hold one. False when it does not start at all.
    bool Restart();
    // How the next restarts go: as they should, on the old firmware, or never.
    void SetRestart(SimRestart restart);
    // Logging copies every packet; a long benchmark run turns it off.
    void SetTrafficLogEnabled(bool enabled);

    // Observation, safe from any thread.
    std::vector<uint8_t> Memory(uint8_t kind, uint32_t address, uint32_t length) const;
    uint32_t ResetCount() const;
    std::vector<SimTraffic> Traffic() const;
    void ClearTraffic();
    std::vector<std::string> ProtocolErrors() const;
    bool Initialised() const;
    bool SessionOpen() const;   // initialised and handshake completed, until the next reset
    bool TransferOpen() const;  // a begin not yet closed by its end

  private:
    enum class Handshake { kIdle, kAwaitingRead, kAnswered };
    enum class Stage { kNone, kBegun, kAnnounced };
    struct Transfer {
        Stage stage = Stage::kNone;
        bool readBack = false;
        uint8_t kind = 0;
        uint32_t address = 0;
        uint32_t count = 0;
        uint32_t done = 0;
    };
    struct RequestFault {
        uint32_t selector;
        uint32_t remaining;
        Status status;
    };
    struct Control {
        uint32_t size;
        bool settable;
        bool gettable;
    };

    std::optional<Control> ControlOf(uint32_t selector) const;
    Status Admit(SimDirection direction, uint32_t selector, uint32_t length, Status* injected);
    Status TakeRequestFault(uint32_t selector);
    Status ProtocolError(uint32_t selector, const std::string& what);
    void Log(SimTraffic entry);

    Status OnSet(uint32_t selector, const uint8_t* data);
    Status OnGet(uint32_t selector, uint8_t* data);
    Status OnInitControl(uint8_t command);
    Status OnHandshakeWrite(uint8_t command);
    Status OnHandshakeRead(uint8_t* answer);
    Status OnVersionRead(uint8_t* word);
    Status OnBegin(uint8_t command);
    Status OnHeader(const uint8_t* header);
    Status OnDataOut(const uint8_t* packet);
    Status OnDataIn(uint8_t* packet);
    Status OnEnd(uint8_t command);
    Status OnDisplayVersionRequest(const uint8_t* request);
    Status OnDisplayVersionRead(uint8_t* answer);

    const SimXuConfig config_;
    mutable std::mutex mutex_;

    bool initialised_ = false;
    Handshake handshake_ = Handshake::kIdle;
    bool session_ = false;
    Transfer transfer_;
    bool displayVersionArmed_ = false;
    uint16_t displayVersion_;
    std::optional<uint16_t> receivedVersion_;  // carried by the last firmware segment written
    std::function<void()> onReset_;
    std::function<void()> onGone_;
    SimRestart restart_ = SimRestart::kNewFirmware;
    uint32_t resets_ = 0;
    std::map<uint8_t, SimMemory> memory_;

    std::vector<RequestFault> requestFaults_;
    uint8_t handshakeAnswer_;
    std::map<uint32_t, Status> sizeQueryFaults_;
    std::set<uint32_t> zeroSizeQueries_;
    std::optional<uint32_t> corruptOffset_;
    std::optional<uint32_t> requestsLeft_;
    std::chrono::nanoseconds latency_{0};
    SimWait wait_ = SimWait::kSpin;

    bool logEnabled_ = true;
    std::vector<SimTraffic> traffic_;
    std::vector<std::string> errors_;
};
