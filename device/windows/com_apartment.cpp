#include "device/windows/com_apartment.h"

#include "device/windows/win_sdk.h"

ComApartment::ComApartment() : status_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ComApartment::~ComApartment() {
    if (Succeeded(status_)) {
        CoUninitialize();
    }
}
