#pragma once

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ostrel.h"
#include "device/sim/sim_camera.h"
#include "device/sim/sim_platform.h"

struct ShownBox {
    QMessageBox::Icon icon;
    QString text;
};

// The real window in a scratch working directory (its CfgFile lives there), against simulated
// cameras, with message boxes captured instead of shown.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        QDir().mkdir(QStringLiteral("CfgFile"));
    }

    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousDir);
    }

    std::shared_ptr<SimCamera> AddCamera(SimCameraConfig config = {}, uint16_t productId = 0x0102,
                                         const char* name = "Sim Camera") {
        SimDeviceEntry entry;
        entry.friendlyName = name;
        entry.devicePath = SimDevicePath(0x1d6b, productId, productId);
        auto camera = std::make_shared<SimCamera>(std::move(config));
        entry.filter = camera;
        platform.Plug(std::move(entry));
        return camera;
    }

    void Open() {
        window = std::make_unique<Ostrel>(platform);
        window->SetMessagePresenter([this](QMessageBox::Icon icon, const QString& text) {
            boxes.push_back({icon, text});
        });
    }

    template <typename T>
    T* Widget(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString CfgPath(const QString& name) const { return workDir.filePath("CfgFile/" + name); }

    bool WaitUntilIdle() {
        auto* load = Widget<QPushButton>("pButnLoadFW");
        return QTest::qWaitFor([load] { return load->isEnabled(); }, 20000);
    }

    QTemporaryDir workDir;
    QString previousDir;
    SimPlatform platform;
    std::unique_ptr<Ostrel> window;
    std::vector<ShownBox> boxes;
};
