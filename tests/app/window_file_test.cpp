#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include "tests/app/window_fixture.h"

namespace {

class FileTest : public WindowTest {
  protected:
    QString MakeFile(const QString& name, int size, uint8_t last0 = 0, uint8_t last1 = 0) {
        QByteArray bytes(size, '\0');
        if (size >= 2) {
            bytes[size - 2] = static_cast<char>(last0);
            bytes[size - 1] = static_cast<char>(last1);
        }
        QFile file(workDir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    void Choose(const QString& path) {
        window->SetFileChooser(
            [this, path](QWidget* parent, const QString& startAt, const QString& filter) {
                EXPECT_EQ(parent, window.get());
                EXPECT_EQ(filter, "*.hex *.bin ;; *.*");
                startLocations << startAt;
                return path;
            });
        QMetaObject::invokeMethod(window.get(), "on_pButnFileC51_clicked");
    }

    QStringList startLocations;
};

}  // namespace

struct FileCase {
    const char* name;
    const char* fileName;
    int size;
    uint8_t high;
    uint8_t low;
    const char* sizeLabel;
    const char* versionLabel;
};

class ChooseFirmware : public FileTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ChooseFirmware, ShowsSizeAndVersionAndRemembersThePath) {
    const FileCase& c = GetParam();
    Open();
    const QString path = MakeFile(c.fileName, c.size, c.high, c.low);
    Choose(path);
    EXPECT_EQ(Widget<QLineEdit>("pEditFilePath")->text(), path);
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), c.sizeLabel);
    EXPECT_EQ(Widget<QLabel>("label_FW_Ver")->text(), c.versionLabel);
    QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("/Firmware/Path").toString(), path);
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ChooseFirmware,
    ::testing::Values(
        FileCase{"CarriesVersion", "app.bin", 81926, 0x1A, 0x5F, "81926 B", "V1a.5.f"},
        FileCase{"TooShortForAVersion", "app.bin", 81925, 0x01, 0x23, "81925 B", ""},
        FileCase{"HexIsNotOpenedForAVersion", "APP.HEX", 81926, 0x01, 0x23, "81926 B", ""},
        FileCase{"ChineseName", "固件.bin", 81926, 0x01, 0x23, "81926 B", "V1.2.3"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(FileTest, CancelChangesNothingAndTheNextDialogStartsAtTheLastChoice) {
    Open();
    Choose(QString());
    EXPECT_TRUE(Widget<QLineEdit>("pEditFilePath")->text().isEmpty());
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), "0");
    EXPECT_FALSE(QFile::exists(CfgPath("Cfg.ini")));

    const QString path = MakeFile("a.bin", 10);
    Choose(path);
    Choose(QString());
    EXPECT_EQ(Widget<QLineEdit>("pEditFilePath")->text(), path);
    EXPECT_EQ(startLocations, (QStringList{QString(), QString(), path}));
}

TEST_F(FileTest, ChosenPathIsRestoredAtTheNextStart) {
    Open();
    const QString path = MakeFile("b.bin", 2048);
    Choose(path);
    window.reset();
    Open();
    EXPECT_EQ(Widget<QLineEdit>("pEditFilePath")->text(), path);
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), "2048B");
}
