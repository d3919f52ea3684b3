// A host of the component written the way the host itself is written: the
// interfaces are C++ classes (HostInterfaces.h) and every call goes through
// g++'s virtual calls, so the component's tables must be what g++ expects.
//   cxx_host check LIBRARY      the component's whole interface, without a display
//   cxx_host open LIBRARY DELAY_MS EVENTS TIMEOUT_S
//                               sets Delay, the presets "123456789" and
//                               "ABCDEFGH" and Transparency 20, connects, prints "opened" and every event
//                               ("event MS SOURCE|MESSAGE|DATA", MS the Unix
//                               time in milliseconds) until EVENTS arrived or
//                               the time is up, then disconnects; or on
//                               SIGUSR1 at once, with the window open and a
//                               delivery perhaps pending; then destroys the
//                               object, prints the events that came meanwhile
//                               and unloads
//   cxx_host abandon LIBRARY DELAY_MS
//                               connects; on SIGUSR1 unloads the library with
//                               the object alive and lives on past the delay
#include "HostInterfaces.h"

#include <dlfcn.h>
#include <pugixml.hpp>

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace host;

namespace {

int failures = 0;
volatile std::sig_atomic_t hurried = 0;

void OnHurry(int) { hurried = 1; }

void Expect(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    if (!condition) ++failures;
}

std::string Utf8(const WCHAR_T* text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        char32_t c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class TMemory final : public IMemoryManager {
public:
    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override {
        std::lock_guard lock(FMutex);
        *pMemory = std::malloc(ulCountByte == 0 ? 1 : ulCountByte);
        if (*pMemory != nullptr) FBlocks.insert(*pMemory);
        return *pMemory != nullptr;
    }
    void FreeMemory(void** pMemory) override {
        std::lock_guard lock(FMutex);
        if (*pMemory == nullptr) return;
        if (FBlocks.erase(*pMemory) == 0) {
            ++FBadFrees;
            return;
        }
        std::free(*pMemory);
        *pMemory = nullptr;
    }
    std::size_t Outstanding() {
        std::lock_guard lock(FMutex);
        return FBlocks.size();
    }
    int BadFrees() {
        std::lock_guard lock(FMutex);
        return FBadFrees;
    }

private:
    std::mutex FMutex;
    std::set<void*> FBlocks;
    int FBadFrees = 0;
};

class TConnection final : public IAddInDefBaseEx {
public:
    struct TEvent {
        long long ms;
        std::string text;
    };

    bool AddError(unsigned short wcode, const WCHAR_T* source, const WCHAR_T* descr, long scode) override {
        std::lock_guard lock(FMutex);
        FErrors.push_back(std::to_string(wcode) + " " + Utf8(source) + ": " + Utf8(descr));
        return true;
    }
    bool Read(WCHAR_T*, tVariant*, long*, WCHAR_T**) override { return false; }
    bool Write(WCHAR_T*, tVariant*) override { return false; }
    bool RegisterProfileAs(WCHAR_T*) override { return true; }
    bool SetEventBufferDepth(long lDepth) override {
        FDepth = lDepth;
        return true;
    }
    long GetEventBufferDepth() override { return FDepth; }
    bool ExternalEvent(WCHAR_T* wszSource, WCHAR_T* wszMessage, WCHAR_T* wszData) override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
        {
            std::lock_guard lock(FMutex);
            FEvents.push_back({ms, Utf8(wszSource) + "|" + Utf8(wszMessage) + "|" + Utf8(wszData)});
        }
        FArrived.notify_all();
        return true;
    }
    void CleanEventBuffer() override {}
    bool SetStatusLine(WCHAR_T*) override { return true; }
    void ResetStatusLine() override {}
    IInterface* GetInterface(Interfaces) override { return nullptr; }

    // Waits until `count` events arrived or `limit` passed; the events so far.
    std::vector<TEvent> WaitEvents(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(FMutex);
        FArrived.wait_for(lock, limit, [&] { return FEvents.size() >= count; });
        return FEvents;
    }
    std::vector<std::string> Errors() {
        std::lock_guard lock(FMutex);
        return FErrors;
    }

private:
    std::mutex FMutex;
    std::condition_variable FArrived;
    std::vector<TEvent> FEvents;
    std::vector<std::string> FErrors;
    long FDepth = 1;
};

// Values the host makes: texts in host memory, freed with whatever the component left.
class TValues {
public:
    explicit TValues(TMemory& AMemory) : FMemory(AMemory) {}

    tVariant Text(const std::u16string& AText) {
        tVariant value{};
        void* block = nullptr;
        FMemory.AllocMemory(&block, (AText.size() + 1) * sizeof(WCHAR_T));
        std::memcpy(block, AText.c_str(), (AText.size() + 1) * sizeof(WCHAR_T));
        value.pwstrVal = static_cast<WCHAR_T*>(block);
        value.wstrLen = static_cast<std::uint32_t>(AText.size());
        value.vt = VTYPE_PWSTR;
        return value;
    }
    static tVariant Int(std::int32_t AValue) {
        tVariant value{};
        value.lVal = AValue;
        value.vt = VTYPE_I4;
        return value;
    }
    static tVariant Bool(bool AValue) {
        tVariant value{};
        value.bVal = AValue;
        value.vt = VTYPE_BOOL;
        return value;
    }
    void Clear(tVariant& AValue) {
        if (AValue.vt == VTYPE_PWSTR) {
            void* block = AValue.pwstrVal;
            FMemory.FreeMemory(&block);
        } else if (AValue.vt == VTYPE_PSTR || AValue.vt == VTYPE_BLOB) {
            void* block = AValue.pstrVal;
            FMemory.FreeMemory(&block);
        }
        AValue = tVariant{};
    }

private:
    TMemory& FMemory;
};

std::string Shown(const tVariant& AValue) {
    switch (AValue.vt) {
        case VTYPE_PWSTR: return "s:" + Utf8(AValue.pwstrVal);
        case VTYPE_I4: return "i:" + std::to_string(AValue.lVal);
        case VTYPE_BOOL: return AValue.bVal ? "b:true" : "b:false";
        case VTYPE_R8: return "d:" + std::to_string(AValue.dblVal);
        case VTYPE_EMPTY: return "empty";
        default: return "vt " + std::to_string(AValue.vt);
    }
}

struct TLibraryCloser {
    void operator()(void* AHandle) const { dlclose(AHandle); }
};

// The host's loaded component: the three exports and one object brought up as the host does.
class THost {
public:
    explicit THost(const char* APath) : FModule(dlopen(APath, RTLD_NOW | RTLD_LOCAL)) {
        if (!FModule) {
            std::fprintf(stderr, "cannot load %s: %s\n", APath, dlerror());
            std::exit(3);
        }
        FGetClassNames = reinterpret_cast<GetClassNamesFn>(dlsym(FModule.get(), "GetClassNames"));
        FGetClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(FModule.get(), "GetClassObject"));
        FDestroyObject = reinterpret_cast<DestroyObjectFn>(dlsym(FModule.get(), "DestroyObject"));
        if (!FGetClassNames || !FGetClassObject || !FDestroyObject) {
            std::fprintf(stderr, "%s lacks an export\n", APath);
            std::exit(3);
        }
    }

    GetClassNamesFn FGetClassNames;
    GetClassObjectFn FGetClassObject;
    DestroyObjectFn FDestroyObject;
    TMemory FMemory;
    TConnection FConnection;
    TValues FValues{FMemory};
    IComponentBase* FObject = nullptr;

    bool Create() {
        if (FGetClassObject(u"tarvik", &FObject) != 1 || FObject == nullptr) return false;
        const bool memory = FObject->setMemManager(&FMemory);
        const bool init = FObject->Init(static_cast<IAddInDefBase*>(&FConnection));
        FObject->SetLocale(u"ru_RU");
        return memory && init;
    }

    // A method by name with the host's parameter count; the parameters as the method left them.
    tVariant Call(const std::u16string& AName, std::vector<tVariant>& AParams, bool* AResult = nullptr) {
        const long method = FObject->FindMethod(AName.c_str());
        tVariant result{};
        const bool called = method >= 0 && FObject->CallAsFunc(method, &result, AParams.data(),
                                                                static_cast<long>(AParams.size()));
        if (AResult) *AResult = called;
        return result;
    }

    // A method whose first parameter is an out text: the text, the Boolean result.
    std::pair<bool, std::string> CallForText(const std::u16string& AName) {
        std::vector<tVariant> params{FValues.Text(u"")};
        tVariant result = Call(AName, params);
        std::pair<bool, std::string> got{result.vt == VTYPE_BOOL && result.bVal,
                                         params[0].vt == VTYPE_PWSTR ? Utf8(params[0].pwstrVal) : Shown(params[0])};
        FValues.Clear(result);
        FValues.Clear(params[0]);
        return got;
    }

    std::string LastError() {
        std::vector<tVariant> params{FValues.Text(u"")};
        tVariant result = Call(u"GetLastError", params);
        const std::string text = Shown(result) + " " + Shown(params[0]);
        FValues.Clear(result);
        FValues.Clear(params[0]);
        return text;
    }

    bool SetParameter(const std::u16string& AName, tVariant AValue) {
        std::vector<tVariant> params{FValues.Text(AName), AValue};
        tVariant result = Call(u"SetParameter", params);
        const bool done = result.vt == VTYPE_BOOL && result.bVal;
        FValues.Clear(result);
        for (tVariant& param : params) FValues.Clear(param);
        return done;
    }

    // A name the component copied into host memory: the host owns and frees it.
    std::u16string TakeName(const WCHAR_T* AName) {
        std::u16string name = AName != nullptr ? AName : u"";
        void* block = const_cast<WCHAR_T*>(AName);
        FMemory.FreeMemory(&block);
        return name;
    }

    void Destroy() {
        FObject->Done();
        Expect(FDestroyObject(&FObject) == 0, "DestroyObject returns 0");
        FObject = nullptr;
    }

    void Unload() { FModule.reset(); }

private:
    std::unique_ptr<void, TLibraryCloser> FModule;
};

// The two words g++ puts in front of a table: the offset of the subobject
// from the whole object, and the type information.
void CheckTablePrefix(const void* ASubobject, long AOffset, const char* AName) {
    const auto* table = *static_cast<const std::intptr_t* const*>(ASubobject);
    Expect(table[-2] == AOffset && table[-1] == 0,
           std::string(AName) + ": offset-to-top " + std::to_string(AOffset) + ", no type information");
}

void CheckObjectModel(IComponentBase* AObject) {
    auto* const words = reinterpret_cast<void**>(AObject);
    Expect(static_cast<void*>(static_cast<ILanguageExtenderBase*>(AObject)) == &words[1] &&
               static_cast<void*>(static_cast<LocaleBase*>(AObject)) == &words[2],
           "the second and third interface sit at words 1 and 2 of the block");
    CheckTablePrefix(static_cast<IInitDone*>(AObject), 0, "IInitDone");
    CheckTablePrefix(static_cast<ILanguageExtenderBase*>(AObject), -8, "ILanguageExtenderBase");
    CheckTablePrefix(static_cast<LocaleBase*>(AObject), -16, "LocaleBase");
    // The compiler's own way back to the whole object reads the offset-to-top words.
    Expect(dynamic_cast<void*>(static_cast<ILanguageExtenderBase*>(AObject)) == AObject &&
               dynamic_cast<void*>(static_cast<LocaleBase*>(AObject)) == AObject,
           "dynamic_cast<void*> from each interface finds the block");
}

void CheckLookups(THost& AHost) {
    IComponentBase* object = AHost.FObject;
    Expect(object->GetNMethods() == 10, "ten methods, got " + std::to_string(object->GetNMethods()));
    for (long i = 0; i < object->GetNMethods(); ++i) {
        const std::u16string english = AHost.TakeName(object->GetMethodName(i, 0));
        const std::u16string russian = AHost.TakeName(object->GetMethodName(i, 1));
        Expect(object->FindMethod(english.c_str()) == i && object->FindMethod(russian.c_str()) == i &&
                   object->HasRetVal(i),
               "method " + std::to_string(i) + " " + Utf8(english.c_str()) + " / " + Utf8(russian.c_str()) + ", " +
                   std::to_string(object->GetNParams(i)) + " parameters");
    }
    Expect(object->FindMethod(u"GETINTERFACEREVISION") == -1 && object->FindMethod(u"NoSuchMethod") == -1,
           "method look-up is exact about letter case; an unknown name gives -1");
    Expect(object->GetNProps() == 19, "nineteen properties, got " + std::to_string(object->GetNProps()));
    for (long i = 0; i < object->GetNProps(); ++i) {
        const std::u16string english = AHost.TakeName(object->GetPropName(i, 0));
        const std::u16string russian = AHost.TakeName(object->GetPropName(i, 1));
        tVariant value{};
        const bool read = object->GetPropVal(i, &value);
        Expect(object->FindProp(english.c_str()) == i && object->FindProp(russian.c_str()) == i &&
                   object->IsPropReadable(i) && object->IsPropWritable(i) && read,
               "property " + std::to_string(i) + " " + Utf8(english.c_str()) + " / " + Utf8(russian.c_str()) + " = " +
                   Shown(value));
        AHost.FValues.Clear(value);
    }
    Expect(object->FindProp(u"ЗАДЕРЖКА") == -1 && object->FindProp(u"Задержка") == object->FindProp(u"Delay"),
           "property look-up by either name, exact about letter case");
    tVariant delay = TValues::Int(2500);
    Expect(object->SetPropVal(object->FindProp(u"Delay"), &delay), "Delay written");
    tVariant back{};
    object->GetPropVal(object->FindProp(u"Задержка"), &back);
    Expect(back.vt == VTYPE_I4 && back.lVal == 2500, "Delay reads back 2500: " + Shown(back));
    tVariant text = AHost.FValues.Text(u"Карта №1");
    Expect(object->SetPropVal(object->FindProp(u"Barcode1"), &text), "Barcode1 written");
    AHost.FValues.Clear(text);
    tVariant textBack{};
    object->GetPropVal(object->FindProp(u"Barcode1"), &textBack);
    Expect(Shown(textBack) == "s:Карта №1", "Barcode1 reads back: " + Shown(textBack));
    AHost.FValues.Clear(textBack);
    tVariant defaultValue{};
    Expect(object->GetParamDefValue(0, 0, &defaultValue) == false || defaultValue.vt == VTYPE_EMPTY,
           "no default value for a parameter the method does not have");
}

void CheckDocument(THost& AHost, const std::u16string& AMethod, const char* ARoot) {
    const auto [done, text] = AHost.CallForText(AMethod);
    pugi::xml_document document;
    const bool parsed = document.load_string(text.c_str());
    Expect(done && parsed && std::strcmp(document.document_element().name(), ARoot) == 0,
           Utf8(AMethod.c_str()) + " gives a document with the root " + ARoot);
}

void CheckMethods(THost& AHost) {
    std::vector<tVariant> none;
    tVariant revision = AHost.Call(u"GetInterfaceRevision", none);
    Expect(revision.vt == VTYPE_I4 && revision.lVal == 3002, "GetInterfaceRevision: " + Shown(revision));
    CheckDocument(AHost, u"GetDescription", "DriverDescription");
    CheckDocument(AHost, u"ПолучитьПараметры", "Settings");
    CheckDocument(AHost, u"GetAdditionalActions", "Actions");
    Expect(AHost.SetParameter(u"LogEnabled", TValues::Bool(true)) && AHost.SetParameter(u"Delay", TValues::Int(1200)),
           "SetParameter LogEnabled and Delay");
    Expect(!AHost.SetParameter(u"NoSuchSetting", TValues::Int(1)) &&
               AHost.LastError() == "i:1001 s:Property not found: NoSuchSetting",
           "SetParameter of an unknown name fails, GetLastError says why");
    {
        std::vector<tVariant> params{AHost.FValues.Text(u""), AHost.FValues.Text(u"")};
        tVariant result = AHost.Call(u"DeviceTest", params);
        Expect(Shown(result) == "b:true", "DeviceTest: " + Shown(result) + " " + Shown(params[0]));
        for (tVariant& param : params) AHost.FValues.Clear(param);
    }
    // Without a display connecting fails and says so; with one the window test connects.
    const auto [opened, id] = AHost.CallForText(u"Open");
    const std::string error = AHost.LastError();
    Expect(!opened && error.rfind("i:1001 s:", 0) == 0 && error.size() > 9, "Open without a display: " + error);
    Expect(AHost.CallForText(u"Close").first, "Close");
    {
        std::vector<tVariant> params{AHost.FValues.Text(u"NoSuchAction")};
        tVariant result = AHost.Call(u"DoAdditionalAction", params);
        Expect(Shown(result) == "b:false" && AHost.LastError() == "i:1001 s:Action not found",
               "DoAdditionalAction of an unknown action");
        AHost.FValues.Clear(params[0]);
    }
    for (const char16_t* action : {u"ViewLog", u"ShowHelp"}) {
        std::vector<tVariant> params{AHost.FValues.Text(action)};
        tVariant result = AHost.Call(u"ВыполнитьДополнительноеДействие", params);
        const std::string error = AHost.LastError();
        Expect(Shown(result) == "b:false" && error.rfind("i:1001 s:", 0) == 0,
               Utf8(action) + " without a display: " + error);
        AHost.FValues.Clear(params[0]);
    }
}

// The log of today under the machine-wide folder the test chose.
void CheckLog() {
    const char* folder = std::getenv("MCR_COMMON_APPDATA");
    if (folder == nullptr) {
        Expect(false, "MCR_COMMON_APPDATA names the folder of the test's log");
        return;
    }
    const std::time_t now = std::time(nullptr);
    char name[64];
    std::strftime(name, sizeof name, "tarvik_%Y.%m.%d.log", std::localtime(&now));
    const std::filesystem::path path = std::filesystem::path(folder) / "Velmora" / "tarvik" / name;
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Expect(text.find("OS version:\t") != std::string::npos && text.find("> SetParameter") != std::string::npos,
           "the log " + path.string() + " has its header and the calls");
}

int Check(const char* APath) {
    THost host(APath);
    Expect(Utf8(host.FGetClassNames()) == "tarvik", "GetClassNames: " + Utf8(host.FGetClassNames()));
    IComponentBase* untouched = reinterpret_cast<IComponentBase*>(&host);
    Expect(host.FGetClassObject(u"TARVIK", &untouched) == 0 && untouched == reinterpret_cast<IComponentBase*>(&host),
           "a class name in the wrong case creates nothing");
    Expect(host.Create(), "GetClassObject, setMemManager, Init");
    CheckObjectModel(host.FObject);
    Expect(host.FObject->GetInfo() == 2000, "GetInfo 2000");
    WCHAR_T* extension = nullptr;
    const bool registered = host.FObject->RegisterExtensionAs(&extension);
    const std::u16string name = host.TakeName(extension);
    Expect(registered && name == u"tarvik", "RegisterExtensionAs: " + Utf8(name.c_str()));
    CheckLookups(host);
    CheckMethods(host);
    host.Destroy();
    CheckLog();
    Expect(host.FMemory.Outstanding() == 0 && host.FMemory.BadFrees() == 0,
           "host memory: " + std::to_string(host.FMemory.Outstanding()) + " blocks left, " +
               std::to_string(host.FMemory.BadFrees()) + " bad frees");
    host.Unload();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

int Open(const char* APath, int ADelay, std::size_t AEvents, int ATimeout) {
    THost host(APath);
    if (!host.Create()) return 1;
    // The settings the host's settings form would pass: two presets, the usual opacity.
    host.SetParameter(u"Delay", TValues::Int(ADelay));
    host.SetParameter(u"Barcode1", host.FValues.Text(u"123456789"));
    host.SetParameter(u"Barcode2", host.FValues.Text(u"ABCDEFGH"));
    host.SetParameter(u"Transparency", TValues::Int(20));
    const auto [opened, id] = host.CallForText(u"Open");
    if (!opened) {
        std::printf("not opened: %s\n", host.LastError().c_str());
        host.Destroy();
        return 1;
    }
    std::printf("opened %s\n", id.c_str());
    std::fflush(stdout);
    std::size_t shown = 0;
    const auto show = [&](const std::vector<TConnection::TEvent>& AEvents) {
        for (; shown < AEvents.size(); ++shown) {
            std::printf("event %lld %s\n", AEvents[shown].ms, AEvents[shown].text.c_str());
            std::fflush(stdout);
        }
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(ATimeout);
    while (shown < AEvents && !hurried && std::chrono::steady_clock::now() < until) {
        show(host.FConnection.WaitEvents(shown + 1, std::chrono::milliseconds(100)));
    }
    // Told to hurry, the host destroys the object with its window still open.
    if (!hurried) Expect(host.CallForText(u"Close").first, "Close");
    host.Destroy();
    show(host.FConnection.WaitEvents(0, std::chrono::milliseconds(0)));
    for (const std::string& error : host.FConnection.Errors()) std::printf("AddError %s\n", error.c_str());
    host.Unload();
    Expect(host.FMemory.Outstanding() == 0 && host.FMemory.BadFrees() == 0, "host memory all returned");
    std::printf("%zu events, %d failed\n", shown, failures);
    return shown == AEvents && failures == 0 ? 0 : 1;
}

// A host that unloads the library with its object still alive, as a host
// may: connects, prints "opened", and on SIGUSR1 unloads without destroying
// the object; then lives on for twice the delay and a second, printing the
// events that still come, and ends with "survived".
int Abandon(const char* APath, int ADelay) {
    auto host = std::make_unique<THost>(APath);
    if (!host->Create()) return 1;
    host->SetParameter(u"Delay", TValues::Int(ADelay));
    host->SetParameter(u"Barcode1", host->FValues.Text(u"123456789"));
    if (!host->CallForText(u"Open").first) {
        std::printf("not opened: %s\n", host->LastError().c_str());
        return 1;
    }
    std::printf("opened\n");
    std::fflush(stdout);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!hurried && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    host->Unload();
    std::printf("unloaded\n");
    std::fflush(stdout);
    std::size_t shown = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * ADelay + 1000);
    while (std::chrono::steady_clock::now() < end) {
        const auto events = host->FConnection.WaitEvents(shown + 1, std::chrono::milliseconds(100));
        for (; shown < events.size(); ++shown) std::printf("event %s\n", events[shown].text.c_str());
        std::fflush(stdout);
    }
    // The object is the library's to end, and the library is gone: the host
    // leaves it, and its own side, to the process's end.
    static_cast<void>(host.release());
    std::printf("survived, %zu events\n", shown);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGUSR1, &OnHurry);
    if (argc == 3 && std::strcmp(argv[1], "check") == 0) return Check(argv[2]);
    if (argc == 6 && std::strcmp(argv[1], "open") == 0) {
        return Open(argv[2], std::atoi(argv[3]), static_cast<std::size_t>(std::atoi(argv[4])), std::atoi(argv[5]));
    }
    if (argc == 4 && std::strcmp(argv[1], "abandon") == 0) return Abandon(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: cxx_host check LIBRARY | cxx_host open LIBRARY DELAY_MS EVENTS TIMEOUT_S"
                         " | cxx_host abandon LIBRARY DELAY_MS\n");
    return 2;
}
