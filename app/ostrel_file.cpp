#include <QDir>
#include <QFileInfo>

#include "app/ostrel.h"
#include "image/version_label.h"

void Ostrel::on_pButnFileC51_clicked() {
    const QString current = ui.pEditFilePath->text();
    const QString chosen = chooseFile_(this, current, QStringLiteral("*.hex *.bin ;; *.*"));
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = QDir::toNativeSeparators(chosen);
    ui.pEditFilePath->setText(path);
    WriteCfgValue(QStringLiteral("/Firmware/Path"), path);
    ui.pC51SZ->setText(QString::asprintf("%lld B", QFileInfo(path).size()));
    const std::optional<uint16_t> version = FileVersionWord(path);
    ui.label_FW_Ver->setText(version ? FormatVersionLabel(*version) : QString());
}

FlashOrder Ostrel::LoadOrder() const {
    return {{cfgDirPath, ui.pEditFilePath->text(), ui.mEditAddrOffset->text(),
             ui.CheckMainProg->checkState() == Qt::Checked},
            ui.checkBoxVerify->isChecked(),
            ui.checkBoxResetDevice->isChecked(),
            std::nullopt};  // the window checks no return
}
