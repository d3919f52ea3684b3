// The four table entries that run component code, and the error boundary
// around them: nothing raised below reaches the host as an exception.
#pragma once

#include "napi/UserObject.h"

bool DispatchCallAsFunc(TV8UserObject& object, int32_t method, V8Variant* retValue, V8Variant* params, int32_t count);
bool DispatchCallAsProc(TV8UserObject& object, int32_t method, V8Variant* params, int32_t count);
bool DispatchGetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value);
bool DispatchSetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value);

// "[" + the parameters' texts joined by "; " + "]"; a binary parameter shows as "BLOB".
std::u16string ParamList(const V8Variant* params, int32_t count);
