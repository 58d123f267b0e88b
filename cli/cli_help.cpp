#include "cli/cli_help.h"

#include "cli/option_table.h"

namespace {

constexpr int kWidth = 80;
constexpr int kDescriptionColumn = 30;
const QString kIndent = QStringLiteral("  ");

const char kNotes[] =
    "Each command lists its own options: dovrane-cli COMMAND --help.\n"
    "\n"
    "Boot software is taken from CfgFile/boot_sw.hex under the current directory when\n"
    "the device asks for it; working files go to that CfgFile directory too.\n"
    "\n"
    "Exit status: 0 success, 1 file routine or version lookup failed, 2 usage error,\n"
    "3 no such device, 4 device open failed, 5 image preparation failed,\n"
    "6 write failed, 7 verify failed, 8 flash --all: some cameras failed,\n"
    "9 the --log file cannot be opened (nothing was flashed),\n"
    "10 the firmware went in but the reset after it failed, 11 the camera did not\n"
    "come back from its reset in time, or with another version than the file's,\n"
    "12 another program holds the camera for its own job (nothing was sent to it).\n";

// The words in lines of at most width characters; a longer word keeps a line to itself.
QStringList Wrap(const QStringList& words, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : words) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty()) {
        lines << line;
    }
    return lines;
}

// A row of a list: the term, its continuation lines indented further, and the description
// from its column on, below the term when the term reaches that column.
QString Row(const QStringList& term, const QString& description) {
    const QStringList termLines = Wrap(term, kWidth - 2 * kIndent.size());
    QStringList lines;
    for (const QString& line : termLines) {
        lines << (lines.isEmpty() ? kIndent : kIndent + kIndent) + line;
    }
    const QString margin(kDescriptionColumn, ' ');
    const QStringList descriptionLines =
        Wrap(description.split(' ', Qt::SkipEmptyParts), kWidth - kDescriptionColumn);
    int next = 0;
    if (lines.size() == 1 && lines[0].size() < kDescriptionColumn - 1) {
        lines[0] = lines[0].leftJustified(kDescriptionColumn) + descriptionLines.value(next++);
    }
    for (; next < descriptionLines.size(); ++next) {
        lines << margin + descriptionLines[next];
    }
    return lines.join('\n') + '\n';
}

// "-v, --verbose" or "--device N".
QString OptionTerm(const QCommandLineOption& option) {
    QStringList names;
    for (const QString& name : option.names()) {
        names << DashedName(name);
    }
    const QString value = option.valueName();
    return names.join(QStringLiteral(", ")) + (value.isEmpty() ? QString() : ' ' + value);
}

QString OptionRows(const std::vector<OptionSpec>& options) {
    QString rows;
    for (const OptionSpec& entry : options) {
        rows += Row({OptionTerm(entry.option)}, entry.option.description());
    }
    return rows;
}

// "flash", "FILE", "[--device N]", ...: the pieces a line may break between.
QStringList Synopsis(const CommandSpec& command) {
    QStringList pieces = QStringList(command.name) + command.arguments;
    for (const OptionSpec& entry : command.options) {
        const QString value = entry.option.valueName();
        pieces << '[' + DashedName(entry.option.names().constLast()) +
                      (value.isEmpty() ? QString() : ' ' + value) + ']';
    }
    return pieces;
}

QString ToolHelp() {
    QString text = QStringLiteral(
        "Usage: dovrane-cli [global options] COMMAND [arguments]\n"
        "\n"
        "Commands:\n");
    for (const CommandSpec& command : Commands()) {
        text += Row(Synopsis(command), command.summary);
    }
    text += QStringLiteral("\nGlobal options:\n") + OptionRows(GlobalOptions()) + '\n' + kNotes;
    return text;
}

QString CommandHelp(const CommandSpec& command) {
    const QStringList usage = Wrap(
        QStringList{"Usage:", "dovrane-cli", "[global options]"} + Synopsis(command), kWidth - 7);
    QString text = usage.join(QStringLiteral("\n       ")) + '\n' + command.summary + '\n';
    if (!command.options.empty()) {
        text += QStringLiteral("\nOptions:\n") + OptionRows(command.options);
    }
    return text + QStringLiteral("\nThe global options: dovrane-cli --help.\n");
}

}  // namespace

QString CliHelpText(const QString& command) {
    const CommandSpec* entry = FindCommand(command);
    return entry != nullptr ? CommandHelp(*entry) : ToolHelp();
}
