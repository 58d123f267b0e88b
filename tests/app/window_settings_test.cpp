#include <QCheckBox>
#include <QFile>
#include <QSettings>

#include "tests/app/window_fixture.h"

namespace {

struct RestoreCase {
    const char* name;
    const char* stored;
    bool checked;
    const char* afterRestore;  // the text in the file once the window is up
};

class RestoreOption : public WindowTest, public ::testing::WithParamInterface<RestoreCase> {};

}  // namespace

TEST_P(RestoreOption, ReadsBothOptionsAndRewritesOnlyWhatTheRestoreChecks) {
    const RestoreCase& c = GetParam();
    {
        QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
        settings.setValue("/DownloadSet/Verify", c.stored);
        settings.setValue("/DownloadSet/ResetDevice", c.stored);
    }
    Open();
    EXPECT_EQ(Widget<QCheckBox>("checkBoxVerify")->isChecked(), c.checked);
    EXPECT_EQ(Widget<QCheckBox>("checkBoxResetDevice")->isChecked(), c.checked);
    QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("/DownloadSet/Verify").toString(), c.afterRestore);
    EXPECT_EQ(settings.value("/DownloadSet/ResetDevice").toString(), c.afterRestore);
}

INSTANTIATE_TEST_SUITE_P(Stored, RestoreOption,
                         ::testing::Values(RestoreCase{"One", "1", true, "2"},
                                           RestoreCase{"Seven", "7", true, "2"},
                                           RestoreCase{"Zero", "0", false, "0"},
                                           RestoreCase{"NotANumber", "yes", false, "yes"},
                                           RestoreCase{"Empty", "", false, ""}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(WindowTest, NoSettingsFileIsCreatedUntilAnOptionChanges) {
    Open();
    EXPECT_FALSE(QFile::exists(CfgPath("Cfg.ini")));
    EXPECT_TRUE(Widget<QLineEdit>("pEditFilePath")->text().isEmpty());
    EXPECT_FALSE(Widget<QCheckBox>("checkBoxVerify")->isChecked());

    Widget<QCheckBox>("checkBoxVerify")->click();
    {
        QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
        EXPECT_EQ(settings.value("/DownloadSet/Verify").toString(), "2");
        EXPECT_FALSE(settings.contains("/DownloadSet/ResetDevice"));
    }
    Widget<QCheckBox>("checkBoxVerify")->click();
    Widget<QCheckBox>("checkBoxResetDevice")->click();
    QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("/DownloadSet/Verify").toString(), "0");
    EXPECT_EQ(settings.value("/DownloadSet/ResetDevice").toString(), "2");
}
