// Costs of the host's hot paths: name look-ups and copying text into host memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "napi/Registry.h"
#include "napi/V8Variant.h"

namespace {

bool NoFunc(TV8UserObject&, V8Variant&, V8Variant*, int32_t, TV8AddInDefBaseEx*&) { return true; }

TClassReg MakeClass() {
    TClassReg reg;
    for (int i = 0; i < 30; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'A' + i % 26));
        reg.AddFunc(u"Method" + n + u"_" + std::u16string(1, u'0' + i / 26), u"Метод" + n, NoFunc, 1);
        reg.AddProp(u"Property" + n + u"_" + std::u16string(1, u'0' + i / 26), u"Свойство" + n, true, true, nullptr);
    }
    return reg;
}

void BM_FindMethodLast(benchmark::State& state) {
    const TClassReg reg = MakeClass();
    const std::u16string name = reg.MethList.back()->MethName;
    for (auto _ : state) benchmark::DoNotOptimize(reg.FindMethod(name));
}
BENCHMARK(BM_FindMethodLast);

void BM_FindPropMissing(benchmark::State& state) {
    const TClassReg reg = MakeClass();
    for (auto _ : state) benchmark::DoNotOptimize(reg.FindProp(u"NoSuchProperty"));
}
BENCHMARK(BM_FindPropMissing);

bool V8_CALL Alloc(void*, void** p, V8ULong n) {
    *p = std::malloc(n);
    return *p != nullptr;
}
void V8_CALL Free(void*, void** p) {
    std::free(*p);
    *p = nullptr;
}
constexpr V8MemoryManagerVtbl kMemory{{}, Alloc, Free};

void BM_SetWString1KiB(benchmark::State& state) {
    TV8MemoryManager mm{&kMemory};
    const std::u16string text(512, u'Ж');  // 1 KiB of UTF-16
    V8Variant v{};
    for (auto _ : state) {
        V8SetWString(&mm, v, text);
        benchmark::DoNotOptimize(v.VarEnum.vtRecWideString.pwstrVal);
    }
    V8ClearVar(&mm, v);
}
BENCHMARK(BM_SetWString1KiB);

}  // namespace

BENCHMARK_MAIN();
