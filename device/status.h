#pragma once

#include <cstdint>

// Statuses in HRESULT form: not negative is success, negative is failure. They are our own
// portable constants, so nothing outside a Windows backend needs a Windows header.
using Status = int32_t;

inline constexpr Status kSOk = 0;
inline constexpr Status kSFalse = 1;
inline constexpr Status kEFail = static_cast<Status>(0x80004005u);
inline constexpr Status kEPointer = static_cast<Status>(0x80004003u);
inline constexpr Status kENoInterface = static_cast<Status>(0x80004002u);
inline constexpr Status kEInvalidArg = static_cast<Status>(0x80070057u);
inline constexpr Status kEOutOfMemory = static_cast<Status>(0x8007000Eu);
// ERROR_MORE_DATA: the answer a size query gets from the kernel-streaming proxy.
inline constexpr Status kMoreData = static_cast<Status>(0x800700EAu);
// ERROR_NOT_FOUND: the addressed node has no such property.
inline constexpr Status kNotFound = static_cast<Status>(0x80070490u);
// ERROR_SET_NOT_FOUND: the node does not carry the request's property set.
inline constexpr Status kSetNotFound = static_cast<Status>(0x80070492u);
// ERROR_INSUFFICIENT_BUFFER: a length no control of the device can have.
inline constexpr Status kInsufficientBuffer = static_cast<Status>(0x8007007Au);

inline constexpr bool Succeeded(Status status) {
    return status >= 0;
}
inline constexpr bool Failed(Status status) {
    return status < 0;
}
