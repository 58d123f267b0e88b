#include "cli/cli_options.h"

#include "cli/option_table.h"

#include <QRegularExpression>

namespace {

// What a value option accepts, and the words that say so when it refuses a value.
struct ValueRule {
    bool (*accepts)(const QString& text);
    const char* expected;
};

bool IsAnything(const QString&) {
    return true;
}

bool IsIndex(const QString& text) {
    bool ok = false;
    return text.toInt(&ok, 10) >= 0 && ok;
}

bool IsHexNumber(const QString& text) {
    bool ok = false;
    text.toInt(&ok, 16);  // the rule image preparation reads the address with
    return ok;
}

bool IsCameraCount(const QString& text) {
    bool ok = false;
    const int count = text.toInt(&ok, 10);
    return ok && count >= 1 && count <= kMaxSimulatedCameras;
}

bool IsPositive(const QString& text) {
    bool ok = false;
    return text.toInt(&ok, 10) > 0 && ok;
}

bool IsUsbId(const QString& text) {
    static const QRegularExpression kUsbId(QStringLiteral("^[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}$"));
    return kUsbId.match(text).hasMatch();
}

const ValueRule kAnything{IsAnything, ""};
const ValueRule kCameraCount{IsCameraCount, "a number of cameras from 1 to 10"};
const ValueRule kUsbIdPair{IsUsbId, "a USB id such as 1d6b:0102"};
const ValueRule kPositive{IsPositive, "a positive whole number"};
const ValueRule kDeviceIndex{IsIndex, "a device index (0, 1, ...)"};
const ValueRule kHexAddress{IsHexNumber, "a hexadecimal address such as 8000"};

OptionSpec Flag(const QStringList& names, const QString& description, bool CliOptions::*field) {
    const QCommandLineOption option(names, description);
    return {option,
            [option, field](const QCommandLineParser& parser, CliOptions* options, QString*) {
                if (parser.isSet(option)) {
                    options->*field = true;
                }
                return true;
            }};
}

// An option with a value; set receives the last value given once rule accepts it.
OptionSpec Valued(const QStringList& names, const QString& valueName, const QString& description,
                  const ValueRule& rule,
                  const std::function<void(CliOptions*, const QString&)>& set) {
    const QCommandLineOption option(names, description, valueName);
    return {option, [option, rule, set](const QCommandLineParser& parser, CliOptions* options,
                                        QString* error) {
                if (!parser.isSet(option)) {
                    return true;
                }
                const QString text = parser.value(option);
                if (!rule.accepts(text)) {
                    *error = QStringLiteral("--%1 takes %2, not '%3'")
                                 .arg(option.names().constLast(), rule.expected, text);
                    return false;
                }
                set(options, text);
                return true;
            }};
}

// An option that may be given again: each value is kept, in order.
OptionSpec Repeated(const QStringList& names, const QString& valueName, const QString& description,
                    QStringList CliOptions::*field, const ValueRule& rule) {
    const QCommandLineOption option(names, description, valueName);
    return {option, [option, field, rule](const QCommandLineParser& parser, CliOptions* options,
                                          QString* error) {
                for (const QString& text : parser.values(option)) {
                    if (!rule.accepts(text)) {
                        *error = QStringLiteral("--%1 takes %2, not '%3'")
                                     .arg(option.names().constLast(), rule.expected, text);
                        return false;
                    }
                    (options->*field) << text;
                }
                return true;
            }};
}

OptionSpec Text(const QStringList& names, const QString& valueName, const QString& description,
                QString CliOptions::*field, const ValueRule& rule = kAnything) {
    return Valued(names, valueName, description, rule,
                  [field](CliOptions* options, const QString& text) { options->*field = text; });
}

OptionSpec Number(const QStringList& names, const QString& valueName, const QString& description,
                  int CliOptions::*field, const ValueRule& rule) {
    return Valued(names, valueName, description, rule,
                  [field](CliOptions* options, const QString& text) {
                      options->*field = text.toInt(nullptr, 10);
                  });
}

}  // namespace

// The one place that says which options exist: one line each.
const std::vector<OptionSpec>& GlobalOptions() {
    static const std::vector<OptionSpec> kOptions = {
        Flag({"simulate"}, "use the two simulated cameras instead of real ones",
             &CliOptions::simulate),
        Number({"simulate-cameras"}, "N",
               "use N simulated cameras (1 to 10; implies --simulate): the two demo kinds in "
               "turn, the second kind asking for boot software",
               &CliOptions::simulateCameras, kCameraCount),
        Number({"simulate-plug-every"}, "MS",
               "the simulated cameras arrive one by one, MS milliseconds apart, instead of "
               "being present at the start (implies --simulate)",
               &CliOptions::simulatePlugEvery, kPositive),
        Text({"simulate-fault"}, "KIND[@N]",
             "break the simulated cameras, or only camera N: handshake, write, verify, gone "
             "(not attached at all), stale (back from the reset on the old firmware), "
             "no-return (not back from the reset), pulled (pulled out in the middle of the "
             "write pass) or held (another program's job holds it)",
             &CliOptions::simulateFault),
        Text({"trace"}, "FILE",
             "write the simulated cameras' traffic to FILE, a '# camera N' section for each",
             &CliOptions::tracePath),
        Flag({"v", "verbose"}, "say why devices were passed over", &CliOptions::verbose),
        Flag({"h", "help"}, "this help; after a command, that command's options",
             &CliOptions::help),
        Flag({"version"}, "print the program's version", &CliOptions::version),
    };
    return kOptions;
}

const std::vector<CommandSpec>& Commands() {
    static const OptionSpec kDevice =
        Number({"device"}, "N", "the device's index in the list (default 0)", &CliOptions::device,
               kDeviceIndex);
    static const OptionSpec kAddress =
        Text({"address"}, "HEX", "where the firmware goes in the device (default 0)",
             &CliOptions::address, kHexAddress);
    static const OptionSpec kVerify =
        Flag({"verify"}, "read the firmware back and compare", &CliOptions::verify);
    static const OptionSpec kReset =
        Flag({"reset"},
             "reset the device after a successful download, then wait for it to come back and "
             "check the version it shows",
             &CliOptions::reset);
    static const OptionSpec kReturnTimeout = Number(
        {"return-timeout"}, "S", "seconds a camera has to come back after its reset (default 15)",
        &CliOptions::returnTimeout, kPositive);
    static const OptionSpec kOnly =
        Repeated({"only"}, "VID:PID",
                 "with --all or watch, only the cameras with this USB id (may be repeated)",
                 &CliOptions::only, kUsbIdPair);
    static const OptionSpec kLog =
        Text({"log"}, "FILE", "append one JSON record per camera and job to FILE (JSON Lines)",
             &CliOptions::logPath);
    static const std::vector<CommandSpec> kCommands = {
        {"list",
         {},
         "the devices as the window lists them",
         {Flag({"json"}, "print the list as a JSON array", &CliOptions::json)}},
        {"flash",
         {"FILE"},
         "download FILE (Intel HEX or binary) into device N",
         {kDevice, kAddress, kVerify, kReset, kReturnTimeout,
          Flag({"all"}, "flash every camera in the list at once, one job each", &CliOptions::all),
          kOnly,
          Flag({"json"}, "with --all, JSON Lines on stdout: start, progress and result events",
               &CliOptions::json),
          kLog}},
        {"watch",
         {"FILE"},
         "flash each camera as it is plugged in, until stopped (Ctrl+C) or --count is reached",
         {kAddress, kVerify, kReset, kReturnTimeout, kOnly,
          Flag({"skip-present"}, "leave the cameras present at the start alone",
               &CliOptions::skipPresent),
          Number({"count"}, "N", "stop once N cameras have finished", &CliOptions::count,
                 kPositive),
          Flag({"json"}, "one JSON object per result on stdout (JSON Lines)", &CliOptions::json),
          kLog}},
        {"reset", {}, "reset device N (addressed at node 1)", {kDevice}},
        {"version", {"FILE"}, "the firmware version a binary file carries", {}},
        {"hex2bin", {"IN", "OUT"}, "convert an Intel HEX file to a flat binary", {}},
        {"pack", {"IN", "OUT"}, "turn a binary into the chunked download image", {}},
    };
    return kCommands;
}

QString DashedName(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + name;
}

const CommandSpec* FindCommand(const QString& name) {
    for (const CommandSpec& command : Commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

namespace {

using OptionList = std::vector<const OptionSpec*>;

// The global options and those of command; with no command, those of every command too.
OptionList KnownOptions(const CommandSpec* command) {
    OptionList known;
    for (const OptionSpec& option : GlobalOptions()) {
        known.push_back(&option);
    }
    for (const CommandSpec& each : Commands()) {
        if (command == nullptr || command == &each) {
            for (const OptionSpec& option : each.options) {
                known.push_back(&option);
            }
        }
    }
    return known;
}

bool IsSpellingOf(const QString& arg, const QCommandLineOption& option) {
    for (const QString& name : option.names()) {
        if (arg == "-" + name || arg == "--" + name) {
            return true;
        }
    }
    return false;
}

// What the parser refused, in the tool's own words.
QString ParseError(const QCommandLineParser& parser, const OptionList& known,
                   const QStringList& args) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        return QStringLiteral("unknown option %1").arg(DashedName(unknown.constFirst()));
    }
    // The parser takes whatever follows a value option, so only the last argument can lack one.
    for (const OptionSpec* entry : known) {
        if (!entry->option.valueName().isEmpty() && IsSpellingOf(args.constLast(), entry->option)) {
            return QStringLiteral("%1 needs a value").arg(args.constLast());
        }
    }
    // Otherwise a flag was given a value, as in --verify=1.
    for (const QString& arg : args) {
        const QString name = arg.section('=', 0, 0);
        for (const OptionSpec* entry : known) {
            if (name != arg && entry->option.valueName().isEmpty() &&
                IsSpellingOf(name, entry->option)) {
                return QStringLiteral("%1 takes no value").arg(name);
            }
        }
    }
    return parser.errorText();
}

bool Parse(QCommandLineParser* parser, const OptionList& known, const QStringList& args,
           QString* error) {
    QStringList names;  // an option that two commands share is added once
    for (const OptionSpec* entry : known) {
        if (!names.contains(entry->option.names().constFirst())) {
            names += entry->option.names();
            parser->addOption(entry->option);
        }
    }
    if (parser->parse(QStringList(QStringLiteral("dovrane-cli")) + args)) {
        return true;
    }
    *error = ParseError(*parser, known, args);
    return false;
}

}  // namespace

bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error) {
    // Options may stand before the command, so the command is found with every option known:
    // otherwise an option's value could pass for it.
    QCommandLineParser everything;
    if (!Parse(&everything, KnownOptions(nullptr), args, error)) {
        return false;
    }
    options->command = everything.positionalArguments().value(0);
    const CommandSpec* command = FindCommand(options->command);

    const OptionList known = KnownOptions(command);
    QCommandLineParser parser;
    if (!Parse(&parser, known, args, error)) {
        return false;
    }
    for (const OptionSpec* entry : known) {
        if (!entry->store(parser, options, error)) {
            return false;
        }
    }
    options->arguments = parser.positionalArguments().mid(1);
    if (options->help || options->version) {
        return true;
    }
    if (options->command.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    if (command == nullptr) {
        *error = QStringLiteral("unknown command %1").arg(options->command);
        return false;
    }
    if (!options->only.isEmpty() && !options->all && options->command != "watch") {
        *error = QStringLiteral("--only needs --all");
        return false;
    }
    if (options->all && options->device != 0) {
        *error = QStringLiteral("--device and --all exclude each other");
        return false;
    }
    if (options->simulateCameras > 0 || options->simulatePlugEvery > 0) {
        options->simulate = true;
    }
    if (options->arguments.size() != command->arguments.size()) {
        *error = QStringLiteral("%1 takes %2 argument(s)")
                     .arg(options->command)
                     .arg(command->arguments.size());
        return false;
    }
    return true;
}
