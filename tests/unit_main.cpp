#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <cstring>

#include "log/LogTestSupport.h"

int main(int argc, char** argv) {
    // The test program doubles as the second process of the cross-process log test.
    if (argc >= 2 && std::strcmp(argv[1], kLogChildArgument) == 0) return RunLogChild(argc, argv);
    doctest::Context context(argc, argv);
    return context.run();
}
