#include "download/camera_identity.h"

#include <memory>
#include <string>

#include "device/discovery.h"

namespace {

QString Property(PropertyBag* bag, const char* name) {
    std::string value;
    return bag != nullptr && Succeeded(bag->Read(name, &value)) ? QString::fromStdString(value)
                                                                : QString();
}

}  // namespace

CameraIdentity ReadIdentity(DeviceMoniker& moniker, int index) {
    CameraIdentity camera;
    camera.index = index;
    std::string label;
    if (GetDeviceLabel(&moniker, &label)) {
        camera.label = QString::fromStdString(label);
    }
    std::unique_ptr<PropertyBag> bag;
    if (Succeeded(moniker.OpenPropertyBag(&bag))) {
        camera.devicePath = Property(bag.get(), "DevicePath");
        camera.usbPort = Property(bag.get(), "UsbPortPath");
        camera.serial = Property(bag.get(), "SerialNumber");
    }
    return camera;
}

QString CameraKey(const CameraIdentity& camera) {
    if (!camera.usbPort.isEmpty()) {
        return QStringLiteral("port ") + camera.usbPort;
    }
    if (!camera.serial.isEmpty()) {
        return QStringLiteral("serial ") + camera.serial;
    }
    return QStringLiteral("path ") + camera.devicePath;
}

bool CarriesUsbId(const QString& label, const QStringList& usbIds) {
    for (const QString& id : usbIds) {
        const QString text =
            QStringLiteral("VID_%1&PID_%2")
                .arg(id.section(QLatin1Char(':'), 0, 0), id.section(QLatin1Char(':'), 1, 1));
        if (label.contains(text, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return usbIds.isEmpty();
}
