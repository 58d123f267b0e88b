#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// Every message of the window: a modal box without parent, titled "提示", one Yes button that
// is also the default. Tests replace the presenter to capture boxes without a person clicking.
using MessagePresenter = std::function<void(QMessageBox::Icon icon, const QString& text)>;

void ShowMessageBox(QMessageBox::Icon icon, const QString& text);
