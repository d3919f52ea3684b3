// The component's side of the host interface: the component block, the three
// interface tables and the work behind the three exported entry points.
#pragma once

#include <cstdint>

#include "napi/v8abi.h"

// Load-time and unload-time work of the boundary: the registry and the class names.
void ComponentLoad();
void ComponentUnload();

const char16_t* NapiGetClassNames();
V8Long NapiGetClassObject(const char16_t* className, void** component);
V8Long NapiDestroyObject(void** component);

// The tables every component block points at (exposed for tests of the layout).
const V8InitDoneVtbl& InitDoneTable();
const V8LanguageExtenderVtbl& LanguageExtenderTable();
const V8LocaleVtbl& LocaleTable();
