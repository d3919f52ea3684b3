// A minimal host for unit tests: a memory manager that tracks its blocks and
// can be told to fail, and a connection that records error reports. Each host
// object's table pointer is its first member, as the host's object model has it.
#pragma once

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "napi/HostServices.h"

struct TestMemory {
    TV8MemoryManager iface{&kTable};
    std::map<void*, uint32_t> blocks;
    std::vector<uint32_t> allocations;  // sizes asked for, in order
    int frees = 0;
    int badFrees = 0;
    int failNext = 0;

    static TestMemory& Of(void* self) { return *reinterpret_cast<TestMemory*>(self); }

    static bool V8_CALL Alloc(void* self, void** p, V8ULong n) {
        auto& m = Of(self);
        m.allocations.push_back(n);
        if (m.failNext > 0) {
            --m.failNext;
            return false;
        }
        *p = std::malloc(n ? n : 1);
        m.blocks[*p] = n;
        return true;
    }
    static void V8_CALL Free(void* self, void** p) {
        auto& m = Of(self);
        auto it = m.blocks.find(*p);
        if (it == m.blocks.end()) {
            ++m.badFrees;
            return;
        }
        std::free(*p);
        m.blocks.erase(it);
        ++m.frees;
        *p = nullptr;
    }
    static constexpr V8MemoryManagerVtbl kTable{{}, Alloc, Free};

    bool Owns(const void* p) const { return blocks.count(const_cast<void*>(p)) != 0; }
    void Release(const void* p) {
        void* q = const_cast<void*>(p);
        Free(this, &q);
    }
    TV8MemoryManager* mm() { return &iface; }
    ~TestMemory() {
        for (auto& [p, n] : blocks) std::free(p);
    }
};

struct TestConnection {
    TV8AddInDefBaseEx iface{&kTable};
    struct Report {
        uint16_t code;
        std::u16string source, description;
        V8Long scode;
    };
    std::vector<Report> reports;

    static TestConnection& Of(void* self) { return *reinterpret_cast<TestConnection*>(self); }
    static bool V8_CALL AddError(void* self, uint16_t code, const V8Char* source, const V8Char* descr, V8Long scode) {
        Of(self).reports.push_back({code, source ? source : u"", descr ? descr : u"", scode});
        return true;
    }
    static constexpr V8AddInDefBaseVtbl kTable{{}, AddError, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
};
