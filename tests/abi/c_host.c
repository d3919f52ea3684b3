/*
 * A host written in plain C: proves the component's tables, block layout and
 * calling convention are usable without any C++ on the host's side. It walks
 * each table by index, drives one object through the host's start-up and
 * shut-down sequence with a memory manager and a connection of its own, and
 * prints one line per check. Exit status is the number of failed checks.
 *
 * On Linux the same checks run against the Itanium layout: two destructor
 * entries per table, the offset to the top and the type information before
 * each table, `long` counts and the 64-byte value record.
 *
 *   abi_c_host LIBRARY [CLASS]
 */
#include "v8abi.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <time.h>
#endif

#include <stdarg.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    BLOCK_WORDS = 7,
    INIT_DONE_ENTRIES = V8_DESTRUCTOR_ENTRIES + 4,
    EXTENDER_ENTRIES = V8_DESTRUCTOR_ENTRIES + 16,
    LOCALE_ENTRIES = V8_DESTRUCTOR_ENTRIES + 1,
    MAX_BLOCKS = 4096
};

static const V8Long EXPECTED_INFO = 2000;

static int failures;
static int passes;

static void check(bool ok, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printf("%s - ", ok ? "ok" : "FAIL");
    vprintf(format, args);
    printf("\n");
    va_end(args);
    if (ok) {
        ++passes;
    } else {
        ++failures;
    }
}

/* ---- UTF-16 helpers --------------------------------------------------- */

static size_t text_length(const V8Char* text) {
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

static bool text_equal_n(const V8Char* a, size_t length, const V8Char* b) {
    return a != NULL && length == text_length(b) && memcmp(a, b, length * sizeof(V8Char)) == 0;
}

/* UTF-8 into a static buffer for printing; control characters as <0x..>. */
static const char* show(const V8Char* text) {
    static char out[4][512];
    static int slot;
    char* buffer = out[slot++ % 4];
    size_t used = 0;
    if (text == NULL) {
        return "<null>";
    }
    for (; *text != 0 && used + 12 < sizeof out[0]; ++text) {
        uint32_t c = *text;
        if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
            ++text;
        }
        if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) {
            used += (size_t)sprintf(buffer + used, "<0x%02X>", (unsigned)c);
        } else if (c < 0x80) {
            buffer[used++] = (char)c;
        } else if (c < 0x800) {
            buffer[used++] = (char)(0xC0 | (c >> 6));
            buffer[used++] = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            buffer[used++] = (char)(0xE0 | (c >> 12));
            buffer[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
            buffer[used++] = (char)(0x80 | (c & 0x3F));
        } else {
            buffer[used++] = (char)(0xF0 | (c >> 18));
            buffer[used++] = (char)(0x80 | ((c >> 12) & 0x3F));
            buffer[used++] = (char)(0x80 | ((c >> 6) & 0x3F));
            buffer[used++] = (char)(0x80 | (c & 0x3F));
        }
    }
    buffer[used] = 0;
    return buffer;
}

/* ---- the host's memory manager ---------------------------------------- */

typedef struct Memory {
    const V8MemoryManagerVtbl* table; /* first word, as the component expects */
    void* blocks[MAX_BLOCKS];
    size_t count;
    unsigned allocations;
    unsigned frees;
    unsigned bad_frees;
} Memory;

static bool memory_owns(const Memory* memory, const void* block) {
    for (size_t i = 0; i < memory->count; ++i) {
        if (memory->blocks[i] == block) {
            return true;
        }
    }
    return false;
}

static bool V8_CALL memory_alloc(void* self, void** block, V8ULong size) {
    Memory* memory = (Memory*)self;
    if (block == NULL || memory->count == MAX_BLOCKS) {
        return false;
    }
    *block = malloc(size > 0 ? size : 1);
    if (*block == NULL) {
        return false;
    }
    /* Not zero, so a text relying on zeroed memory for its terminator shows up. */
    memset(*block, 0xCD, size);
    memory->blocks[memory->count++] = *block;
    ++memory->allocations;
    return true;
}

static bool memory_release(Memory* memory, void* block) {
    for (size_t i = 0; i < memory->count; ++i) {
        if (memory->blocks[i] == block) {
            memory->blocks[i] = memory->blocks[--memory->count];
            free(block);
            ++memory->frees;
            return true;
        }
    }
    ++memory->bad_frees;
    return false;
}

static void V8_CALL memory_free(void* self, void** block) {
    if (block != NULL && *block != NULL && memory_release((Memory*)self, *block)) {
        *block = NULL;
    }
}

static const V8MemoryManagerVtbl memory_table = {{NULL}, memory_alloc, memory_free};

static V8Char* memory_text(Memory* memory, const V8Char* text) {
    const size_t bytes = (text_length(text) + 1) * sizeof(V8Char);
    void* block = NULL;
    if (!memory_alloc(memory, &block, (V8ULong)bytes)) {
        return NULL;
    }
    memcpy(block, text, bytes);
    return (V8Char*)block;
}

/* ---- the host's connection -------------------------------------------- */

typedef struct Connection {
    const V8AddInDefBaseVtbl* table; /* first word, as the component expects */
    unsigned errors;
    unsigned events;
} Connection;

static bool V8_CALL connection_add_error(void* self, uint16_t code, const V8Char* source, const V8Char* descr,
                                         V8Long scode) {
    printf("     AddError(%u, %s, %s, 0x%08lX)\n", (unsigned)code, show(source), show(descr), (unsigned long)scode);
    ++((Connection*)self)->errors;
    return true;
}
static bool V8_CALL connection_read(void* self, V8Char* name, V8Variant* value, V8Long* code, V8Char** descr) {
    return false;
}
static bool V8_CALL connection_write(void* self, V8Char* name, V8Variant* value) { return false; }
static bool V8_CALL connection_register_profile(void* self, V8Char* name) { return false; }
static bool V8_CALL connection_set_depth(void* self, V8Long depth) { return false; }
static V8Long V8_CALL connection_get_depth(void* self) { return 0; }
static bool V8_CALL connection_external_event(void* self, V8Char* source, V8Char* message, V8Char* data) {
    /* Events come from the component's own thread; a counter is all this host keeps. */
#ifdef _WIN32
    InterlockedIncrement((volatile LONG*)&((Connection*)self)->events);
#else
    __atomic_add_fetch(&((Connection*)self)->events, 1, __ATOMIC_SEQ_CST);
#endif
    return true;
}
static void V8_CALL connection_clean_events(void* self) {}
static bool V8_CALL connection_set_status(void* self, V8Char* text) { return false; }
static void V8_CALL connection_reset_status(void* self) {}
static void* V8_CALL connection_get_interface(void* self, int32_t which) { return NULL; }

static const V8AddInDefBaseVtbl connection_table = {
    {NULL},
    connection_add_error,
    connection_read,
    connection_write,
    connection_register_profile,
    connection_set_depth,
    connection_get_depth,
    connection_external_event,
    connection_clean_events,
    connection_set_status,
    connection_reset_status,
    connection_get_interface,
};

/* ---- checks ----------------------------------------------------------- */

static void check_table(void* const* block, int word, int entries, const char* name) {
    void* const* table = (void* const*)block[word];
    check(table != NULL, "word %d points at the %s table", word, name);
    if (table == NULL) {
        return;
    }
    for (int i = 0; i < V8_DESTRUCTOR_ENTRIES; ++i) {
        check(table[i] == NULL, "%s entry %d (a destructor's place) is null", name, i);
    }
#ifndef _WIN32
    /* What GCC's object model reads before a table: the interface's offset
     * from the top of the object, and the type information. */
    check((intptr_t)table[-2] == -(intptr_t)(word * sizeof(void*)), "%s offset to top is %ld", name,
          (long)(intptr_t)table[-2]);
    check(table[-1] == NULL, "%s type information is null", name);
#endif
    for (int i = V8_DESTRUCTOR_ENTRIES; i < entries; ++i) {
        check(table[i] != NULL, "%s entry %d is set", name, i);
    }
}

/* A host-owned text: must come from this host's manager; returned to it. */
static void take_text(Memory* memory, V8Char* text, const char* what) {
    if (text == NULL) {
        return;
    }
    check(memory_owns(memory, text), "%s \"%s\" was allocated through the host's manager", what, show(text));
    if (memory_owns(memory, text)) {
        memory_release(memory, text);
    }
}

static void clear_value(Memory* memory, V8Variant* value, const char* what) {
    const uint16_t type = (uint16_t)(value->vt & 0xFFFFu);
    if (type == VTYPE_PWSTR || type == VTYPE_PSTR || type == VTYPE_BLOB) {
        void* text = type == VTYPE_PWSTR ? (void*)value->VarEnum.vtRecWideString.pwstrVal
                                         : (void*)value->VarEnum.vtRecString.pstrVal;
        if (text != NULL) {
            check(memory_owns(memory, text), "%s: the string in the value is host memory", what);
            if (memory_owns(memory, text)) {
                memory_release(memory, text);
            }
        }
    }
    memset(value, 0, sizeof *value);
}

static void check_methods(void* self, const V8LanguageExtenderVtbl* ext, Memory* memory) {
    const V8Long count = ext->GetNMethods(self);
    check(count >= 0, "GetNMethods = %ld", (long)count);
    for (V8Long i = 0; i < count; ++i) {
        V8Char* english = (V8Char*)ext->GetMethodName(self, i, 0);
        V8Char* local = (V8Char*)ext->GetMethodName(self, i, 1);
        check(english != NULL && local != NULL, "method %ld: %s / %s, %ld params, %s", (long)i, show(english),
              show(local), (long)ext->GetNParams(self, i), ext->HasRetVal(self, i) ? "function" : "procedure");
        if (english != NULL) {
            check(ext->FindMethod(self, english) == i, "FindMethod(%s) = %ld", show(english), (long)i);
        }
        if (local != NULL) {
            check(ext->FindMethod(self, local) == i, "FindMethod(%s) = %ld", show(local), (long)i);
        }
        take_text(memory, english, "method name");
        take_text(memory, local, "localized method name");
    }
    check(ext->GetMethodName(self, count, 0) == NULL, "GetMethodName past the last method is null");
}

static void check_properties(void* self, const V8LanguageExtenderVtbl* ext, Memory* memory) {
    const V8Long count = ext->GetNProps(self);
    check(count >= 0, "GetNProps = %ld", (long)count);
    for (V8Long i = 0; i < count; ++i) {
        V8Char* english = (V8Char*)ext->GetPropName(self, i, 0);
        V8Char* local = (V8Char*)ext->GetPropName(self, i, 1);
        check(english != NULL && local != NULL, "property %ld: %s / %s", (long)i, show(english), show(local));
        if (english != NULL) {
            check(ext->FindProp(self, english) == i, "FindProp(%s) = %ld", show(english), (long)i);
        }
        if (local != NULL) {
            check(ext->FindProp(self, local) == i, "FindProp(%s) = %ld", show(local), (long)i);
        }
        take_text(memory, english, "property name");
        take_text(memory, local, "localized property name");
        if (ext->IsPropReadable(self, i)) {
            V8Variant value;
            memset(&value, 0, sizeof value);
            check(ext->GetPropVal(self, i, &value), "GetPropVal(%ld) of a readable property", (long)i);
            clear_value(memory, &value, "GetPropVal");
        }
    }
}

static void set_int(V8Variant* value, int32_t number, uint32_t padding) {
    memset(value, 0, sizeof *value);
    value->VarEnum.lVal = number;
    value->vt = padding | VTYPE_I4;
}

/* Sum adds its two integers; the second carries junk above the 16-bit type as the host may leave it. */
static void check_sum(void* self, const V8LanguageExtenderVtbl* ext) {
    static const V8Char name[] = u"Sum";
    const V8Long method = ext->FindMethod(self, name);
    check(method >= 0, "FindMethod(Sum) finds the test method");
    if (method < 0) {
        return;
    }
    const int32_t a = 0x7FFF0000 - (int32_t)(clock() & 0xFF), b = -123457;
    V8Variant params[2];
    V8Variant result;
    set_int(&params[0], a, 0);
    set_int(&params[1], b, 0xABCD0000u);
    memset(&result, 0, sizeof result);
    const bool ok = ext->CallAsFunc(self, method, &result, params, 2);
    check(ok, "CallAsFunc(Sum, %ld, %ld) succeeds", (long)a, (long)b);
    check((result.vt & 0xFFFFu) == VTYPE_I4 && result.VarEnum.lVal == a + b, "Sum returned an I4 %ld (expected %ld)",
          (long)result.VarEnum.lVal, (long)(a + b));
}

/* Echo returns its text and replaces the parameter; both are host memory the host frees. */
static void check_echo(void* self, const V8LanguageExtenderVtbl* ext, Memory* memory) {
    static const V8Char name[] = u"Echo";
    static const V8Char text[] = u"abc \u0416 \U0001F600";
    static const V8Char echoed[] = u"echo:abc \u0416 \U0001F600";
    const V8Long method = ext->FindMethod(self, name);
    check(method >= 0, "FindMethod(Echo) finds the test method");
    if (method < 0) {
        return;
    }
    V8Variant param;
    V8Variant result;
    memset(&param, 0, sizeof param);
    memset(&result, 0, sizeof result);
    param.VarEnum.vtRecWideString.pwstrVal = memory_text(memory, text);
    param.VarEnum.vtRecWideString.wstrLen = (uint32_t)text_length(text);
    param.vt = VTYPE_PWSTR;
    check(ext->CallAsFunc(self, method, &result, &param, 1), "CallAsFunc(Echo) succeeds");
    check((result.vt & 0xFFFFu) == VTYPE_PWSTR &&
              text_equal_n(result.VarEnum.vtRecWideString.pwstrVal, result.VarEnum.vtRecWideString.wstrLen, text),
          "Echo returned the text with its unit count");
    check((param.vt & 0xFFFFu) == VTYPE_PWSTR &&
              text_equal_n(param.VarEnum.vtRecWideString.pwstrVal, param.VarEnum.vtRecWideString.wstrLen, echoed),
          "Echo replaced its parameter");
    clear_value(memory, &result, "Echo result");
    clear_value(memory, &param, "Echo parameter");
}

static const V8Char* first_class(const V8Char* names, V8Char* out, size_t capacity) {
    size_t n = 0;
    while (names[n] != 0 && names[n] != u'|' && n + 1 < capacity) {
        out[n] = names[n];
        ++n;
    }
    out[n] = 0;
    return out;
}

static void run(V8GetClassNamesFn get_names, V8GetClassObjectFn get_object, V8DestroyObjectFn destroy,
                const V8Char* wanted) {
    static Memory memory = {.table = &memory_table};
    static Connection connection = {.table = &connection_table};
    V8Char class_name[256];

    const V8Char* names = get_names();
    check(names != NULL && names[0] != 0, "GetClassNames = %s", show(names));
    if (names == NULL) {
        return;
    }
    if (wanted == NULL) {
        wanted = first_class(names, class_name, sizeof class_name / sizeof class_name[0]);
    }

    void* component = NULL;
    check(get_object(wanted, &component) != 0 && component != NULL, "GetClassObject(%s)", show(wanted));
    if (component == NULL) {
        return;
    }

    void* const* block = (void* const*)component;
    check(block[3] == NULL, "word 3 is zero");
    check(block[4] != NULL && block[4] == block[5] && block[5] == block[6], "words 4, 5 and 6 hold one object");
    check_table(block, 0, INIT_DONE_ENTRIES, "IInitDone");
    check_table(block, 1, EXTENDER_ENTRIES, "LanguageExtender");
    check_table(block, 2, LOCALE_ENTRIES, "Locale");

    const V8InitDoneVtbl* init_done = (const V8InitDoneVtbl*)block[0];
    const V8LanguageExtenderVtbl* ext = (const V8LanguageExtenderVtbl*)block[1];
    const V8LocaleVtbl* locale = (const V8LocaleVtbl*)block[2];
    void* init_self = component;
    void* ext_self = (void**)component + 1;
    void* locale_self = (void**)component + 2;

    check(init_done->setMemManager(init_self, &memory), "setMemManager");
    check(init_done->Init(init_self, &connection), "Init");
    const V8Long info = init_done->GetInfo(init_self);
    check(info == EXPECTED_INFO, "GetInfo = %ld", (long)info);
    locale->SetLocale(locale_self, u"ru_RU");

    V8Char* extension = NULL;
    const bool registered = ext->RegisterExtensionAs(ext_self, &extension);
    check(registered && extension != NULL, "RegisterExtensionAs = %s", show(extension));
    take_text(&memory, extension, "extension name");

    check_methods(ext_self, ext, &memory);
    check_properties(ext_self, ext, &memory);
    check_sum(ext_self, ext);
    check_echo(ext_self, ext, &memory);

    init_done->Done(init_self);
    check(destroy(&component) == 0, "DestroyObject");

    check(memory.count == 0, "no host blocks outstanding (%u allocated, %u freed)", memory.allocations, memory.frees);
    check(memory.bad_frees == 0, "no bad frees (%u)", memory.bad_frees);
}

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: abi_c_host DLL [CLASS]\n");
        return 2;
    }
    SetConsoleOutputCP(CP_UTF8);
    HMODULE module = LoadLibraryW(argv[1]);
    check(module != NULL, "LoadLibraryW (error %lu)", module != NULL ? 0ul : (unsigned long)GetLastError());
    if (module == NULL) {
        return 1;
    }
    /* The exports are plain C functions; FARPROC only stands in for their real types. */
    V8GetClassNamesFn get_names = (V8GetClassNamesFn)(void (*)(void))GetProcAddress(module, "GetClassNames");
    V8GetClassObjectFn get_object = (V8GetClassObjectFn)(void (*)(void))GetProcAddress(module, "GetClassObject");
    V8DestroyObjectFn destroy = (V8DestroyObjectFn)(void (*)(void))GetProcAddress(module, "DestroyObject");
    check(get_names != NULL && get_object != NULL && destroy != NULL, "the three exports are present");
    if (get_names != NULL && get_object != NULL && destroy != NULL) {
        run(get_names, get_object, destroy, argc > 2 ? (const V8Char*)argv[2] : NULL);
    }
    FreeLibrary(module);
    printf("%d passed, %d failed\n", passes, failures);
    return failures > 0 ? 1 : 0;
}
#else
/* The class name arrives as ASCII; widened unit by unit. */
int main(int argc, char** argv) {
    static V8Char wanted[256];
    if (argc < 2) {
        fprintf(stderr, "usage: abi_c_host LIBRARY [CLASS]\n");
        return 2;
    }
    for (size_t i = 0; argc > 2 && argv[2][i] != 0 && i + 1 < sizeof wanted / sizeof wanted[0]; ++i) {
        wanted[i] = (V8Char)(unsigned char)argv[2][i];
    }
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    check(module != NULL, "dlopen (%s)", module != NULL ? "loaded" : dlerror());
    if (module == NULL) {
        return 1;
    }
    V8GetClassNamesFn get_names = (V8GetClassNamesFn)dlsym(module, "GetClassNames");
    V8GetClassObjectFn get_object = (V8GetClassObjectFn)dlsym(module, "GetClassObject");
    V8DestroyObjectFn destroy = (V8DestroyObjectFn)dlsym(module, "DestroyObject");
    check(get_names != NULL && get_object != NULL && destroy != NULL, "the three exports are present");
    /* Nothing else of the library is visible to the host's own symbols. */
    check(dlsym(module, "ComponentLoad") == NULL && dlsym(module, "_ZN6TDriverC1Ev") == NULL &&
              dlsym(module, "pugi_version") == NULL && dlsym(module, "zlibVersion") == NULL,
          "no other symbol is exported");
    if (get_names != NULL && get_object != NULL && destroy != NULL) {
        run(get_names, get_object, destroy, argc > 2 ? wanted : NULL);
    }
    dlclose(module);
    printf("%d passed, %d failed\n", passes, failures);
    return failures > 0 ? 1 : 0;
}
#endif
