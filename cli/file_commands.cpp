#include <cstdio>
#include <functional>

#include "cli/commands.h"
#include "image/fw_image.h"
#include "image/hex_to_bin.h"
#include "image/version_label.h"

namespace {

QString CodeMeaning(const QString& command, int code) {
    if (code == kFileTooLarge) {
        return QStringLiteral("the input is 2 GiB or larger");
    }
    if (command == "pack") {
        switch (code) {
            case -1:
                return QStringLiteral("the input cannot be read");
            case -2:
                return QStringLiteral("the output cannot be written");
            case -3:
                return QStringLiteral("not enough memory");
            default:
                break;
        }
    }
    return QStringLiteral(
        "the input cannot be read, is not a 16-bit Intel HEX file, or the output "
        "cannot be written");
}

// Runs one file routine on IN and OUT and turns its code into a message and an exit status.
int RunFileRoutine(const CliOptions& options,
                   const std::function<int(const char*, const char*)>& routine) {
    const QByteArray in = options.arguments[0].toLocal8Bit();
    const QByteArray out = options.arguments[1].toLocal8Bit();
    const int code = routine(in.constData(), out.constData());
    if (code == 0) {
        return kExitOk;
    }
    std::fprintf(stderr, "%s: %s -> %s failed with %d: %s\n",
                 options.command.toLocal8Bit().constData(), in.constData(), out.constData(), code,
                 CodeMeaning(options.command, code).toLocal8Bit().constData());
    return kExitFailure;
}

}  // namespace

int RunVersion(const CliOptions& options) {
    const int version = ReadFwVersion(options.arguments[0].toLocal8Bit().constData());
    if (version < 0) {
        return kExitFailure;
    }
    std::printf("%s\n",
                FormatVersionLabel(static_cast<uint16_t>(version)).toLocal8Bit().constData());
    return kExitOk;
}

int RunHexToBin(const CliOptions& options) {
    return RunFileRoutine(options, HexToBin);
}

int RunPack(const CliOptions& options) {
    return RunFileRoutine(options, PackFwImage);
}
