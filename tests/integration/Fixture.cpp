#include "Fixture.h"

#include <optional>
#include <stdexcept>

namespace fixture {
namespace {

std::filesystem::path& ComponentPath() {
    static std::filesystem::path path;
    return path;
}

hostsim::Component CreateOrThrow(std::u16string_view className) {
    auto component = hostsim::Component::Create(TestLibrary(), className);
    if (!component) {
        throw std::runtime_error("GetClassObject refused a class the test component registers");
    }
    return std::move(*component);
}

}  // namespace

void SetComponentPath(const std::filesystem::path& path) { ComponentPath() = path; }

const hostsim::Library& TestLibrary() {
    static const hostsim::Library library = hostsim::Library::Load(ComponentPath());
    return library;
}

Session::Session(std::u16string_view className, Start start) : component(CreateOrThrow(className)) {
    component.SetMemManager(&memory);
    if (start == Start::WithInit) {
        component.Init(&connection);
    }
    component.GetInfo();
    component.SetLocale(u"ru_RU");
}

void* Word(void* block, std::size_t index) { return static_cast<void**>(block)[index]; }

}  // namespace fixture
