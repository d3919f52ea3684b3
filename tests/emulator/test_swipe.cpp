// Swipes from other programs: the payload checks, the answer record and
// what the window makes of a request.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emulator/FormLogic.h"
#include "emulator/Swipe.h"

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
    SUBCASE("a text swipe: even size, not empty, at most 64 KiB, data present") {
        const swipe::TParsed parsed = swipe::ParseRequest(Code(TCommand::kSwipeText), text.data(), 4);
        REQUIRE(parsed.request);
        CHECK(parsed.request->text == u"AB");
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), 3) == TStatus::kBadPayload);
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), 0) == TStatus::kEmpty);
        CHECK(Refusal(Code(TCommand::kSwipeText), nullptr, 4) == TStatus::kBadPayload);
        // The size alone refuses a huge payload: its bytes are never touched.
        CHECK(Refusal(Code(TCommand::kSwipeText), text.data(), swipe::kMaxDataBytes + 2) == TStatus::kTooLong);
        std::vector<char16_t> most(swipe::kMaxDataBytes / 2, u'x');
        CHECK(Refusal(Code(TCommand::kSwipeText), most.data(), swipe::kMaxDataBytes) == TStatus::kAccepted);
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
    swipe::TAnswer answer{1500, std::u16string(u"0102\x1D" u"0304"), Slots()};
    const std::string bytes = swipe::EncodeAnswer(answer);
    const auto back = swipe::DecodeAnswer(bytes.data(), bytes.size());
    REQUIRE(back);
    CHECK(back->delay == 1500);
    CHECK(back->text == answer.text);
    CHECK(back->presets == answer.presets);
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

TEST_CASE("console lines show control characters only as escapes") {
    CHECK(swipe::ShowControls(std::u16string(u"a\x01\x1F\x7F" u"Ж ~", 7)) == u"a<0x01><0x1F><0x7F>Ж ~");
    CHECK(swipe::StatusText(TStatus::kBadEscape) == u"bad escape");
    CHECK(swipe::StatusText(static_cast<TStatus>(0)) == u"the window did not take the swipe (status 0)");
}
