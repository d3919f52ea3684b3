#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <cstdlib>
#include <cstring>

#include "log/LogTestSupport.h"

int main(int argc, char** argv) {
    // The test program doubles as the second process of the cross-process log test.
    if (argc >= 2 && std::strcmp(argv[1], kLogChildArgument) == 0) return RunLogChild(argc, argv);
    doctest::Context context(argc, argv);
    // Under a user-mode CPU emulator (32-bit Wine on a machine that cannot run
    // 32-bit code) several busy threads crash the emulator itself, so the
    // cases named "[threads]" only run where the CPU is real.
    if (std::getenv("MCR_EMULATED_CPU")) context.addFilter("test-case-exclude", "*[threads]*");
    return context.run();
}
