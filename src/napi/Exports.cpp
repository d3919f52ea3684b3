// The three entry points the host looks up by name. Compiled into each DLL.
#include "napi/Component.h"

#ifdef _WIN32
#define MCR_EXPORT extern "C" __declspec(dllexport)
#else
#define MCR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

MCR_EXPORT const char16_t* GetClassNames() { return NapiGetClassNames(); }

MCR_EXPORT V8Long GetClassObject(const char16_t* className, void** component) {
    return NapiGetClassObject(className, component);
}

MCR_EXPORT V8Long DestroyObject(void** component) { return NapiDestroyObject(component); }
