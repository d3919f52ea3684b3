// The host's value record: type names, readers with their conversions, the
// text form used by the call log, and the setters that allocate in host memory.
#pragma once

#include <string>

#include "napi/HostServices.h"
#include "napi/v8abi.h"

constexpr uint32_t kTypeMask = 0xFFF;

// The type as the host declares it: 16 bits; the two bytes above are padding.
inline uint16_t V8Type(const V8Variant& v) { return static_cast<uint16_t>(v.vt & 0xFFFF); }
// The type code without flags.
inline uint16_t V8BaseType(const V8Variant& v) { return V8Type(v) & kTypeMask; }
// Writers store all 32 bits so that the padding is never left dirty.
inline void V8SetType(V8Variant& v, uint16_t type) { v.vt = type; }

bool V8IsString(const V8Variant& v);
const char16_t* V8AsPWChar(const V8Variant& v);
std::u16string V8AsWString(const V8Variant& v);
int32_t V8AsInteger(const V8Variant& v);
double V8AsDouble(const V8Variant& v);
bool V8AsBoolean(const V8Variant& v);
double V8AsDateTime(const V8Variant& v);

std::u16string V8TypeName(const V8Variant& v);
std::u16string V8ToText(const V8Variant& v);
double V8TmToDateTime(const V8Tm& tm);

char16_t* V8AllocWString(TV8MemoryManager* memoryManager, std::u16string_view s);

// Setters. Each clears the record first, returning host memory it held.
void V8ClearVar(TV8MemoryManager* mm, V8Variant& v);
void V8SetBool(TV8MemoryManager* mm, V8Variant& v, bool value);
void V8SetInt(TV8MemoryManager* mm, V8Variant& v, int32_t value);
void V8SetInt64(TV8MemoryManager* mm, V8Variant& v, int64_t value);
void V8SetDouble(TV8MemoryManager* mm, V8Variant& v, double value);
void V8SetDate(TV8MemoryManager* mm, V8Variant& v, double value);
bool V8SetWString(TV8MemoryManager* mm, V8Variant& v, std::u16string_view value);
bool V8SetPChar(TV8MemoryManager* mm, V8Variant& v, const char* value);
bool V8SetString(TV8MemoryManager* mm, V8Variant& v, const std::string& value);
bool V8SetBlob(TV8MemoryManager* mm, V8Variant& v, const void* value, uint32_t length);
