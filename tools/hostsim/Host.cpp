#include "Host.h"

#include "MessageLoop.h"
#include "Script.h"
#include "Text.h"
#include "Value.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace hostsim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Sent to the component the way the host names a Russian-language session.
constexpr std::u16string_view kLocale = u"ru_RU";
constexpr std::int32_t kExpectedInfo = 2000;
// Pumping slice: events are printed at most this late.
constexpr auto kSlice = 10ms;

std::string Show(const OptionalText& text) { return text ? Printable(*text) : std::string("(null)"); }

std::string Quoted(const OptionalText& text) { return text ? "\"" + Printable(*text) + "\"" : std::string("(null)"); }

std::string YesNo(bool flag) { return flag ? "yes" : "no"; }

std::u16string U16(const std::string& text) { return FromUtf8(text); }

std::string Hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// A word as it would have to be written in a script to mean the same.
std::string Echoed(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        if (!out.empty()) {
            out += ' ';
        }
        if (!word.empty() && word.find_first_of(" \t\"\\#") == std::string::npos) {
            out += word;
            continue;
        }
        out += '"';
        for (const char c : word) {
            if (c == '"' || c == '\\') {
                out += '\\';
            }
            out += c;
        }
        out += '"';
    }
    return out;
}

std::optional<std::string> ReadSource(const std::string& source) {
    std::string bytes;
    if (source == "-") {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
            bytes.append(buffer, got);
        }
    } else {
        std::ifstream file(std::filesystem::path(U16(source)), std::ios::binary);
        if (!file) {
            return std::nullopt;
        }
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        bytes.erase(0, 3);
    }
    return bytes;
}

std::string UnitName(const std::string& source) {
    if (source == "-") {
        return "stdin";
    }
    const std::size_t slash = source.find_last_of("/\\");
    return slash == std::string::npos ? source : source.substr(slash + 1);
}

bool Emulated() {
    const char* flag = std::getenv("MCR_EMULATED_CPU");
    return flag != nullptr && *flag != '\0' && std::string(flag) != "0";
}

// A host call that holds the host's thread is worth seeing; a quick one is not.
std::string Took(Clock::duration duration) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
    return ms >= 100 ? ", took " + std::to_string(ms) + " ms" : std::string();
}

// A file name against a pattern of '*' (any run) and '?' (any one unit),
// letter case ignored as the Windows file system does.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    std::size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || fold(pattern[p]) == fold(name[n]))) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++, resume = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1, n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

struct Host::Command {
    std::string_view name;
    std::size_t minArgs;
    std::size_t maxArgs;
    std::string_view usage;
    void (Host::*run)(const Args&);
};

constexpr std::size_t kMany = 64;

const Host::Command Host::kCommands[] = {
    {"call", 1, kMany, "call METHOD [VALUE...]   call as the host does: missing parameters get their defaults",
     &Host::CmdCall},
    {"call-raw", 1, kMany, "call-raw METHOD [VALUE...]   pass exactly these parameters, however many",
     &Host::CmdCallRaw},
    {"get", 1, 1, "get PROP", &Host::CmdGet},
    {"set", 2, 2, "set PROP VALUE", &Host::CmdSet},
    {"param", 2, 2, "param NAME TEXT   SetParameter with the name and the text as strings", &Host::CmdParam},
    {"new", 0, 0, "new   another object of the class; later commands go to it", &Host::CmdNew},
    {"object", 1, 1, "object N   later commands go to object N", &Host::CmdObject},
    {"destroy", 0, 0, "destroy   Done and DestroyObject for the current object", &Host::CmdDestroy},
    {"unload", 0, 0, "unload   destroy every object, then free the library", &Host::CmdUnload},
    {"pump", 1, 1, "pump MS   run the message loop, printing events", &Host::CmdPump},
    {"wait-events", 2, 2, "wait-events N MS   pump until N events in all, fail after MS", &Host::CmdWaitEvents},
    {"expect-events", 1, 1, "expect-events N   fail unless exactly N events so far", &Host::CmdExpectEvents},
    {"expect-data", 2, 2, "expect-data N TEXT   fail unless event N carried TEXT (as printed, <0xHH> escapes)",
     &Host::CmdExpectData},
    {"expect-delay", 2, 2, "expect-delay MIN MAX   fail unless the latest event came MIN..MAX ms after its click",
     &Host::CmdExpectDelay},
    {"sleep", 1, 1, "sleep MS   wait without pumping", &Host::CmdSleep},
    {"caption", 1, 1, "caption TEXT   the window commands look for this caption", &Host::CmdCaption},
    {"window", 0, 0, "window   the component's window: visibility, rectangles, caption, alpha", &Host::CmdWindow},
    {"wait-window", 2, 2, "wait-window visible|hidden MS", &Host::CmdWaitWindow},
    {"child", 1, 1, "child ID   one control of the window", &Host::CmdChild},
    {"click-child", 1, 1, "click-child ID   a real click at the control's centre", &Host::CmdClickChild},
    {"dblclick-child", 1, 1, "dblclick-child ID   a real double-click at the control's centre",
     &Host::CmdDblClickChild},
    {"settext-child", 2, 2, "settext-child ID TEXT", &Host::CmdSetTextChild},
    {"close-window", 0, 0, "close-window   WM_CLOSE to the window", &Host::CmdCloseWindow},
    {"expect-box", 1, 1, "expect-box CAPTION   answer the next message box with this caption", &Host::CmdExpectBox},
    {"check-box", 2, 2, "check-box CAPTION TEXT   fail unless that box appeared with this text",
     &Host::CmdCheckBox},
    {"expect-file", 1, 2, "expect-file PATTERN [TEXT]   a file written during this script ({CommonAppData})",
     &Host::CmdExpectFile},
    {"swipe", 1, kMany, "swipe TEXT | swipe --barcode N   McrSwipe.exe beside hostsim, run while pumping ({pid}: ours)",
     &Host::CmdSwipe},
    {"swipe-busy", 2, kMany, "swipe-busy MS ARGS...   swipe while this thread stays busy for MS ms", &Host::CmdSwipeBusy},
    {"skip-if-emulated", 0, kMany, "skip-if-emulated [REASON]   end the script here under CPU emulation",
     &Host::CmdSkipIfEmulated},
};

std::vector<std::string_view> Host::CommandUsage() {
    std::vector<std::string_view> lines;
    for (const Command& command : kCommands) {
        lines.push_back(command.usage);
    }
    return lines;
}

Host::Host(std::filesystem::path library, HostOptions options)
    : path_(std::move(library)), options_(std::move(options)), mainThread_(std::this_thread::get_id()) {}

Host::~Host() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        DestroyObject(i);
    }
#ifdef _WIN32
    watcher_.reset();
#endif
}

bool Host::Load() {
    try {
        library_.emplace(Library::Load(path_));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return false;
    }
    if (options_.className.empty()) {
        const auto names = library_->ClassNames();
        className_ = names.empty() ? std::u16string() : names.front();
    } else {
        className_ = options_.className;
    }
    return true;
}

void Host::Line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void Host::Fail(const std::string& text) {
    Line("  FAILED: " + text);
    failures_.push_back(location_ + ": " + text);
}

void Host::Fault(const std::string& text) {
    Line("  FAULT: " + text);
    faults_.push_back(location_ + ": " + text);
}

// What reached the host since the last look: error reports, events, frees of
// blocks it never handed out, message boxes nobody expected.
void Host::ShowReports() {
    const auto errors = connection_.Errors();
    for (; errorsShown_ < errors.size(); ++errorsShown_, ++errorsTotal_) {
        const ErrorRecord& error = errors[errorsShown_];
        Line("  AddError: code=" + std::to_string(error.code) + " source=" + Quoted(error.source) +
             " description=" + Quoted(error.description) + " scode=" + Hex32(static_cast<std::uint32_t>(error.scode)));
    }
    const auto events = connection_.Events();
    for (; eventsShown_ < events.size(); ++eventsShown_) {
        const EventRecord& event = events[eventsShown_];
        // Measured from the latest click before the event, else from the script's start.
        auto since = unitStart_;
        for (const auto click : clicks_) {
            if (click <= event.time) {
                since = std::max(since, click);
            }
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(event.time - since).count();
        lastDelay_ = ms;
        Line("event +" + std::to_string(ms) + " ms thread=" + (event.thread == mainThread_ ? "main" : "other") +
             " source=" + EventText(event.source) + " message=" + EventText(event.message) +
             " data=" + EventText(event.data));
    }
    const auto badFrees = memory_.BadFrees();
    for (; badFreesShown_ < badFrees.size(); ++badFreesShown_) {
        char address[32];
        std::snprintf(address, sizeof address, "%p", badFrees[badFreesShown_].address);
        Fault("bad free of " + std::string(address) + ": " + badFrees[badFreesShown_].reason);
    }
#ifdef _WIN32
    if (watcher_) {
        for (const std::string& box : watcher_->TakeUnexpected()) {
            Fail("a message box nobody expected was closed: " + box);
        }
    }
#endif
}

void Host::Pump(std::chrono::milliseconds duration) {
    PumpUntil(duration, [] { return false; });
}

// Pumps in slices, printing what arrives, until `done` or the limit; true when done.
bool Host::PumpUntil(std::chrono::milliseconds limit, const std::function<bool()>& done) {
    const auto until = Clock::now() + limit;
    for (;;) {
        ShowReports();
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        PumpMessages(std::min<std::chrono::milliseconds>(left, kSlice));
    }
}

std::optional<Component> Host::CreateObject() {
    if (!library_) {
        Fail("the library is not loaded");
        return std::nullopt;
    }
    auto component = Component::Create(*library_, className_);
    if (!component) {
        Fail("GetClassObject(\"" + Printable(className_) + "\") created no object");
        return std::nullopt;
    }
    if (!component->SetMemManager(&memory_)) {
        Fault("setMemManager returned false");
    }
    if (!component->Init(&connection_)) {
        Fault("Init returned false");
    }
    PumpMessages(0ms);
    const std::int32_t info = component->GetInfo();
    if (info != kExpectedInfo) {
        Fault("GetInfo returned " + std::to_string(info) + ", the host expects " + std::to_string(kExpectedInfo));
    }
    component->SetLocale(kLocale);
    const auto extension = component->RegisterExtensionAs();
    Line("  object " + std::to_string(objects_.size() + 1) + ": class " + Printable(className_) + ", extension " +
         Show(extension.name) + (extension.result ? "" : " (RegisterExtensionAs returned false)"));
    return component;
}

void Host::DestroyObject(std::size_t index) {
    auto& slot = objects_.at(index);
    if (!slot) {
        return;
    }
    PumpMessages(0ms);
    for (const std::string& fault : slot->Faults()) {
        Fault("object " + std::to_string(index + 1) + ": " + fault);
    }
    const std::int32_t destroyed = slot->Destroy();
    if (destroyed != 0) {
        Fault("DestroyObject returned " + std::to_string(destroyed));
    }
    slot.reset();
    Line("  object " + std::to_string(index + 1) + ": destroyed");
    PumpMessages(0ms);
    ShowReports();
}

Component* Host::Current() {
    if (current_ >= objects_.size() || !objects_[current_]) {
        Fail(library_ ? "object " + std::to_string(current_ + 1) + " does not exist (destroyed?)"
                      : std::string("the library was unloaded"));
        return nullptr;
    }
    return &*objects_[current_];
}

std::size_t Host::EventsInUnit() const { return connection_.EventCount(); }

bool Host::Begin(const std::string& unit) {
    unit_ = unit;
    location_ = unit;
    stopped_ = false;
    Line("== " + unit);
    if (!library_) {
        if (!Load()) {
            Fail("the library could not be loaded again");
            stopped_ = true;
            return false;
        }
        Line("  library loaded again");
    }
    connection_.Clear();
    errorsShown_ = 0;
    eventsShown_ = 0;
    clicks_.clear();
    lastDelay_.reset();
    unitStart_ = Clock::now();
    unitStartFile_ = std::filesystem::file_time_type::clock::now();
    objects_.clear();
    current_ = 0;
    auto component = CreateObject();
    if (!component) {
        stopped_ = true;
        return false;
    }
    objects_.push_back(std::move(component));
    return true;
}

void Host::End() {
    location_ = unit_ + ": end";
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        DestroyObject(i);
    }
    objects_.clear();
    ShowReports();
    Line("== end " + unit_ + ": events=" + std::to_string(EventsInUnit()) +
         " errors=" + std::to_string(connection_.Errors().size()) +
         " memory outstanding=" + std::to_string(memory_.Outstanding().size()));
}

void Host::Execute(std::size_t line, const std::string& echo, Args words) {
    location_ = unit_ + ":" + std::to_string(line);
    Line("> " + location_ + ": " + echo);
    const std::string name = words.front();
    words.erase(words.begin());
    const Command* command = nullptr;
    for (const Command& candidate : kCommands) {
        if (candidate.name == name) {
            command = &candidate;
        }
    }
    if (command == nullptr) {
        Fail("unknown command: " + name);
        return;
    }
    if (words.size() < command->minArgs || words.size() > command->maxArgs) {
        Fail("usage: " + std::string(command->usage));
        return;
    }
    (this->*command->run)(words);
    ShowReports();
}

void Host::Info() {
    const V8Char* classNames = library_->GetClassNames();
    Line("classes: " + (classNames != nullptr ? Printable(classNames) : std::string("(null)")));
    location_ = "info";
    for (const std::u16string& name : library_->ClassNames()) {
        Line("class " + Printable(name));
        className_ = name;
        auto component = CreateObject();
        if (!component) {
            continue;
        }
        const std::int32_t methods = component->GetNMethods();
        Line("  methods: " + std::to_string(methods));
        for (std::int32_t i = 0; i < methods; ++i) {
            const auto english = component->GetMethodName(i, 0);
            const auto local = component->GetMethodName(i, 1);
            Line("    [" + std::to_string(i) + "] " + Show(english) + " / " + Show(local) +
                 "  params=" + std::to_string(component->GetNParams(i)) + " returns=" + YesNo(component->HasRetVal(i)));
        }
        const std::int32_t props = component->GetNProps();
        Line("  properties: " + std::to_string(props));
        for (std::int32_t i = 0; i < props; ++i) {
            const auto english = component->GetPropName(i, 0);
            const auto local = component->GetPropName(i, 1);
            Line("    [" + std::to_string(i) + "] " + Show(english) + " / " + Show(local) +
                 "  readable=" + YesNo(component->IsPropReadable(i)) +
                 " writable=" + YesNo(component->IsPropWritable(i)));
        }
        objects_.push_back(std::move(component));
        DestroyObject(objects_.size() - 1);
        objects_.clear();
    }
}

void Host::RunCommand(std::vector<std::string> words) {
    if (Begin("command")) {
        const std::string echo = Echoed(words);
        Execute(1, echo, std::move(words));
    }
    End();
}

void Host::RunScripts(const std::vector<std::string>& sources) {
    for (const std::string& source : sources) {
        const auto text = ReadSource(source);
        if (!text) {
            location_ = UnitName(source);
            Fail("cannot read the script " + source);
            continue;
        }
        if (Begin(UnitName(source))) {
            std::istringstream lines(*text);
            std::string line;
            for (std::size_t number = 1; !stopped_ && std::getline(lines, line); ++number) {
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                Words split = SplitWords(line);
                if (!split.error.empty()) {
                    location_ = unit_ + ":" + std::to_string(number);
                    Line("> " + location_ + ": " + line);
                    Fail(split.error);
                    continue;
                }
                if (split.words.empty()) {
                    continue;
                }
                const std::size_t first = line.find_first_not_of(" \t");
                Execute(number, line.substr(first), std::move(split.words));
            }
        }
        End();
    }
}

void Host::RunOpen(const std::vector<std::pair<std::string, std::string>>& settings,
                   std::optional<std::chrono::seconds> timeout) {
    // Ctrl+C ends the wait, not the process: the host still disconnects and cleans up.
    CatchInterrupt();
    if (!Begin("open")) {
        End();
        return;
    }
    std::size_t line = 0;
    for (const auto& [name, value] : settings) {
        // Typed like the host's own settings (a Boolean for a Boolean), or a string.
        std::optional<V8Variant> typed = ParseValue(memory_, U16(value));
        if (typed) {
            Clear(memory_, *typed);
        }
        Args words = typed ? Args{"call", "SetParameter", "s:" + name, value} : Args{"param", name, value};
        Execute(++line, Echoed(words), words);
    }
    Execute(++line, "call Open", {"call", "Open"});
    location_ = "open";
    WaitWhileOpen(timeout);
    Execute(++line, "call Close", {"call", "Close"});
    End();
}

int Host::Finish() {
    location_ = "finish";
    ShowReports();
    const auto leaks = memory_.Outstanding();
    const auto overruns = memory_.Overruns();
    Line("errors reported: " + std::to_string(errorsTotal_));
    Line("memory: allocations=" + std::to_string(memory_.AllocationCount()) +
         " frees=" + std::to_string(memory_.FreeCount()) + " leaks=" + std::to_string(leaks.size()) +
         " bad-frees=" + std::to_string(memory_.BadFrees().size()) + " overruns=" + std::to_string(overruns.size()));
    for (const BlockInfo& leak : leaks) {
        Line("  leak: allocation #" + std::to_string(leak.order) + ", " + std::to_string(leak.size) + " bytes");
    }
    for (const BlockInfo& overrun : overruns) {
        Line("  overrun: allocation #" + std::to_string(overrun.order) + " written past its " +
             std::to_string(overrun.size) + " bytes");
    }
    const bool clean = leaks.empty() && memory_.BadFrees().empty() && overruns.empty() && faults_.empty();
    for (const std::string& failure : failures_) {
        Line("failed: " + failure);
    }
    if (!clean) {
        Line("result: the component misbehaved (" + std::to_string(faults_.size()) + " faults)");
        return kMisbehaved;
    }
    if (!failures_.empty()) {
        Line("result: " + std::to_string(failures_.size()) + " failed");
        return kScriptFailed;
    }
    Line("result: ok");
    return kOk;
}

// --- calls, properties, objects

void Host::Call(const Args& args, bool exact) {
    Component* component = Current();
    if (component == nullptr) {
        return;
    }
    const std::u16string name = U16(args[0]);
    const std::int32_t method = component->FindMethod(name);
    if (method < 0) {
        Line("  host: method not found: \"" + Printable(name) + "\" (FindMethod: " + std::to_string(method) + ")");
        return;
    }
    const std::int32_t count = component->GetNParams(method);
    const bool returns = component->HasRetVal(method);
    Line("  method: " + Show(component->GetMethodName(method, 0)) + " / " + Show(component->GetMethodName(method, 1)) +
         " [" + std::to_string(method) + "] params=" + std::to_string(count) + " returns=" + YesNo(returns));
    const std::size_t given = args.size() - 1;
    if (!exact && count >= 0 && given > static_cast<std::size_t>(count)) {
        Line("  host: too many parameters: " + std::to_string(given) + " given, the method takes " +
             std::to_string(count));
        return;
    }
    const std::size_t total = exact ? given : std::max<std::size_t>(given, static_cast<std::size_t>(std::max(count, 0)));
    Values params(memory_, total);
    std::vector<std::string> notes(total);
    for (std::size_t i = 0; i < given; ++i) {
        const auto value = ParseValue(memory_, U16(args[i + 1]));
        if (!value) {
            Fail("not a value: \"" + args[i + 1] + "\" (i:5, d:1.5, b:true, s:text, empty)");
            return;
        }
        params.Set(i, *value);
    }
    for (std::size_t i = given; i < total; ++i) {
        V8Variant fallback = MakeEmpty();
        if (component->GetParamDefValue(method, static_cast<std::int32_t>(i), fallback)) {
            params.Set(i, fallback);
            notes[i] = " (host passed the default)";
        } else {
            Clear(memory_, fallback);
            notes[i] = " (host passed empty)";
        }
    }
    Values result(memory_, 1);
    const auto start = Clock::now();
    const bool ok = returns ? component->CallAsFunc(method, result[0], params.All())
                            : component->CallAsProc(method, params.All());
    Line(std::string("  call: ") + (ok ? "true" : "false") + (returns ? " (CallAsFunc" : " (CallAsProc") +
         Took(Clock::now() - start) + ")");
    if (returns) {
        Line("  result: " + Describe(result[0]));
    }
    for (std::size_t i = 0; i < total; ++i) {
        Line("  param[" + std::to_string(i) + "]: " + Describe(params[i]) + notes[i]);
    }
}

void Host::CmdCall(const Args& args) { Call(args, false); }

void Host::CmdCallRaw(const Args& args) { Call(args, true); }

void Host::CmdGet(const Args& args) {
    Component* component = Current();
    if (component == nullptr) {
        return;
    }
    const std::u16string name = U16(args[0]);
    const std::int32_t prop = component->FindProp(name);
    if (prop < 0) {
        Line("  host: property not found: \"" + Printable(name) + "\" (FindProp: " + std::to_string(prop) + ")");
        return;
    }
    const bool readable = component->IsPropReadable(prop);
    Line("  property: " + Show(component->GetPropName(prop, 0)) + " / " + Show(component->GetPropName(prop, 1)) +
         " [" + std::to_string(prop) + "] readable=" + YesNo(readable) +
         " writable=" + YesNo(component->IsPropWritable(prop)));
    if (!readable) {
        Line("  host: the property is not readable");
        return;
    }
    Values value(memory_, 1);
    const bool ok = component->GetPropVal(prop, value[0]);
    Line(std::string("  get: ") + (ok ? "true" : "false"));
    Line("  value: " + Describe(value[0]));
}

void Host::CmdSet(const Args& args) {
    Component* component = Current();
    if (component == nullptr) {
        return;
    }
    const std::u16string name = U16(args[0]);
    const std::int32_t prop = component->FindProp(name);
    if (prop < 0) {
        Line("  host: property not found: \"" + Printable(name) + "\" (FindProp: " + std::to_string(prop) + ")");
        return;
    }
    const bool writable = component->IsPropWritable(prop);
    Line("  property: " + Show(component->GetPropName(prop, 0)) + " / " + Show(component->GetPropName(prop, 1)) +
         " [" + std::to_string(prop) + "] readable=" + YesNo(component->IsPropReadable(prop)) +
         " writable=" + YesNo(writable));
    if (!writable) {
        Line("  host: the property is not writable");
        return;
    }
    Values value(memory_, 1);
    const auto parsed = ParseValue(memory_, U16(args[1]));
    if (!parsed) {
        Fail("not a value: \"" + args[1] + "\" (i:5, d:1.5, b:true, s:text, empty)");
        return;
    }
    value.Set(0, *parsed);
    const bool ok = component->SetPropVal(prop, value[0]);
    Line(std::string("  set: ") + (ok ? "true" : "false"));
}

void Host::CmdParam(const Args& args) { Call({"SetParameter", "s:" + args[0], "s:" + args[1]}, false); }

void Host::CmdNew(const Args&) {
    auto component = CreateObject();
    if (!component) {
        return;
    }
    objects_.push_back(std::move(component));
    current_ = objects_.size() - 1;
}

void Host::CmdObject(const Args& args) {
    const auto number = ParseCount(args[0]);
    if (!number || *number == 0 || *number > objects_.size()) {
        Fail("no object " + args[0] + " (objects 1.." + std::to_string(objects_.size()) + ")");
        return;
    }
    current_ = *number - 1;
    Line("  object " + args[0] + (objects_[current_] ? "" : " (destroyed)"));
}

void Host::CmdDestroy(const Args&) {
    if (Current() != nullptr) {
        DestroyObject(current_);
    }
}

void Host::CmdUnload(const Args&) {
    if (!library_) {
        Fail("the library is not loaded");
        return;
    }
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        DestroyObject(i);
    }
    library_.reset();
    Line("  library unloaded");
}

// --- time and events

void Host::CmdPump(const Args& args) {
    const auto ms = ParseCount(args[0]);
    if (!ms) {
        Fail("not a duration in ms: " + args[0]);
        return;
    }
    Pump(std::chrono::milliseconds(*ms));
}

void Host::CmdWaitEvents(const Args& args) {
    const auto count = ParseCount(args[0]);
    const auto ms = ParseCount(args[1]);
    if (!count || !ms) {
        Fail("usage: wait-events N MS");
        return;
    }
    if (!PumpUntil(std::chrono::milliseconds(*ms), [&] { return EventsInUnit() >= *count; })) {
        Fail("expected " + args[0] + " events within " + args[1] + " ms, " + std::to_string(EventsInUnit()) +
             " arrived");
    }
}

void Host::CmdExpectEvents(const Args& args) {
    const auto count = ParseCount(args[0]);
    if (!count) {
        Fail("usage: expect-events N");
        return;
    }
    PumpMessages(0ms);
    ShowReports();
    if (EventsInUnit() != *count) {
        Fail("expected " + args[0] + " events so far, " + std::to_string(EventsInUnit()) + " arrived");
    }
}

void Host::CmdExpectData(const Args& args) {
    const auto number = ParseCount(args[0]);
    if (!number || *number == 0) {
        Fail("usage: expect-data N TEXT (N counts from 1)");
        return;
    }
    ShowReports();
    const auto events = connection_.Events();
    if (*number > events.size()) {
        Fail("no event " + args[0] + ": " + std::to_string(events.size()) + " arrived");
        return;
    }
    const std::string data = EventText(events[*number - 1].data);
    if (data != args[1]) {
        Fail("event " + args[0] + " carried \"" + data + "\", expected \"" + args[1] + "\"");
    }
}

void Host::CmdExpectDelay(const Args& args) {
    const auto low = ParseCount(args[0]);
    const auto high = ParseCount(args[1]);
    if (!low || !high || *low > *high) {
        Fail("usage: expect-delay MIN MAX");
        return;
    }
    ShowReports();
    if (!lastDelay_) {
        Fail("no event arrived yet");
    } else if (*lastDelay_ < *low || *lastDelay_ > *high) {
        Fail("the latest event came " + std::to_string(*lastDelay_) + " ms after its click, expected " + args[0] +
             ".." + args[1] + " ms");
    }
}

void Host::CmdSleep(const Args& args) {
    const auto ms = ParseCount(args[0]);
    if (!ms) {
        Fail("not a duration in ms: " + args[0]);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(*ms));
}

void Host::CmdSkipIfEmulated(const Args& args) {
    if (!Emulated()) {
        return;
    }
    std::string reason;
    for (const std::string& word : args) {
        reason += (reason.empty() ? "" : " ") + word;
    }
    Line("  skipped under CPU emulation" + (reason.empty() ? std::string() : ": " + reason));
    stopped_ = true;
}

// The window commands look for the component's window by this caption.
void Host::CmdCaption(const Args& args) { options_.caption = U16(args[0]); }

// --- files the component writes

void Host::CmdExpectFile(const Args& args) {
    std::u16string pattern = U16(args[0]);
    const std::u16string placeholder = u"{CommonAppData}";
    if (const auto at = pattern.find(placeholder); at != std::u16string::npos) {
        const auto folder = CommonAppData();
        if (!folder) {
            Fail("the common application data folder is unknown");
            return;
        }
        pattern.replace(at, placeholder.size(), folder->u16string());
    }
    std::replace(pattern.begin(), pattern.end(), u'\\', u'/');
    const std::size_t slash = pattern.find_last_of(u'/');
    const std::filesystem::path folder(slash == std::u16string::npos ? u"." : pattern.substr(0, slash + 1));
    const std::u16string name = slash == std::u16string::npos ? pattern : pattern.substr(slash + 1);
    std::optional<std::filesystem::directory_entry> newest;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && Matches(name, entry.path().filename().u16string()) &&
            (!newest || entry.last_write_time(error) > newest->last_write_time(error))) {
            newest = entry;
        }
    }
    if (!newest) {
        Fail("no file matches " + Printable(pattern));
        return;
    }
    const std::filesystem::path path = newest->path();
    // Two seconds cover coarse file-system clocks.
    const bool fresh = newest->last_write_time(error) + 2s >= unitStartFile_;
    Line("  file: " + Printable(path.generic_u16string()) + ", " + std::to_string(newest->file_size(error)) +
         " bytes" + (fresh ? ", written during this script" : ", older than this script"));
    if (!fresh) {
        Fail("the newest file matching " + Printable(pattern) + " was not written during this script");
        return;
    }
    if (args.size() > 1) {
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const bool contains = bytes.find(args[1]) != std::string::npos;
        Line("  file " + std::string(contains ? "contains" : "lacks") + " \"" + args[1] + "\"");
        if (!contains) {
            Fail("the file does not contain \"" + args[1] + "\"");
        }
    }
}

}  // namespace hostsim
