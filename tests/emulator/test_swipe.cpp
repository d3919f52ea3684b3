// Swipes from other programs: the payload checks, the answer record, what
// the window makes of a request, and the shared handler through a driver
// and its headless window, as a transport hands requests over.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emulator/EmulatorHost.h"
#include "emulator/FormLogic.h"
#include "emulator/Swipe.h"
#include "log/Log.h"
#include "platform/Platform.h"

using swipe::TCommand;
using swipe::TStatus;

namespace {

constexpr uint64_t Code(TCommand command) { return static_cast<uint64_t>(command); }

TStatus Refusal(uint64_t command, const void* data, std::size_t size) {
    const swipe::TParsed parsed = swipe::ParseRequest(command, data, size);
    return parsed.request ? TStatus::kAccepted : parsed.refusal;
}

std::array<std::u16string, 8> Slots() { return {u"123456789", u"", u"0102<0x1D>0304", u"<0x123456789>"}; }

}  // namespace

TEST_CASE("payloads are checked before they are read") {
    const std::u16string text = u"AB";
    const uint32_t preset = 3;
    SUBCASE("a text swipe: even size, not empty, at most 32768 characters, data present") {
        const swipe::TParsed parsed = swipe::ParseRequest(Code(TCommand::kSwipeText), text.data(), 4);
        REQUIRE(parsed.request);
        CHECK(parsed.request->text == u"AB");
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), 3) == TStatus::kBadPayload);
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), 0) == TStatus::kEmpty);
        CHECK(Refusal(Code(TCommand::kSwipeText), nullptr, 4) == TStatus::kBadPayload);
        // The size alone refuses a huge payload: its bytes are never touched.
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), swipe::kMaxDataBytes + 2) == TStatus::kTooLong);
        // Characters as the user counts them: a pair of surrogates is one.
        std::u16string most;
        for (std::size_t n = 0; n < swipe::kMaxTextChars; ++n) most += u"\U0001F600";
        CHECK(most.size() * 2 == swipe::kMaxDataBytes);
        CHECK(Refusal(Code(TCommand::kSwipeText), most.data(), swipe::kMaxDataBytes) == TStatus::kAccepted);
        const std::u16string plain(swipe::kMaxTextChars, u'x');
        CHECK(Refusal(Code(TCommand::kSwipeText), plain.data(), plain.size() * 2) == TStatus::kAccepted);
        const std::u16string over = plain + u'x';
        CHECK(Refusal(Code(TCommand::kSwipeText), over.data(), over.size() * 2) == TStatus::kTooLong);
        CHECK(swipe::StatusText(TStatus::kTooLong) == u"the text is too long (at most 32768 characters)");
    }
    SUBCASE("characters are code points; a lone surrogate counts as one") {
        CHECK(swipe::CountCharacters(u"") == 0);
        CHECK(swipe::CountCharacters(u"AЖ\U0001F600") == 3);
        CHECK(swipe::CountCharacters(std::u16string(1, char16_t(0xD83D))) == 1);
        CHECK(swipe::CountCharacters(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}) == 2);
        CHECK(swipe::CountCharacters(std::u16string{char16_t(0xD83D), u'x'}) == 2);
    }
    SUBCASE("a preset swipe: four bytes holding 1 to 8") {
        const swipe::TParsed parsed = swipe::ParseRequest(Code(TCommand::kSwipePreset), &preset, 4);
        REQUIRE(parsed.request);
        CHECK(parsed.request->preset == 3);
        for (const uint32_t number : {0u, 9u, 0xFFFFFFFFu}) {
            CHECK(Refusal(Code(TCommand::kSwipePreset), &number, 4) == TStatus::kBadPreset);
        }
        CHECK(Refusal(Code(TCommand::kSwipePreset), &preset, 2) == TStatus::kBadPayload);
        CHECK(Refusal(Code(TCommand::kSwipePreset), nullptr, 0) == TStatus::kBadPayload);
    }
    SUBCASE("unknown commands, and the answer's code sent to a window, are refused") {
        CHECK(Refusal(0, text.data(), 4) == TStatus::kUnknownCommand);
        CHECK(Refusal(Code(TCommand::kAnswer), text.data(), 4) == TStatus::kUnknownCommand);
        CHECK(Refusal(Code(TCommand::kSwipeText) | (uint64_t{1} << 32), text.data(), 4) == TStatus::kUnknownCommand);
        CHECK(Refusal(Code(TCommand::kDescribe), text.data(), 4) == TStatus::kBadPayload);
    }
    SUBCASE("encoded requests read back") {
        for (const swipe::TRequest& request : {swipe::TRequest{TCommand::kSwipeText, u"<0x41>Ж", 0},
                                               swipe::TRequest{TCommand::kSwipePreset, {}, 8}}) {
            const std::string bytes = swipe::EncodeRequest(request);
            const swipe::TParsed parsed = swipe::ParseRequest(Code(request.command), bytes.data(), bytes.size());
            REQUIRE(parsed.request);
            CHECK(parsed.request->text == request.text);
            CHECK(parsed.request->preset == request.preset);
        }
    }
}

TEST_CASE("the answer record survives its trip and refuses truncated or padded bytes") {
    swipe::TAnswer answer{1500, std::u16string(u"0102\x1D" u"0304"), Slots(), u"4242-2", u"emulator 2", true};
    const std::string bytes = swipe::EncodeAnswer(answer);
    const auto back = swipe::DecodeAnswer(bytes.data(), bytes.size());
    REQUIRE(back);
    CHECK(back->delay == 1500);
    CHECK(back->text == answer.text);
    CHECK(back->presets == answer.presets);
    CHECK(back->device == u"4242-2");
    CHECK(back->description == u"emulator 2");
    CHECK(back->open);
    for (std::size_t size = 0; size < bytes.size(); ++size) CHECK_FALSE(swipe::DecodeAnswer(bytes.data(), size));
    const std::string padded = bytes + '\0';
    CHECK_FALSE(swipe::DecodeAnswer(padded.data(), padded.size()));
    // A length beyond the bytes there are.
    std::string lying = bytes;
    lying[4] = '\x7F';
    CHECK_FALSE(swipe::DecodeAnswer(lying.data(), lying.size()));
}

TEST_CASE("the window hands over decoded text or refuses, as a click would") {
    const auto slots = Slots();
    const auto resolve = [&](swipe::TRequest request, bool connected = true) {
        return ResolveSwipe(request, connected, slots);
    };
    CHECK(resolve({TCommand::kSwipeText, u"0102<0x1d>0304", 0}).text == u"0102\x1D" u"0304");
    CHECK(resolve({TCommand::kSwipePreset, {}, 3}).text == u"0102\x1D" u"0304");
    CHECK(resolve({TCommand::kSwipePreset, {}, 1}).status == TStatus::kAccepted);
    CHECK(resolve({TCommand::kSwipePreset, {}, 2}).status == TStatus::kEmptyPreset);
    CHECK(resolve({TCommand::kSwipeText, u"", 0}).status == TStatus::kEmpty);
    CHECK(resolve({TCommand::kSwipeText, u"x", 0}, false).status == TStatus::kNotConnected);
    const TSwipeOutcome bad = resolve({TCommand::kSwipePreset, {}, 4});
    CHECK(bad.status == TStatus::kBadEscape);
    CHECK(bad.text == u"'$123456789' is not a valid integer value");
    CHECK(resolve({TCommand::kDescribe, {}, 0}, false).status == TStatus::kAccepted);
}

TEST_CASE("device handles: PID-N, both numbers positive decimal digits") {
    CHECK(swipe::DeviceHandle(4242, 2) == u"4242-2");
    const auto id = swipe::ParseDeviceHandle(u"4242-12");
    REQUIRE(id);
    CHECK(id->pid == 4242);
    CHECK(id->serial == 12);
    for (const char16_t* bad : {u"", u"4242", u"4242-", u"-2", u"0-1", u"1-0", u"+4-1", u"4 -1", u"4-1-2", u"4-x",
                                u"99999999999-1", u"4-99999999999"}) {
        CAPTURE(ToUtf8(bad));
        CHECK_FALSE(swipe::ParseDeviceHandle(bad));
    }
}

TEST_CASE("console lines show control characters only as escapes") {
    CHECK(swipe::ShowControls(std::u16string(u"a\x01\x1F\x7F" u"Ж ~", 7)) == u"a<0x01><0x1F><0x7F>Ж ~");
    CHECK(swipe::StatusText(TStatus::kBadEscape) == u"bad escape");
    CHECK(swipe::StatusText(static_cast<TStatus>(0)) == u"the window did not take the swipe (status 0)");
}

namespace {

std::optional<swipe::TAnswer> Answer(const TSwipeResponse& response) {
    return swipe::DecodeAnswer(response.answer.data(), response.answer.size());
}

TSwipeResponse SwipeText(Emulator& e, const std::u16string& text, std::function<bool()> waiting = {}) {
    const swipe::TRequest request{TCommand::kSwipeText, text, 0};
    return e.form.Swipe(Code(TCommand::kSwipeText), swipe::EncodeRequest(request), 4242, std::move(waiting));
}

TSwipeResponse Describe(Emulator& e) { return e.form.Swipe(Code(TCommand::kDescribe), {}, 4242); }

std::size_t CountContaining(const std::vector<std::string>& lines, const std::string& text) {
    std::size_t count = 0;
    for (const std::string& line : lines) count += line.find(text) != std::string::npos;
    return count;
}

}  // namespace

TEST_CASE("swipes follow the driver's Open and Close, not the window's visibility; each emulator names itself") {
    DriverHost host;
    EventRecorder firstHost, secondHost;
    Emulator first(firstHost), second(secondHost);
    first.SetText(u"Barcode2", u"ABCDEFGH");
    // Never opened: refused, and the description says so.
    CHECK(SwipeText(first, u"A").status == TStatus::kNotConnected);
    const TSwipeResponse closed = Describe(first);
    CHECK(closed.status == TStatus::kNotConnected);
    REQUIRE(Answer(closed));
    CHECK_FALSE(Answer(closed)->open);

    // Each driver object has a serial of its own, in the order of creation.
    const int serial = first.form.Device().serial;
    CHECK(serial > 0);
    CHECK(second.form.Device().serial == serial + 1);
    CHECK(Answer(closed)->device == swipe::DeviceHandle(platform::ProcessId(), serial));
    CHECK(Answer(Describe(second))->device == swipe::DeviceHandle(platform::ProcessId(), serial + 1));

    // Open, then the window closed with its cross: it only hides, and the device stays open.
    REQUIRE(first.Call(u"Open"));
    first.form.Hide();
    const TSwipeResponse described = Describe(first);
    CHECK(described.status == TStatus::kAccepted);
    REQUIRE(Answer(described));
    CHECK(Answer(described)->open);
    CHECK(Answer(described)->text == first.form.Caption());
    CHECK(Answer(described)->presets[1] == u"ABCDEFGH");
    const TSwipeResponse accepted = SwipeText(first, u"A<0x42>");
    CHECK(accepted.status == TStatus::kAccepted);
    REQUIRE(Answer(accepted));
    CHECK(Answer(accepted)->text == u"AB");
    CHECK(Answer(accepted)->delay == TDriver::kMinDelay);
    REQUIRE(firstHost.WaitFor(1));
    CHECK(firstHost.Events()[0].data == u"AB");

    // Closed by the host: refused again, and nothing more arrives.
    REQUIRE(first.Call(u"Close"));
    CHECK(SwipeText(first, u"C").status == TStatus::kNotConnected);
    CHECK_FALSE(firstHost.WaitFor(2, milliseconds(1500)));
    CHECK(secondHost.Events().empty());
}

TEST_CASE("a swipe whose sender stopped waiting is dropped: logged, not delivered, not answered") {
    DriverHost host;
    EventRecorder recorder;
    Emulator e(recorder);
    REQUIRE(e.Call(u"Open"));
    SetLogLevel(3);
    int asked = 0;
    const TSwipeResponse dropped = SwipeText(e, u"LATE", [&] {
        ++asked;
        return false;
    });
    CHECK(asked == 1);
    CHECK(dropped.dropped);
    CHECK(dropped.answer.empty());
    // A waiting sender gets its swipe, and a refusal is logged with its reason.
    CHECK(SwipeText(e, u"ON TIME", [] { return true; }).status == TStatus::kAccepted);
    CHECK(SwipeText(e, u"").status == TStatus::kEmpty);
    REQUIRE(recorder.WaitFor(1));
    CHECK_FALSE(recorder.WaitFor(2, milliseconds(1500)));
    CHECK(recorder.Events()[0].data == u"ON TIME");
    SetLogLevel(0);
    const auto lines = host.log.Lines();
    CHECK(CountContaining(lines, "Swipe from process 4242: \tdropped: the sender stopped waiting") == 1);
    CHECK(CountContaining(lines, "Swipe from process 4242: \t<ON TIME>") == 1);
    CHECK(CountContaining(lines, "Swipe from process 4242: \trefused: the text is empty") == 1);
    CHECK(CountContaining(lines, "LATE") == 0);
}
