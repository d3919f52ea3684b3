// The emulator driver's window as the host's calls leave it: created hidden,
// presets decoded on Open, alpha, show and hide, the log level rule.
#include <doctest.h>

#include <string>

#include "emulator/EmulatorHost.h"
#include "emulator/Escapes.h"
#include "log/Log.h"
#include "platform/Platform.h"

TEST_CASE("a new emulator's window is hidden and captioned; DeviceTest does not show it") {
    DriverHost host;
    EventRecorder events;
    Emulator e(events);
    CHECK(e.form.Caption() == u"Эмулятор MCR");
    V8Variant ret{};
    V8Variant params[2]{};
    REQUIRE(e.object.Call(u"DeviceTest", ret, params));
    CHECK(ret.VarEnum.bVal == 1);
    CHECK(e.object.Take(params[0]).empty());
    CHECK(e.object.Take(params[1]).empty());
    CHECK_FALSE(e.form.Visible());
    CHECK(e.form.ShowCount() == 0);
}

TEST_CASE("Open hands the decoded presets to the window, sets its alpha and shows it once") {
    DriverHost host;
    EventRecorder events;
    Emulator e(events);
    CHECK(e.Call(u"Open"));
    CHECK(e.form.Visible());
    CHECK(e.form.Alpha() == 0);  // Transparency never set: fully transparent
    CHECK(e.form.Layout().count == 0);

    e.SetText(u"Barcode1", u"AQID");
    e.Set(u"IsBase64_1", HostBool(true));
    e.SetText(u"Barcode2", u"0102<0x1D>0304");
    e.SetText(u"Barcode4", u"z/Do4uXy");  // "Привет" in Windows-1251
    e.Set(u"IsBase64_4", HostBool(true));
    e.SetText(u"Barcode5", u"AQID");  // not flagged: as typed
    e.SetText(u"Barcode6", u"!!!");   // flagged, nothing to decode
    e.Set(u"IsBase64_6", HostBool(true));
    e.Set(u"Transparency", HostInt(20));
    CHECK(e.Call(u"Open"));  // shown already: slots change, pictures wait for the next show
    CHECK(e.form.ShowCount() == 1);
    CHECK(e.form.GetBarcode(0) == u"<0x01><0x02><0x03>");
    CHECK(e.form.GetBarcode(1) == u"0102<0x1D>0304");
    CHECK(e.form.GetBarcode(3) == EscapeText(platform::AnsiToText("\xCF\xF0\xE8\xE2\xE5\xF2")));
    if (platform::AnsiCodePage() == 1251) {
        CHECK(e.form.GetBarcode(3) == u"<0x41F><0x440><0x438><0x432><0x435><0x442>");
    }
    CHECK(e.form.GetBarcode(4) == u"AQID");
    CHECK(e.form.GetBarcode(5).empty());
    CHECK(e.form.Alpha() == 200);

    CHECK(e.Call(u"Close"));
    CHECK_FALSE(e.form.Visible());
    CHECK(e.Call(u"Open"));
    CHECK(e.form.ShowCount() == 2);
    // Empty slots leave no gap between the pictures.
    CHECK(e.form.Layout().slotOfImage == std::array<int, 8>{0, 1, 3, 4, -1, -1, -1, -1});

    // The alpha is one byte: ten times Transparency, wrapped.
    const std::pair<int32_t, int> alphas[] = {{25, 250}, {26, 4}, {-1, 246}, {2147483647, 246}};
    for (const auto& [transparency, alpha] : alphas) {
        CAPTURE(transparency);
        e.Set(u"Transparency", HostInt(transparency));
        CHECK(e.Call(u"Open"));
        CHECK(e.form.Alpha() == alpha);
    }
}

TEST_CASE("Open turns any logging level into full logging and leaves it off when off, writing nothing") {
    DriverHost host;
    EventRecorder events;
    Emulator e(events);
    SetLogLevel(1);
    e.driver.Open();
    CHECK(TLog::LogLevel() == 3);
    SetLogLevel(0);
    e.driver.Open();
    CHECK(TLog::LogLevel() == 0);
    CHECK_FALSE(host.log.TodayFileExists());
}
