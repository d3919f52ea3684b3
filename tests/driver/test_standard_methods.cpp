// The standard methods as the host calls them through the component's tables.
#include <doctest.h>

#include <string>
#include <vector>

#include "common/Error.h"
#include "driver/DriverHost.h"
#include "emulator/Driver.h"
#include "help/DocView.h"
#include "log/Log.h"
#include "log/LogViewer.h"
#include "platform/Files.h"

namespace {

struct NamePair {
    const char16_t* english;
    const char16_t* russian;
};

const NamePair kStandardMethods[] = {
    {u"GetInterfaceRevision", u"ПолучитьРевизиюИнтерфейса"},
    {u"GetDescription", u"ПолучитьОписание"},
    {u"GetLastError", u"ПолучитьОшибку"},
    {u"Open", u"Подключить"},
    {u"Close", u"Отключить"},
    {u"GetParameters", u"ПолучитьПараметры"},
    {u"SetParameter", u"УстановитьПараметр"},
    {u"DeviceTest", u"ТестУстройства"},
    {u"GetAdditionalActions", u"ПолучитьДополнительныеДействия"},
    {u"DoAdditionalAction", u"ВыполнитьДополнительноеДействие"},
};

bool Bool(const V8Variant& v) {
    REQUIRE(V8BaseType(v) == VTYPE_BOOL);
    return v.VarEnum.bVal != 0;
}

}  // namespace

TEST_CASE("every standard method answers under its English and its Russian name") {
    DriverHost host;
    for (const auto& names : kStandardMethods) {
        for (const char16_t* name : {names.english, names.russian}) {
            CAPTURE(ToUtf8(name));
            DriverObject driver(u"tarvik");
            CHECK(driver.Find(name) == driver.Find(names.english));
            V8Variant ret{};
            V8Variant params[2]{};
            const std::u16string english = names.english;
            if (english == u"SetParameter") {
                params[0] = driver.Text(u"Delay");
                params[1] = HostInt(1500);
            } else if (english == u"DoAdditionalAction") {
                params[0] = driver.Text(u"NoSuchAction");
            }
            REQUIRE(driver.Call(name, ret, params));
            if (english == u"GetInterfaceRevision") {
                REQUIRE(V8BaseType(ret) == VTYPE_I4);
                CHECK(ret.VarEnum.lVal == 3002);
            } else if (english == u"GetLastError") {
                REQUIRE(V8BaseType(ret) == VTYPE_I4);
                CHECK(ret.VarEnum.lVal == 0);
                CHECK(driver.Take(params[0]).empty());
            } else if (english == u"DoAdditionalAction") {
                CHECK_FALSE(Bool(ret));
                std::u16string description;
                CHECK(driver.LastError(&description) == 1001);
                CHECK(description == u"Action not found");
            } else {
                CHECK(Bool(ret));
                CHECK(driver.LastError() == 0);
            }
            if (english == u"GetDescription" || english == u"GetParameters" || english == u"GetAdditionalActions") {
                const std::u16string document = driver.Take(params[0]);
                CHECK(document.rfind(u"<?xml version=\"1.0\"", 0) == 0);
            }
            if (english == u"SetParameter") CHECK(driver.As<TDriver>().Delay() == 1500);
            if (english == u"Open") CHECK(driver.As<TDriver>().Enabled());
            if (english == u"DeviceTest") {
                CHECK(driver.Take(params[0]).empty());
                CHECK(driver.Take(params[1]).empty());
            }
            for (auto& p : params) driver.Take(p);
            CHECK(driver.memory.blocks.empty());
            CHECK(driver.connection.reports.empty());
        }
    }
}

TEST_CASE("SetParameter of an unknown name, then GetLastError, then a successful call") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    CHECK_FALSE(driver.SetParameter(u"NoSuchSetting", HostInt(1)));
    std::u16string description;
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Property not found: NoSuchSetting");
    // Reading the error leaves it in place, and so does the revision query.
    V8Variant ret{};
    CHECK(driver.Call(u"GetInterfaceRevision", ret));
    CHECK(ret.VarEnum.lVal == 3002);
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Property not found: NoSuchSetting");

    std::u16string settings;
    CHECK(driver.TextMethod(u"GetParameters", settings));
    CHECK(driver.LastError(&description) == 0);
    CHECK(description.empty());
}

TEST_CASE("SetParameter resolves own and localized names in any letter case") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    auto& emulator = driver.As<TDriver>();
    CHECK(driver.SetParameter(u"barcode3", driver.Text(u"ABC")));
    CHECK(emulator.Barcode(2) == u"ABC");
    CHECK(driver.SetParameter(u"ШТРИХКОД8", driver.Text(u"Z")));
    CHECK(emulator.Barcode(7) == u"Z");
    CHECK(driver.SetParameter(u"Задержка", HostInt(999)));
    CHECK(emulator.Delay() == 999);
    CHECK(driver.SetParameter(u"ПРОЗРАЧНОСТЬ", driver.Text(u"26")));
    CHECK(emulator.Transparency() == 26);
    CHECK(driver.SetParameter(u"isbase64_5", HostBool(true)));
    CHECK(emulator.IsBase64(4));
    CHECK_FALSE(emulator.IsBase64(3));
    // A barcode written with a number is refused and keeps its text.
    CHECK_FALSE(driver.SetParameter(u"Barcode3", HostInt(7)));
    std::u16string description;
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Value type unacceptable");
    CHECK(emulator.Barcode(2) == u"ABC");
}

TEST_CASE("SetParameter of LogEnabled switches logging for every object of the process") {
    DriverHost host;
    DriverObject first(u"tarvik");
    DriverObject second(u"tarvik");
    CHECK(first.SetParameter(u"ЛогВключен", HostBool(true)));
    CHECK(TLog::LogLevel() == 3);
    const int32_t prop = second.ext().FindProp(second.extSelf(), u"LogEnabled");
    V8Variant value{};
    REQUIRE(second.ext().GetPropVal(second.extSelf(), prop, &value));
    CHECK(value.VarEnum.bVal == 1);

    // The second object's calls now reach the log.
    std::u16string document;
    CHECK(second.TextMethod(u"GetAdditionalActions", document));
    CHECK(second.SetParameter(u"LogEnabled", HostBool(false)));
    const std::string text = host.log.Bytes();
    CHECK(text.find("DEBUG\t> GetAdditionalActions: \tParams: []") != std::string::npos);
    CHECK(TLog::LogLevel() == 0);
}

TEST_CASE("Open and Close leave their parameter untouched and move Enabled") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    auto& emulator = driver.As<TDriver>();
    CHECK_FALSE(emulator.Enabled());
    for (int round = 0; round < 2; ++round) {  // repeating either is harmless
        V8Variant ret{};
        V8Variant params[1]{HostInt(77)};
        CHECK(driver.Call(u"Подключить", ret, params));
        CHECK(Bool(ret));
        CHECK(emulator.Enabled());
        CHECK(V8BaseType(params[0]) == VTYPE_I4);
        CHECK(params[0].VarEnum.lVal == 77);
    }
    V8Variant ret{};
    V8Variant params[1]{HostInt(78)};
    CHECK(driver.Call(u"Close", ret, params));
    CHECK(Bool(ret));
    CHECK_FALSE(emulator.Enabled());
    CHECK(params[0].VarEnum.lVal == 78);
}

TEST_CASE("DeviceTest of the emulator gives true and two empty texts without opening") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    V8Variant ret{};
    V8Variant params[2]{driver.Text(u"old first"), driver.Text(u"old second")};
    CHECK(driver.Call(u"ТестУстройства", ret, params));
    CHECK(Bool(ret));
    CHECK(driver.Take(params[0]).empty());
    CHECK(driver.Take(params[1]).empty());
    CHECK_FALSE(driver.As<TDriver>().Enabled());
    CHECK(driver.memory.blocks.empty());
}

TEST_CASE("the base device test opens, describes and closes") {
    DriverHost host;
    DriverObject driver(u"Sample");
    auto& sample = driver.As<TSampleDriver>();
    V8Variant ret{};
    V8Variant params[2]{};
    CHECK(driver.Call(u"DeviceTest", ret, params));
    CHECK(Bool(ret));
    CHECK(driver.Take(params[0]) == DriverInfo.Description);
    CHECK(driver.Take(params[1]).empty());
    CHECK(sample.OpenCount == 1);
    CHECK(sample.CloseCount == 1);
    CHECK_FALSE(sample.Enabled());
}

TEST_CASE("a failing device test reports in the first output and leaves the second as the host passed it") {
    DriverHost host;
    DriverObject driver(u"Sample");
    auto& sample = driver.As<TSampleDriver>();
    sample.FailOpen = true;
    sample.FailClose = true;
    V8Variant ret{};
    V8Variant params[2]{driver.Text(u"first"), driver.Text(u"kept")};
    CHECK(driver.Call(u"DeviceTest", ret, params));
    CHECK_FALSE(Bool(ret));
    CHECK(driver.Take(params[0]) == u"Port COM9 is busy");  // the first failure wins
    CHECK(driver.Take(params[1]) == u"kept");
    CHECK(sample.CloseCount == 1);  // closed although the opening failed
    std::u16string description;
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Port COM9 is busy");

    sample.FailOpen = false;  // now only the closing fails
    params[0] = V8Variant{};
    params[1] = V8Variant{};
    CHECK(driver.Call(u"DeviceTest", ret, params));
    CHECK_FALSE(Bool(ret));
    CHECK(driver.Take(params[0]) == u"Port COM9 did not close");
    CHECK(driver.memory.blocks.empty());
}

TEST_CASE("additional actions run by their exact own name only") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    const std::u16string misses[] = {u"viewlog", u"VIEWLOG", u"Просмотр лога", u"GetDescription", u"", u"ShowHelp "};
    for (const auto& name : misses) {
        CAPTURE(ToUtf8(name));
        V8Variant ret{};
        V8Variant params[1]{driver.Text(name)};
        CHECK(driver.Call(u"DoAdditionalAction", ret, params));
        CHECK_FALSE(Bool(ret));
        driver.Take(params[0]);
        std::u16string description;
        CHECK(driver.LastError(&description) == 1001);
        CHECK(description == u"Action not found");
    }
}

TEST_CASE("the viewer actions show the log viewer and the help page, and record what fails there") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    int logViewers = 0;
    std::vector<std::u16string> captions;
    std::u16string page;
    bool pageThere = false;
    bool failWindow = false;
    OverrideLogViewer([&] { ++logViewers; });
    OverrideDocView([&](const std::u16string& path, const std::u16string& caption) {
        captions.push_back(caption);
        page = path;
        pageThere = platform::FileExists(path);
        if (failWindow) throw EComponentError(u"no window today");
    });
    auto run = [&](const char16_t* name) {
        V8Variant ret{};
        V8Variant params[1]{driver.Text(name)};
        CHECK(driver.Call(u"ВыполнитьДополнительноеДействие", ret, params));
        driver.Take(params[0]);
        return Bool(ret);
    };
    CHECK(run(u"ViewLog"));
    CHECK(logViewers == 1);
    CHECK(captions.empty());
    CHECK(run(u"ShowHelp"));
    CHECK(captions == std::vector<std::u16string>{u"Справка"});
    CHECK(pageThere);
    CHECK_FALSE(platform::FileExists(page));  // the window closed, the page's folder went
    failWindow = true;
    CHECK_FALSE(run(u"ShowHelp"));
    std::u16string description;
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"no window today");
    CHECK(driver.connection.reports.empty());  // recorded, not reported as a broken call
    OverrideDocView({});
    OverrideLogViewer({});
}

TEST_CASE("an action with two descriptors runs once per request") {
    DriverHost host;
    DriverObject driver(u"Sample");
    V8Variant ret{};
    V8Variant params[1]{driver.Text(u"Refresh")};
    CHECK(driver.Call(u"DoAdditionalAction", ret, params));
    CHECK(Bool(ret));
    driver.Take(params[0]);
    CHECK(driver.As<TSampleDriver>().RefreshRuns == 1);
}

TEST_CASE("a host passing fewer parameters than registered gets a recorded failure, not a read past the array") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    const std::pair<std::u16string, int> methods[] = {{u"GetDescription", 1},       {u"GetParameters", 1},
                                                      {u"SetParameter", 2},         {u"DeviceTest", 2},
                                                      {u"GetAdditionalActions", 1}, {u"DoAdditionalAction", 1}};
    for (const auto& [name, expected] : methods) {
        CAPTURE(ToUtf8(name));
        for (int passed = 0; passed < expected; ++passed) {
            // A heap array of exactly the passed size, so a read past it is caught.
            std::vector<V8Variant> params(static_cast<size_t>(passed));
            V8Variant ret{};
            const int32_t index = driver.Find(name);
            CHECK(driver.ext().CallAsFunc(driver.extSelf(), index, &ret, passed ? params.data() : nullptr, passed));
            CHECK_FALSE(Bool(ret));
            std::u16string description;
            CHECK(driver.LastError(&description) == 1001);
            CHECK(description == u"Too few parameters for " + name + u": " + IntToText(expected) + u" expected, " +
                                     IntToText(passed) + u" passed");
            for (auto& p : params) driver.Take(p);
        }
    }
    // GetLastError records nothing, so a host without its parameter hears it from the boundary.
    V8Variant ret{};
    CHECK_FALSE(driver.ext().CallAsFunc(driver.extSelf(), driver.Find(u"GetLastError"), &ret, nullptr, 0));
    REQUIRE(driver.connection.reports.size() == 1);
    CHECK(driver.connection.reports[0].description == u"Too few parameters for GetLastError: 1 expected, 0 passed");
    CHECK(driver.memory.blocks.empty());
}

TEST_CASE("parameters of the wrong type read as empty names") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    V8Variant ret{};
    V8Variant params[2]{HostInt(5), HostInt(1)};
    CHECK(driver.Call(u"SetParameter", ret, params));
    CHECK_FALSE(Bool(ret));
    std::u16string description;
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Property not found: ");
    V8Variant action[1]{HostBool(true)};
    CHECK(driver.Call(u"DoAdditionalAction", ret, action));
    CHECK_FALSE(Bool(ret));
    CHECK(driver.LastError(&description) == 1001);
    CHECK(description == u"Action not found");
}

TEST_CASE("a function called as a procedure runs and leaves no host memory behind") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    V8Variant params[1]{};
    CHECK(driver.ext().CallAsProc(driver.extSelf(), driver.Find(u"GetParameters"), params, 1));
    CHECK(driver.Take(params[0]).find(u"<Settings>") != std::u16string::npos);
    CHECK(driver.memory.blocks.empty());
}

TEST_CASE("each recorded failure reaches the log as an Exception entry") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    CHECK(driver.SetParameter(u"LogEnabled", HostBool(true)));
    CHECK_FALSE(driver.SetParameter(u"Nope", HostInt(1)));
    SetLogLevel(0);
    const std::string text = host.log.Bytes();
    CHECK(text.find("\tERROR\tException: \tProperty not found: Nope\r\n") != std::string::npos);
}
