#include "app/run_window.h"

int main(int argc, char** argv) {
    return RunWindow(argc, argv, PlatformKind::kNative);
}
