#include <libudev.h>

#include <QSocketNotifier>
#include <memory>

#include "device/linux/uevent.h"

namespace {

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* text) {
    return text != nullptr ? text : std::string();
}

UEvent EventOf(udev_device* device) {
    UEvent event;
    event.action = Text(udev_device_get_action(device));
    event.devPath = Text(udev_device_get_devpath(device));
    event.subsystem = Text(udev_device_get_subsystem(device));
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
        event.properties[Text(udev_list_entry_get_name(entry))] =
            Text(udev_list_entry_get_value(entry));
    }
    return event;
}

class UdevEventSource final : public DeviceEventSource {
  public:
    bool Start(Sink sink) override {
        context_.reset(udev_new());
        if (!context_) {
            return false;
        }
        monitor_.reset(udev_monitor_new_from_netlink(context_.get(), "udev"));
        if (!monitor_ ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "video4linux",
                                                            nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_.get()) < 0) {
            return false;
        }
        sink_ = std::move(sink);
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_.get()),
                                                      QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
        return true;
    }

  private:
    // The monitor's socket is non-blocking: take every queued event, then wait again.
    void Drain() {
        while (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
            sink_(EventOf(device.get()));
        }
    }

    UdevPtr<udev> context_;
    UdevPtr<udev_monitor> monitor_;
    Sink sink_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<DeviceEventSource> CreateUdevEventSource() {
    return std::make_unique<UdevEventSource>();
}
