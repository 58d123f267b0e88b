#pragma once

// Which camera a job is for, as the log and the tools name it, and the key that recognises it
// again after it left: its USB port where the platform knows it, else its serial, else its
// device path.

#include <QString>
#include <QStringList>

#include "device/platform.h"

struct CameraIdentity {
    int index = 0;  // its place in the list, or in the order cameras arrived
    QString label;
    QString devicePath;
    QString usbPort;  // the port chain (1-1.3) where the platform knows it
    QString serial;
};

// What the enumeration entry says of the camera; label and path empty where unreadable.
CameraIdentity ReadIdentity(DeviceMoniker& moniker, int index);

QString CameraKey(const CameraIdentity& camera);

// Whether the label carries one of the USB ids ("1d6b:0102", any case); an empty list takes
// every camera.
bool CarriesUsbId(const QString& label, const QStringList& usbIds);
