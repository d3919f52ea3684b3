// What the registry receives from a driver class's export tables.
#include <doctest.h>

#include <string>
#include <vector>

#include "driver/DriverHost.h"
#include "emulator/Driver.h"
#include "log/Log.h"
#include "napi/Registry.h"

namespace {

const TClassReg& Class(std::u16string_view name) {
    const TClassReg* reg = ClassRegistry().FindClass(name);
    REQUIRE(reg != nullptr);
    return *reg;
}

struct MethodSeen {
    std::u16string name, loc;
    int32_t params;
};

}  // namespace

TEST_CASE("the shipped driver registers the ten standard methods in order, all functions") {
    DriversLoaded loaded;
    const TClassReg& reg = Class(u"tarvik");
    CHECK(reg.RegisterExtensionAs == u"tarvik");
    CHECK(reg.NatApiClassName == u"tarvik");

    const std::vector<MethodSeen> expected = {
        {u"GetInterfaceRevision", u"ПолучитьРевизиюИнтерфейса", 0},
        {u"GetDescription", u"ПолучитьОписание", 1},
        {u"GetLastError", u"ПолучитьОшибку", 1},
        {u"Open", u"Подключить", 1},
        {u"Close", u"Отключить", 1},
        {u"GetParameters", u"ПолучитьПараметры", 1},
        {u"SetParameter", u"УстановитьПараметр", 2},
        {u"DeviceTest", u"ТестУстройства", 2},
        {u"GetAdditionalActions", u"ПолучитьДополнительныеДействия", 1},
        {u"DoAdditionalAction", u"ВыполнитьДополнительноеДействие", 1},
    };
    REQUIRE(reg.MethCount() == static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const TMethReg& m = *reg.MethList[i];
        CAPTURE(ToUtf8(expected[i].name));
        CHECK(m.MethName == expected[i].name);
        CHECK(m.MethNameLoc == expected[i].loc);
        CHECK(m.ParamCount == expected[i].params);
        CHECK(m.IsFunction);
        CHECK((m.ExecuteFunc != nullptr));
        CHECK((m.ExecuteProc == nullptr));
    }
}

TEST_CASE("the shipped driver registers its eighteen settings, then LogEnabled, all through one accessor") {
    DriversLoaded loaded;
    const TClassReg& reg = Class(u"tarvik");
    std::vector<std::pair<std::u16string, std::u16string>> expected = {{u"Transparency", u"Прозрачность"}};
    for (char16_t n = u'1'; n <= u'8'; ++n) expected.push_back({std::u16string(u"Barcode") + n, std::u16string(u"Штрихкод") + n});
    expected.push_back({u"Delay", u"Задержка"});
    for (char16_t n = u'1'; n <= u'8'; ++n) {
        expected.push_back({std::u16string(u"IsBase64_") + n, std::u16string(u"IsBase64_") + n});
    }
    expected.push_back({u"LogEnabled", u"ЛогВключен"});

    REQUIRE(reg.PropCount() == 19);
    for (size_t i = 0; i < expected.size(); ++i) {
        const TPropReg& p = *reg.PropList[i];
        CAPTURE(ToUtf8(expected[i].first));
        CHECK(p.PropName == expected[i].first);
        CHECK(p.PropNameLoc == expected[i].second);
        CHECK(p.IsReadable);
        CHECK(p.IsWritable);
        CHECK((p.PropGetSet == &TCustomDriver::PropGetSet));
    }
    // Public but not exported.
    CHECK(reg.FindProp(u"Enabled") == -1);
    CHECK(reg.FindProp(u"LastResult") == -1);
}

TEST_CASE("registering a driver names the log after the extension and fills the description record") {
    DriversLoaded loaded;
    CHECK(TLog::LogFileName() == u"tarvik");
    CHECK_FALSE(TLog::LogStarted());  // logging is off at load: nothing was written
    CHECK(DriverInfo.Name == u"Драйвер эмулятор считывателя магнитных карт");
    CHECK(DriverInfo.Description == u"Драйвер эмулятор считывателя магнитных карт 1С:Совместимо NativeAPI");
    CHECK(DriverInfo.EquipmentType == TEquipmentType::etMCR);
}

TEST_CASE("a class without descriptors is registered with empty lists and its extension name") {
    DriversLoaded loaded;
    const TClassReg& reg = Class(u"Bare");
    CHECK(reg.MethCount() == 0);
    CHECK(reg.PropCount() == 0);
    Object bare(u"Bare");
    V8Char* name = nullptr;
    REQUIRE(bare.ext().RegisterExtensionAs(bare.extSelf(), &name));
    CHECK(bare.Take(name) == u"Bare");
    CHECK(bare.ext().GetNMethods(bare.extSelf()) == 0);
    CHECK(bare.ext().GetNProps(bare.extSelf()) == 0);
}

TEST_CASE("a class inheriting its parent's table registers exactly the parent's members") {
    DriversLoaded loaded;
    const TClassReg& plain = Class(u"Plain");
    CHECK(plain.MethCount() == 10);
    REQUIRE(plain.PropCount() == 1);
    CHECK(plain.PropList[0]->PropName == u"LogEnabled");
}

TEST_CASE("derived members come first, duplicates are entered once per descriptor, actions never") {
    DriversLoaded loaded;
    const TClassReg& reg = Class(u"Sample");
    REQUIRE(reg.MethCount() == 12);
    const TMethReg& first = *reg.MethList[0];
    const TMethReg& second = *reg.MethList[1];
    CHECK(first.MethName == u"Ping");
    CHECK(first.MethNameLoc == u"Пинг");
    CHECK(first.ParamCount == 0);
    CHECK(second.MethName == u"Ping");
    CHECK(second.MethNameLoc == u"Проверка");
    CHECK(second.ParamCount == 1);
    CHECK((first.ExecuteFunc == second.ExecuteFunc));
    CHECK(reg.MethList[2]->MethName == u"GetInterfaceRevision");
    for (const auto& m : reg.MethList) {
        CHECK(m->MethName != u"Refresh");
        CHECK(m->MethName != u"ViewLog");
        CHECK(m->MethName != u"ShowHelp");
    }

    REQUIRE(reg.PropCount() == 11);
    CHECK(reg.PropList[0]->PropName == u"Count");
    CHECK(reg.PropList[8]->PropName == u"Twice");
    CHECK(reg.PropList[9]->PropName == u"Twice");
    CHECK(reg.PropList[9]->PropNameLoc == u"ЕщёРаз");
    CHECK(reg.PropList[10]->PropName == u"LogEnabled");
}

TEST_CASE("a read-only exported property is registered readable and not writable") {
    DriversLoaded loaded;
    DriverObject sample(u"Sample");
    const int32_t serial = sample.ext().FindProp(sample.extSelf(), u"Serial");
    REQUIRE(serial >= 0);
    CHECK(sample.ext().IsPropReadable(sample.extSelf(), serial));
    CHECK_FALSE(sample.ext().IsPropWritable(sample.extSelf(), serial));
    const int32_t count = sample.ext().FindProp(sample.extSelf(), u"Количество");
    REQUIRE(count >= 0);
    CHECK(sample.ext().IsPropWritable(sample.extSelf(), count));
}

TEST_CASE("an exported method reached through either registration runs the same implementation") {
    DriversLoaded loaded;
    DriverObject sample(u"Sample");
    V8Variant ret{};
    CHECK(sample.Call(u"Пинг", ret));
    CHECK(ret.VarEnum.lVal == 1);
    V8Variant params[1]{};
    CHECK(sample.ext().CallAsFunc(sample.extSelf(), 1, &ret, params, 1));
    CHECK(ret.VarEnum.lVal == 2);
    CHECK(sample.As<TSampleDriver>().PingCalls == 2);
}
