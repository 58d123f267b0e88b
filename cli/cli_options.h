#pragma once

#include <QString>
#include <QStringList>

// Exit statuses, as the help text documents them.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,     // a file routine or a version lookup failed
    kExitUsage = 2,       // bad arguments
    kExitNoDevice = 3,    // no device, or no device with that index
    kExitOpen = 4,        // the open sequence failed
    kExitPrepare = 5,     // image preparation failed
    kExitWrite = 6,       // the write pass failed
    kExitVerify = 7,      // the verify pass failed
    kExitSomeFailed = 8,  // flash --all: at least one camera failed (each one's cause is shown)
    kExitLog = 9,         // the flash log cannot be opened; nothing was flashed
    kExitReset = 10,      // the firmware went in but the reset after it failed
    kExitReturn = 11,     // the camera did not come back from its reset, or with another version
    kExitBusy = 12,       // another process holds the camera for its own job
};

inline constexpr int kMaxSimulatedCameras = 10;  // the device table's slots

// What the command line asks for. Each field is filled by one line of the option tables in
// cli_options.cpp, which also give its help text.
struct CliOptions {
    QString command;
    QStringList arguments;  // positional arguments after the command
    bool help = false;
    bool version = false;
    bool simulate = false;
    QString simulateFault;      // a fault for the simulated cameras: KIND or KIND@N
    int simulateCameras = 0;    // how many simulated cameras; 0 for the two demo cameras
    int simulatePlugEvery = 0;  // ms between simulated arrivals; 0: all present at start
    QString tracePath;
    bool json = false;
    bool verbose = false;
    int device = 0;
    QString address = QStringLiteral("0");
    bool verify = false;
    bool reset = false;
    bool all = false;          // flash every camera in the list at once
    QStringList only;          // VID:PID pairs that restrict --all
    QString logPath;           // a JSON Lines file that gets one record per camera and job
    int returnTimeout = 15;    // seconds a camera has to come back after its reset
    bool skipPresent = false;  // watch: leave the cameras present at the start alone
    int count = 0;             // watch: stop after this many cameras; 0 for no limit
};

// Parses argv[1..]; on failure returns false with the reason in *error.
bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error);
