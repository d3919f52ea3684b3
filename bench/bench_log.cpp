// Dispatch overhead with logging off, and log throughput (open-append-close per line).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "log/Log.h"
#include "napi/Component.h"
#include "napi/Registry.h"

namespace {

bool NoOp(TV8UserObject& self, V8Variant& ret, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    self.V8SetBool(ret, true);
    return true;
}

bool V8_CALL Alloc(void*, void** p, V8ULong n) {
    *p = std::malloc(n);
    return *p != nullptr;
}
void V8_CALL Free(void*, void** p) {
    std::free(*p);
    *p = nullptr;
}
constexpr V8MemoryManagerVtbl kMemory{{}, Alloc, Free};

void BM_CallAsFuncTwoStringsLogOff(benchmark::State& state) {
    ComponentLoad();
    auto& reg = ClassRegistry().RegisterClass(CreateObject<TV8UserObject>, u"Bench", u"Bench");
    reg.AddFunc(u"NoOp", u"Пусто", NoOp, 2);
    void* block = nullptr;
    NapiGetClassObject(u"Bench", &block);
    TV8MemoryManager mm{&kMemory};
    auto** words = static_cast<void**>(block);
    static_cast<const V8InitDoneVtbl*>(words[0])->setMemManager(block, &mm);
    const auto& ext = *static_cast<const V8LanguageExtenderVtbl*>(words[1]);
    V8Variant params[2]{};
    V8SetWString(&mm, params[0], u"0102<0x1D>0304");
    V8SetWString(&mm, params[1], u"Штрихкод1");
    V8Variant ret{};
    for (auto _ : state) benchmark::DoNotOptimize(ext.CallAsFunc(words + 1, 0, &ret, params, 2));
    V8ClearVar(&mm, params[0]);
    V8ClearVar(&mm, params[1]);
    NapiDestroyObject(&block);
    ComponentUnload();
}
BENCHMARK(BM_CallAsFuncTwoStringsLogOff);

void BM_LogLine(benchmark::State& state) {
    if (state.thread_index() == 0) {
        const auto dir = std::filesystem::temp_directory_path() / "mcr-bench-appdata";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        setenv("MCR_COMMON_APPDATA", dir.c_str(), 1);
        TLog::SetLogFileName(u"bench");
        SetLogLevel(3);
    }
    for (auto _ : state) Log::d(u"> GetParameters", u"Params: [<?xml version=\"1.0\"?>]");
    if (state.thread_index() == 0) SetLogLevel(0);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLine)->Threads(1)->Threads(4)->UseRealTime();

}  // namespace
