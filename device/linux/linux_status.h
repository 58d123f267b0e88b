#pragma once

// How the Linux backend reports failures in Status form. A system error becomes
// 0x80070000 | <the Win32 code of the same meaning>, so callers and logs read the same codes
// as on Windows; an errno without a Win32 counterpart becomes 0xA0000000 | errno (customer
// bit set, no facility), which never collides with a system code and keeps the errno.

#include "device/status.h"

// A failure status for a positive errno; kEFail for an errno of 0.
Status StatusFromErrno(int error);
