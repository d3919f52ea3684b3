// The swipe tool's shared logic against a platform part of the test's own:
// which emulator a swipe goes to, the listing, the exit codes and messages,
// the length limit in characters.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include <string>
#include <vector>

#include "SwipeTool.h"
#include "common/Text.h"

using swipe::TCommand;
using swipe::TStatus;

namespace {

struct TFakePlatform {
    std::vector<swipetool::TEmulator> emulators;
    // What Send answers; by default each emulator accepts and repeats the text.
    std::optional<swipetool::TReply> reply;
    std::vector<std::pair<long, swipe::TRequest>> sent;  // the emulator's pid, and the request
    std::u16string out, err;
};
TFakePlatform gFake;

}  // namespace

namespace swipetool {

const char16_t kProgram[] = u"mcrswipe";

std::vector<TEmulator> FindEmulators() { return gFake.emulators; }

TReply Send(const TEmulator& AEmulator, const swipe::TRequest& ARequest) {
    gFake.sent.emplace_back(AEmulator.pid, ARequest);
    if (gFake.reply) return *gFake.reply;
    TReply reply{true, false, false, TStatus::kAccepted, AEmulator.described.answer};
    reply.answer->text = ARequest.text;
    return reply;
}

std::u16string Whereabouts() { return u"the test's list"; }

void Write(bool AError, const std::u16string& AText) { (AError ? gFake.err : gFake.out) += AText; }

}  // namespace swipetool

namespace {

using swipetool::TEmulator;
using swipetool::TReply;

TEmulator Described(long pid, int serial, bool open, std::u16string preset = {}) {
    swipe::TAnswer answer{1500, u"Эмулятор MCR", {preset}, swipe::DeviceHandle(pid, serial),
                          u"emulator " + IntToText(serial) + u" of its process", open};
    TEmulator emulator;
    emulator.pid = pid;
    emulator.described = {true, false, false, open ? TStatus::kAccepted : TStatus::kNotConnected, answer};
    return emulator;
}

TEmulator Unreached(long pid, bool denied) {
    TEmulator emulator;
    emulator.pid = pid;
    emulator.described.denied = denied;
    return emulator;
}

int Run(std::vector<std::u16string> args) {
    gFake.out.clear();
    gFake.err.clear();
    gFake.sent.clear();
    return swipetool::Main(args);
}

bool Has(const std::u16string& text, const std::u16string& part) { return text.find(part) != std::u16string::npos; }

struct TFresh {
    TFresh() { gFake = {}; }
    ~TFresh() { gFake = {}; }
};

}  // namespace

TEST_CASE("two open emulators of one process are told apart by --device; without it, a list and exit 2") {
    TFresh fresh;
    gFake.emulators = {Described(4242, 1, true, u"123456789"), Described(4242, 2, true, u"0102\x1D" u"0304"),
                       Described(77, 1, false)};
    CHECK(Run({u"X"}) == swipetool::kUsage);
    CHECK(gFake.sent.empty());
    CHECK(Has(gFake.err, u"mcrswipe: several open emulators; pick one with --device HANDLE:"));
    CHECK(Has(gFake.err, u"  4242-1  open  \"Эмулятор MCR\"  (emulator 1 of its process)  1: 123456789\n"));
    CHECK(Has(gFake.err, u"  4242-2  open  \"Эмулятор MCR\"  (emulator 2 of its process)  1: 0102<0x1D>0304\n"));
    CHECK(Has(gFake.err, u"  77-1  not open"));
    // --pid cannot tell them apart.
    CHECK(Run({u"--pid", u"4242", u"X"}) == swipetool::kUsage);

    CHECK(Run({u"--device", u"4242-2", u"--barcode", u"1"}) == swipetool::kAccepted);
    REQUIRE(gFake.sent.size() == 1);
    CHECK(gFake.sent[0].second.command == TCommand::kSwipePreset);
    CHECK(gFake.out == u"delivered in 1500 ms: \n");
    // The handle says which emulator: the second one's answer came back.
    CHECK(Run({u"--device", u"4242-1", u"A"}) == swipetool::kAccepted);
    CHECK(gFake.out == u"delivered in 1500 ms: A\n");

    // A handle nobody has, a malformed one, and --device with --pid.
    CHECK(Run({u"--device", u"4242-3", u"A"}) == swipetool::kNoEmulator);
    CHECK(Has(gFake.err, u"no emulator window with handle 4242-3"));
    CHECK(Run({u"--device", u"4242", u"A"}) == swipetool::kUsage);
    CHECK(Run({u"--device", u"4242-1", u"--pid", u"4242", u"A"}) == swipetool::kUsage);
    CHECK(gFake.sent.empty());
    // A closed emulator named by its handle says so itself.
    gFake.reply = TReply{true, false, false, TStatus::kNotConnected, std::nullopt};
    CHECK(Run({u"--device", u"77-1", u"A"}) == swipetool::kRefused);
    CHECK(Has(gFake.err, u"refused: the emulator is not connected"));
}

TEST_CASE("--list prints every emulator with its handle, state, caption, description and presets") {
    TFresh fresh;
    // In the order the system finds them: the newest window first.
    gFake.emulators = {Unreached(100, true), Described(4242, 2, false), Described(4242, 1, true, u"A\x01"),
                       Unreached(99, false)};
    CHECK(Run({u"--list"}) == swipetool::kAccepted);
    CHECK(gFake.sent.empty());
    CHECK(gFake.err.empty());
    CHECK(gFake.out == u"  99-?  did not answer in time (busy or stopped)\n"
                       u"  100-?  out of reach: its process runs as administrator\n"
                       u"  4242-1  open  \"Эмулятор MCR\"  (emulator 1 of its process)  1: A<0x01>\n"
                       u"  4242-2  not open  \"Эмулятор MCR\"  (emulator 2 of its process)\n");
    CHECK(Run({u"--list", u"--pid", u"99"}) == swipetool::kAccepted);
    CHECK(gFake.out == u"  99-?  did not answer in time (busy or stopped)\n");
    CHECK(Run({u"--list", u"X"}) == swipetool::kUsage);
    gFake.emulators.clear();
    CHECK(Run({u"--list"}) == swipetool::kNoEmulator);
    CHECK(Has(gFake.err, u"no emulator window (the test's list)"));
}

TEST_CASE("an emulator out of reach, busy or gone: each exit code with its message") {
    const TReply denied{false, false, true, {}, std::nullopt};
    const TReply gone{false, true, false, {}, std::nullopt};
    struct TCase {
        std::vector<TEmulator> emulators;
        std::optional<TReply> reply;
        std::vector<std::u16string> args;
        int code;
        std::u16string message;
    };
    const TCase cases[] = {
        // Refused by the system when describing, or when swiping: the process runs as administrator.
        {{Unreached(4242, true)}, {}, {u"X"}, swipetool::kDenied, u"runs as administrator and Windows does not let"},
        {{Described(4242, 1, true)}, denied, {u"X"}, swipetool::kDenied, u"run the tool as administrator too"},
        // Busy: no answer within 5 s, and no second try.
        {{Unreached(4242, false)}, {}, {u"X"}, swipetool::kNoAnswer, u"did not answer within 5 s"},
        // One open, one that cannot say: the tool does not guess, but a handle
        // may name the silent one.
        {{Described(4242, 1, true), Unreached(77, false)}, {}, {u"X"}, swipetool::kUsage, u""},
        {{Described(4242, 1, true), Unreached(77, false)}, {}, {u"--device", u"77-3", u"X"}, swipetool::kNoAnswer, u""},
        {{Described(4242, 1, true)}, gone, {u"X"}, swipetool::kNoEmulator, u"closed before it answered"},
        {{Described(4242, 1, false), Described(4242, 2, false)}, {}, {u"X"}, swipetool::kNoEmulator, u"no open emulator"},
    };
    for (const TCase& one : cases) {
        TFresh fresh;
        gFake.emulators = one.emulators;
        gFake.reply = one.reply;
        CHECK(Run(one.args) == one.code);
        CHECK(Has(gFake.err, one.message));
        // Nothing is sent to an emulator that did not describe itself.
        if (one.emulators.size() == 1 && !one.emulators[0].described.answered) CHECK(gFake.sent.empty());
    }
}

TEST_CASE("the length limit counts characters as the user does") {
    TFresh fresh;
    gFake.emulators = {Described(4242, 1, true)};
    std::u16string most;
    for (std::size_t n = 0; n < swipe::kMaxTextChars; ++n) most += u"\U0001F600";
    CHECK(Run({most}) == swipetool::kAccepted);
    REQUIRE(gFake.sent.size() == 1);
    CHECK(gFake.sent[0].second.text == most);
    CHECK(Run({most + u"x"}) == swipetool::kRefused);
    CHECK(gFake.sent.empty());
    CHECK(gFake.err == u"mcrswipe: refused: the text is too long (at most 32768 characters)\n");
}
