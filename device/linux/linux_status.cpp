#include "device/linux/linux_status.h"

#include <cerrno>
#include <cstdint>

namespace {

constexpr uint32_t kWin32Facility = 0x80070000u;
constexpr uint32_t kErrnoFacility = 0xA0000000u;

struct ErrnoCode {
    int error;
    uint32_t win32;
};

// The driver's answers for an extension-unit query and for opening its node.
constexpr ErrnoCode kWin32Codes[] = {
    {EPERM, 5},         // ERROR_ACCESS_DENIED
    {EACCES, 5},        // ERROR_ACCESS_DENIED
    {ENOENT, 1168},     // ERROR_NOT_FOUND: no such unit or control
    {EIO, 1117},        // ERROR_IO_DEVICE
    {ENXIO, 1167},      // ERROR_DEVICE_NOT_CONNECTED
    {ENODEV, 1167},     // ERROR_DEVICE_NOT_CONNECTED
    {ESHUTDOWN, 1167},  // ERROR_DEVICE_NOT_CONNECTED
    {ENOMEM, 14},       // ERROR_OUTOFMEMORY (E_OUTOFMEMORY)
    {EFAULT, 487},      // ERROR_INVALID_ADDRESS
    {EBUSY, 170},       // ERROR_BUSY
    {EINVAL, 87},       // ERROR_INVALID_PARAMETER
    {ENOTTY, 50},       // ERROR_NOT_SUPPORTED: not a uvcvideo node
    {EPIPE, 31},        // ERROR_GEN_FAILURE: the device stalled the request
    {EPROTO, 31},       // ERROR_GEN_FAILURE
    {EREMOTEIO, 31},    // ERROR_GEN_FAILURE
    {EILSEQ, 31},       // ERROR_GEN_FAILURE: the device refused in its current state
    {ERANGE, 13},       // ERROR_INVALID_DATA: a value the control refuses
    {ENOBUFS, 122},     // ERROR_INSUFFICIENT_BUFFER: length differs from the control's size
    {EBADRQC, 1},       // ERROR_INVALID_FUNCTION: the control does not offer the request
    {ETIMEDOUT, 121},   // ERROR_SEM_TIMEOUT
    {EAGAIN, 170},      // ERROR_BUSY
    {EINTR, 995},       // ERROR_OPERATION_ABORTED
};

}  // namespace

Status StatusFromErrno(int error) {
    if (error <= 0) {
        return kEFail;
    }
    for (const ErrnoCode& code : kWin32Codes) {
        if (code.error == error) {
            return static_cast<Status>(kWin32Facility | code.win32);
        }
    }
    return static_cast<Status>(kErrnoFacility | (static_cast<uint32_t>(error) & 0xFFFFu));
}
