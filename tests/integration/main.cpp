// The integration tests take the test component's path as their one
// positional argument; everything else goes to doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include "Fixture.h"

#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    std::vector<char*> forwarded;
    const char* component = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && component == nullptr && std::string_view(argv[i]).substr(0, 1) != "-") {
            component = argv[i];
        } else {
            forwarded.push_back(argv[i]);
        }
    }
    if (component == nullptr) {
        std::fprintf(stderr, "usage: integration_tests COMPONENT.dll [doctest options]\n");
        return 2;
    }
    fixture::SetComponentPath(component);
    try {
        fixture::TestLibrary();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    doctest::Context context(static_cast<int>(forwarded.size()), forwarded.data());
    return context.run();
}
