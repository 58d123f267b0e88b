#pragma once

#include <QString>
#include <QStringList>

// Exit statuses, as the help text documents them.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,   // a file routine or a version lookup failed
    kExitUsage = 2,     // bad arguments
    kExitNoDevice = 3,  // no device, or no device with that index
    kExitOpen = 4,      // the open sequence failed
    kExitPrepare = 5,   // image preparation failed
    kExitWrite = 6,     // the write pass failed
    kExitVerify = 7,    // the verify pass failed
};

// What the command line asks for. Each field is filled by one line of the option tables in
// cli_options.cpp, which also give its help text.
struct CliOptions {
    QString command;
    QStringList arguments;  // positional arguments after the command
    bool help = false;
    bool version = false;
    bool simulate = false;
    QString simulateFault;  // a fault for the simulated cameras: handshake, write, verify, gone
    QString tracePath;
    bool json = false;
    bool verbose = false;
    int device = 0;
    QString address = QStringLiteral("0");
    bool verify = false;
    bool reset = false;
};

// Parses argv[1..]; on failure returns false with the reason in *error.
bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error);
