#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <functional>
#include <vector>

#include "cli/cli_options.h"

// One option: its names, value name and help line, and how its value reaches CliOptions.
struct OptionSpec {
    QCommandLineOption option;
    // Copies what the parser found into *options; false with *error when the value is refused.
    std::function<bool(const QCommandLineParser& parser, CliOptions* options, QString* error)>
        store;
};

// One command: its name, the names of its positional arguments, a help line, its own options.
struct CommandSpec {
    QString name;
    QStringList arguments;
    QString summary;
    std::vector<OptionSpec> options;
};

// The options every command takes.
const std::vector<OptionSpec>& GlobalOptions();
const std::vector<CommandSpec>& Commands();
// The command of that name, or nullptr.
const CommandSpec* FindCommand(const QString& name);
// An option's name as it is typed: -v, --verbose.
QString DashedName(const QString& name);
