#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "app/ostrel.h"

namespace {

const char* const kStyle12 = "font: 12pt \"微软雅黑\", \"WenQuanYi Micro Hei\";";

struct WidgetRow {
    const char* name;
    const char* className;
    const char* parent;
    QRect geometry;  // null rect: the central widget, placed by the window
    const char* text;
    const char* styleSheet;
};

const WidgetRow kRows[] = {
    {"centralWidget", "QWidget", "OstrelClass", QRect(), "", ""},
    {"DeviceList", "QComboBox", "centralWidget", {10, 10, 461, 31}, "", kStyle12},
    {"pButnLoadFW",
     "QPushButton",
     "centralWidget",
     {170, 261, 141, 61},
     "烧写",
     "font: 20pt \"华文行楷\", \"AR PL UKai CN\", \"WenQuanYi Micro Hei\";"},
    {"ProgsBar", "QProgressBar", "centralWidget", {10, 210, 461, 31}, "", ""},
    {"groupBox", "QGroupBox", "centralWidget", {10, 90, 461, 111}, "设置", ""},
    {"pButnFileC51", "QPushButton", "groupBox", {380, 70, 71, 31}, "固件", kStyle12},
    {"pEditFilePath",
     "QLineEdit",
     "groupBox",
     {20, 69, 351, 31},
     "",
     "font: 11pt \"Times New Roman\";"},
    {"mEditAddrOffset", "QLineEdit", "groupBox", {90, 25, 61, 31}, "0", kStyle12},
    {"label_2", "QLabel", "groupBox", {20, 25, 71, 30}, "起始地址", kStyle12},
    {"checkBoxVerify", "QCheckBox", "groupBox", {160, 25, 51, 31}, "校验", kStyle12},
    {"label", "QLabel", "groupBox", {280, 26, 71, 30}, "文件大小：", kStyle12},
    {"pC51SZ", "QLabel", "groupBox", {350, 26, 91, 31}, "0", kStyle12},
    {"checkBoxResetDevice", "QCheckBox", "groupBox", {220, 25, 51, 31}, "重启", kStyle12},
    {"CheckMainProg", "QCheckBox", "centralWidget", {10, 300, 21, 21}, "", ""},
    {"pBtnResetDevice", "QPushButton", "centralWidget", {421, 290, 51, 31}, "重启", kStyle12},
    {"label_3", "QLabel", "centralWidget", {20, 42, 91, 41}, "设备版本号：", kStyle12},
    {"label_Device_Ver", "QLabel", "centralWidget", {123, 42, 81, 41}, "", kStyle12},
    {"label_FW_Ver", "QLabel", "centralWidget", {343, 41, 81, 41}, "", kStyle12},
    {"label_4", "QLabel", "centralWidget", {240, 41, 91, 41}, "固件版本号：", kStyle12},
};

QString TextOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    return QString();
}

class FormTest : public ::testing::Test {
  protected:
    QMainWindow window;
    Ui::OstrelClass form;
    void SetUp() override { form.setupUi(&window); }
};

}  // namespace

TEST_F(FormTest, BuildsTheNineteenWidgetsInOrderWithTheirProperties) {
    EXPECT_EQ(window.objectName(), "OstrelClass");
    EXPECT_EQ(window.size(), QSize(491, 348));
    EXPECT_EQ(window.windowTitle(), "Dovrane V2.1.0");
    EXPECT_TRUE(window.whatsThis().contains("文件大小"));
    EXPECT_EQ(window.centralWidget(), form.centralWidget);

    QList<QWidget*> created = window.findChildren<QWidget*>(QString(), Qt::FindChildrenRecursively);
    QStringList names;
    for (QWidget* widget : created) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_")) {
            names << widget->objectName();
        }
    }
    ASSERT_EQ(names.size(), static_cast<int>(std::size(kRows))) << names.join(",").toStdString();

    for (const WidgetRow& row : kRows) {
        SCOPED_TRACE(row.name);
        auto* widget = window.findChild<QWidget*>(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.className);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.parent);
        if (!row.geometry.isNull()) {
            EXPECT_EQ(widget->geometry(), row.geometry);
        }
        EXPECT_EQ(TextOf(widget), QString::fromUtf8(row.text));
        EXPECT_EQ(widget->styleSheet(), QString::fromUtf8(row.styleSheet));
    }
}

TEST_F(FormTest, WidgetPropertiesBeyondTheText) {
    EXPECT_EQ(form.ProgsBar->minimum(), 0);
    EXPECT_EQ(form.ProgsBar->maximum(), 65536);
    EXPECT_EQ(form.ProgsBar->value(), 0);
    EXPECT_EQ(form.ProgsBar->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(form.ProgsBar->textDirection(), QProgressBar::TopToBottom);
    EXPECT_FALSE(form.ProgsBar->autoFillBackground());
    EXPECT_EQ(form.groupBox->font().family(), "宋体");
    EXPECT_EQ(form.groupBox->font().pointSize(), 9);
    EXPECT_TRUE(form.pEditFilePath->isReadOnly());
    EXPECT_FALSE(form.pEditFilePath->dragEnabled());
    EXPECT_FALSE(form.mEditAddrOffset->isReadOnly());
    EXPECT_EQ(form.mEditAddrOffset->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(form.pC51SZ->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    for (QCheckBox* box : {form.checkBoxVerify, form.checkBoxResetDevice}) {
        EXPECT_FALSE(box->isTristate());
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(box->layoutDirection(), Qt::LeftToRight);
    }
    EXPECT_TRUE(form.CheckMainProg->isChecked());
    EXPECT_FALSE(form.CheckMainProg->isTristate());
}

TEST_F(FormTest, StyleSheetsNameAnInstalledCjkFallback) {
    // "微软雅黑" is a Windows font; the fallback family must exist so captions render.
    form.label_3->ensurePolished();
    EXPECT_TRUE(form.label_3->font().families().contains("WenQuanYi Micro Hei"))
        << form.label_3->font().families().join(",").toStdString();
}
