#pragma once

#include <QString>

// The help of one command, or of the whole tool when command names none.
QString CliHelpText(const QString& command = QString());
