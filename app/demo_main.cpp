#include "app/run_window.h"

// Dovrane with the simulated cameras attached instead of real ones.
int main(int argc, char** argv) {
    return RunWindow(argc, argv, PlatformKind::kSimulated);
}
