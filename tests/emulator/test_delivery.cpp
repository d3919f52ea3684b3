// Card data from the window to the host: the delay, the one pending delivery
// with the newest data, the external event's arguments and the log entry,
// through Close, destruction and failures of the host's services. Several
// drivers run side by side so that the real waiting stays short.
#include <doctest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "emulator/EmulatorHost.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

// Generous: the machine may be busy, the program under a sanitizer or Wine.
constexpr long long kLateness = 2500;

// The events of a recorder, each checked for the arguments every delivery has.
std::vector<EventRecorder::Event> Events(EventRecorder& host, size_t expected) {
    const auto events = host.Events();
    REQUIRE(events.size() == expected);
    for (const auto& event : events) {
        CHECK_FALSE(event.sourceIsNull);
        CHECK(event.source.empty());
        CHECK(event.message == u"TracksData");
    }
    return events;
}

void CheckWait(Clock::time_point clicked, const EventRecorder::Event& event, long long delay) {
    const long long waited = MsSince(clicked, event.at);
    CAPTURE(waited);
    CHECK(waited >= delay);
    CHECK(waited < delay + kLateness);
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& ending) {
    size_t count = 0;
    for (const std::string& line : lines) {
        if (line.size() >= ending.size() && line.compare(line.size() - ending.size(), ending.size(), ending) == 0) ++count;
    }
    return count;
}

// A regular file where the log's folder belongs, so that every log write fails.
class BrokenLog {
public:
    explicit BrokenLog(const std::u16string& directory) : path_(directory.substr(0, directory.size() - 1)) {
        std::filesystem::create_directories(path_.parent_path());
        std::ofstream(path_) << "not a folder";
    }
    ~BrokenLog() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }

private:
    std::filesystem::path path_;
};

}  // namespace

TEST_CASE("a click reaches the host once, a second or Delay later, through Close and destruction [threads]") {
    DriverHost host;
    SetLogLevel(3);
    EventRecorder unsetHost, negativeHost, shortHost, longHost, closedHost, destroyedHost;
    Emulator unset(unsetHost), negative(negativeHost), shortDelay(shortHost), longDelay(longHost), closed(closedHost),
        destroyed(destroyedHost);
    unset.SetText(u"Barcode1", u"123456789");
    negative.Set(u"Delay", HostInt(-5));
    negative.SetText(u"Barcode1", u"AQID");
    negative.Set(u"IsBase64_1", HostBool(true));
    shortDelay.Set(u"Delay", HostInt(999));
    shortDelay.SetText(u"Barcode3", u"0102<0x1D>0304");
    longDelay.Set(u"Delay", HostInt(1500));
    longDelay.SetText(u"Barcode1", u"z/Do4uXy");  // "Привет" in Windows-1251
    longDelay.Set(u"IsBase64_1", HostBool(true));
    destroyed.Set(u"Delay", HostInt(1000));
    destroyed.SetText(u"Barcode1", u"ABCDEFGH");
    for (Emulator* e : {&unset, &negative, &shortDelay, &longDelay, &closed, &destroyed}) CHECK(e->Call(u"Open"));

    const Clock::time_point clicked = Clock::now();
    for (Emulator* e : {&unset, &negative, &shortDelay, &longDelay, &destroyed}) e->form.DoubleClickImage(1);
    closed.form.PressSend(u"<0x41><0x41>");
    std::this_thread::sleep_for(milliseconds(100));
    CHECK(closed.Call(u"Close"));

    // The destruction waits for the pending delivery, which still raises its event.
    destroyed.Destroy();
    CheckWait(clicked, Events(destroyedHost, 1)[0], 1000);
    CHECK(Events(destroyedHost, 1)[0].data == u"ABCDEFGH");

    for (EventRecorder* h : {&unsetHost, &negativeHost, &shortHost, &longHost, &closedHost}) REQUIRE(h->WaitFor(1));
    std::this_thread::sleep_for(milliseconds(300));  // room for a second event that must not come
    CheckWait(clicked, Events(unsetHost, 1)[0], 1000);
    CheckWait(clicked, Events(negativeHost, 1)[0], 1000);
    CheckWait(clicked, Events(shortHost, 1)[0], 1000);
    CheckWait(clicked, Events(longHost, 1)[0], 1500);
    CheckWait(clicked, Events(closedHost, 1)[0], 1000);
    CHECK(Events(unsetHost, 1)[0].data == u"123456789");
    CHECK(Events(negativeHost, 1)[0].data == u"\x01\x02\x03");
    CHECK(Events(shortHost, 1)[0].data == u"0102\x1D" u"0304");
    CHECK(Events(longHost, 1)[0].data == platform::AnsiToText("\xCF\xF0\xE8\xE2\xE5\xF2"));
    if (platform::AnsiCodePage() == 1251) CHECK(Events(longHost, 1)[0].data == u"Привет");
    CHECK(Events(closedHost, 1)[0].data == u"AA");

    // A Delay below the minimum is raised to it for good; the host reads it back.
    CHECK(unset.HostDelay() == 1000);
    CHECK(negative.HostDelay() == 1000);
    CHECK(shortDelay.HostDelay() == 1000);
    CHECK(longDelay.HostDelay() == 1500);

    const auto lines = host.log.Lines();
    for (const char* data : {"123456789", "ABCDEFGH", "AA", "0102\x1D" "0304"}) {
        CAPTURE(data);
        CHECK(CountLines(lines, std::string("\tDEBUG\tCчитанные данные в <>: \t<") + data + ">") == 1);
    }
}

TEST_CASE("clicks while a delivery waits, while its event is raised and after it: the newest data, none lost [threads]") {
    DriverHost host;
    EventRecorder burstHost, duringHost, failingHost;
    std::optional<BrokenLog> brokenLog;
    std::promise<void> inside, clickedInside;
    std::future<void> insideFuture = inside.get_future();
    Emulator burst(burstHost), during(duringHost), failing(failingHost);
    for (Emulator* e : {&burst, &during, &failing}) {
        e->SetText(u"Barcode1", u"first");
        e->SetText(u"Barcode2", u"second");
        CHECK(e->Call(u"Open"));
    }
    // One host's event service fails every time, and nobody's log can be written.
    failingHost.duringEvent = [](size_t) { throw std::runtime_error("the host's event queue is gone"); };
    brokenLog.emplace(host.log.Directory());
    SetLogLevel(3);
    CHECK_THROWS(Log::d(u"probe", u"the log is broken"));
    // Another host's first event is held until a click has come in meanwhile.
    duringHost.duringEvent = [&, clickedFuture = clickedInside.get_future().share()](size_t number) {
        if (number != 1) return;
        inside.set_value();
        clickedFuture.wait_for(std::chrono::seconds(6));
    };

    const Clock::time_point clicked = Clock::now();
    for (Emulator* e : {&burst, &during, &failing}) e->form.DoubleClickImage(1);
    std::this_thread::sleep_for(milliseconds(200));
    burst.form.DoubleClickImage(2);

    REQUIRE(insideFuture.wait_for(std::chrono::seconds(6)) == std::future_status::ready);
    const Clock::time_point duringSecond = Clock::now();
    during.form.DoubleClickImage(2);
    clickedInside.set_value();

    REQUIRE(burstHost.WaitFor(1));
    const Clock::time_point burstThird = Clock::now();
    burst.form.DoubleClickImage(1);
    REQUIRE(failingHost.WaitFor(1));
    const Clock::time_point failingSecond = Clock::now();
    failing.form.DoubleClickImage(2);

    for (EventRecorder* h : {&burstHost, &duringHost, &failingHost}) REQUIRE(h->WaitFor(2));
    std::this_thread::sleep_for(milliseconds(300));
    const auto burstEvents = Events(burstHost, 2);
    const auto duringEvents = Events(duringHost, 2);
    const auto failingEvents = Events(failingHost, 2);

    // Two clicks 200 ms apart: one event, counted from the first, with the second's data.
    CheckWait(clicked, burstEvents[0], 1000);
    CHECK(burstEvents[0].data == u"second");
    // A click after the event: a new delivery with a full wait of its own.
    CheckWait(burstThird, burstEvents[1], 1000);
    CHECK(burstEvents[1].data == u"first");
    // A click while the event is being raised is not swallowed by that event.
    CHECK(duringEvents[0].data == u"first");
    CheckWait(duringSecond, duringEvents[1], 1000);
    CHECK(duringEvents[1].data == u"second");
    // Failing services stall nothing.
    CheckWait(failingSecond, failingEvents[1], 1000);
    CHECK(failingEvents[1].data == u"second");
    SetLogLevel(0);
}
