#include "cli/cli_options.h"

namespace {

struct Arity {
    const char* command;
    int positional;
};
const Arity kArities[] = {{"list", 0},    {"flash", 1},   {"reset", 0},
                          {"version", 1}, {"hex2bin", 2}, {"pack", 2}};

bool TakeValue(const QStringList& args, int* i, QString* value, QString* error) {
    if (*i + 1 >= args.size()) {
        *error = QStringLiteral("%1 needs a value").arg(args[*i]);
        return false;
    }
    *value = args[++*i];
    return true;
}

bool ParseDevice(const QString& text, int* device, QString* error) {
    bool ok = false;
    *device = text.toInt(&ok, 10);
    if (!ok || *device < 0) {
        *error = QStringLiteral("--device takes a device index (0, 1, ...), not '%1'").arg(text);
        return false;
    }
    return true;
}

bool CheckAddress(const QString& text, QString* error) {
    bool ok = false;
    text.toInt(&ok, 16);  // the rule image preparation reads the address with
    if (!ok) {
        *error = QStringLiteral("--address takes a hexadecimal address such as 8000, not '%1'")
                     .arg(text);
    }
    return ok;
}

}  // namespace

bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        if (arg == "-h" || arg == "--help") {
            options->help = true;
        } else if (arg == "--version") {
            options->version = true;
        } else if (arg == "--simulate") {
            options->simulate = true;
        } else if (arg == "--json") {
            options->json = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options->verbose = true;
        } else if (arg == "--verify") {
            options->verify = true;
        } else if (arg == "--reset") {
            options->reset = true;
        } else if (arg == "--trace") {
            if (!TakeValue(args, &i, &options->tracePath, error))
                return false;
        } else if (arg == "--simulate-fault") {
            if (!TakeValue(args, &i, &options->simulateFault, error))
                return false;
        } else if (arg == "--device") {
            if (!TakeValue(args, &i, &value, error) ||
                !ParseDevice(value, &options->device, error)) {
                return false;
            }
        } else if (arg == "--address") {
            if (!TakeValue(args, &i, &options->address, error) ||
                !CheckAddress(options->address, error)) {
                return false;
            }
        } else if (arg.startsWith('-') && arg.size() > 1) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        } else if (options->command.isEmpty()) {
            options->command = arg;
        } else {
            options->arguments << arg;
        }
    }
    if (options->help || options->version) {
        return true;
    }
    if (options->command.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    for (const Arity& arity : kArities) {
        if (options->command == arity.command) {
            if (options->arguments.size() != arity.positional) {
                *error = QStringLiteral("%1 takes %2 argument(s)")
                             .arg(options->command)
                             .arg(arity.positional);
                return false;
            }
            return true;
        }
    }
    *error = QStringLiteral("unknown command %1").arg(options->command);
    return false;
}

QString CliHelpText() {
    return QStringLiteral(
        "Usage: dovrane-cli [global options] COMMAND [arguments]\n"
        "\n"
        "Commands:\n"
        "  list [--json] [--verbose]     the devices as the window lists them\n"
        "  flash FILE [--device N] [--address HEX] [--verify] [--reset]\n"
        "                                download FILE (Intel HEX or binary) into device N\n"
        "  reset [--device N]            reset device N (addressed at node 1)\n"
        "  version FILE                  the firmware version a binary file carries\n"
        "  hex2bin IN OUT                convert an Intel HEX file to a flat binary\n"
        "  pack IN OUT                   turn a binary into the chunked download image\n"
        "\n"
        "Global options:\n"
        "  --simulate                    use the two simulated cameras instead of real ones\n"
        "  --simulate-fault KIND         break the simulated cameras: handshake, write, verify,\n"
        "                                or gone (no cameras at all)\n"
        "  --trace FILE                  write the simulated cameras' traffic to FILE\n"
        "  -v, --verbose                 say why devices were passed over\n"
        "  -h, --help, --version\n"
        "\n"
        "Boot software is taken from CfgFile/boot_sw.hex under the current directory when the\n"
        "device asks for it; working files go to that CfgFile directory too.\n"
        "\n"
        "Exit status: 0 success, 1 file routine or version lookup failed, 2 usage error,\n"
        "3 no such device, 4 device open failed, 5 image preparation failed, 6 write failed,\n"
        "7 verify failed.\n");
}
