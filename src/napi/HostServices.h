// The host's memory manager and connection as the component calls them: the
// host hands over pointers to objects whose first word is the host's table, and
// every operation is an entry of that table called by index.
#pragma once

#include "napi/v8abi.h"

struct TV8MemoryManager {
    const V8MemoryManagerVtbl* vtbl;

    bool AllocMemory(void** pMemory, V8ULong ulCountByte) { return vtbl->AllocMemory(this, pMemory, ulCountByte); }
    void FreeMemory(void** pMemory) { vtbl->FreeMemory(this, pMemory); }
};

struct TV8AddInDefBaseEx {
    const V8AddInDefBaseVtbl* vtbl;

    bool AddError(uint16_t wcode, const char16_t* source, const char16_t* descr, V8Long scode) {
        return vtbl->AddError(this, wcode, source, descr, scode);
    }
    bool ExternalEvent(char16_t* source, char16_t* message, char16_t* data) {
        return vtbl->ExternalEvent(this, source, message, data);
    }
};

// The codes that the component reports errors with.
constexpr uint16_t kAddInErrorCode = 1006;
constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
