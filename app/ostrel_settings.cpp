#include <QSettings>

#include "app/ostrel.h"

namespace {

Qt::CheckState CheckStateFromText(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok && number != 0 ? Qt::Checked : Qt::Unchecked;
}

QString TextFromCheckState(int state) {
    if (state == Qt::Checked) {
        return QStringLiteral("2");
    }
    return state == Qt::Unchecked ? QStringLiteral("0") : QStringLiteral("1");
}

}  // namespace

void Ostrel::WriteCfgValue(const QString& key, const QString& value) {
    QSettings settings(cfgDirPath + QStringLiteral("/Cfg.ini"), QSettings::IniFormat);
    settings.setValue(key, value);
}

void Ostrel::ReadCfgValue(const QString& key, QString& value) {
    const QSettings settings(cfgDirPath + QStringLiteral("/Cfg.ini"), QSettings::IniFormat);
    value = settings.value(key, QVariant()).toString();
}

void Ostrel::RestoreSettings() {
    QString value;
    ReadCfgValue(QStringLiteral("/Firmware/Path"), value);
    ui.pEditFilePath->setText(value);
    ReadCfgValue(QStringLiteral("/DownloadSet/Verify"), value);
    ui.checkBoxVerify->setCheckState(CheckStateFromText(value));
    ReadCfgValue(QStringLiteral("/DownloadSet/ResetDevice"), value);
    ui.checkBoxResetDevice->setCheckState(CheckStateFromText(value));
}

void Ostrel::on_checkBoxVerify_stateChanged(int state) {
    WriteCfgValue(QStringLiteral("/DownloadSet/Verify"), TextFromCheckState(state));
}

void Ostrel::on_checkBoxResetDevice_stateChanged(int state) {
    WriteCfgValue(QStringLiteral("/DownloadSet/ResetDevice"), TextFromCheckState(state));
}
