#include "app/message_box.h"

void ShowMessageBox(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("提示"), text, QMessageBox::Yes);
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
}
