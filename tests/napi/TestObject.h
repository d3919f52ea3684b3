// The test classes loaded as the component would load them, and one object of
// theirs driven through its tables as a host would.
#pragma once

#include <doctest.h>

#include "fixtures/TestClasses.h"
#include "napi/Component.h"
#include "napi/TestHost.h"
#include "napi/V8Variant.h"

struct Loaded {
    Loaded() {
        ComponentLoad();
        RegisterTestClasses();
    }
    ~Loaded() { ComponentUnload(); }
};

// One component object of the host's, with its memory manager and connection.
struct Object {
    TestMemory memory;
    TestConnection connection;
    void* block = nullptr;

    explicit Object(const char16_t* name, bool connect = true) {
        REQUIRE(NapiGetClassObject(name, &block) == 1);
        if (connect) {
            REQUIRE(initDone().setMemManager(block, &memory));
            REQUIRE(initDone().Init(block, &connection));
        }
    }
    ~Object() { NapiDestroyObject(&block); }

    void** words() const { return static_cast<void**>(block); }
    const V8InitDoneVtbl& initDone() const { return *static_cast<const V8InitDoneVtbl*>(words()[0]); }
    const V8LanguageExtenderVtbl& ext() const { return *static_cast<const V8LanguageExtenderVtbl*>(words()[1]); }
    void* extSelf() const { return words() + 1; }

    std::u16string Take(const V8Char* text) {
        REQUIRE(text != nullptr);
        CHECK(memory.Owns(text));
        std::u16string copy = text;
        memory.Release(text);
        return copy;
    }
};

