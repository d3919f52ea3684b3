#include "driver/CommonDriver.h"

#include <cstdint>

#include "common/Error.h"
#include "common/Text.h"
#include "driver/Documents.h"
#include "help/MarkdownRenderer.h"
#include "log/Log.h"
#include "log/LogViewer.h"
#include "log/SystemInfo.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int32_t kInterfaceRevision = 3002;
constexpr uint32_t kStrParameters = MCR_IDS_PARAMETERS;
constexpr uint32_t kStrHelp = MCR_IDS_HELP;
constexpr char16_t kHelpSource[] = u"help";
constexpr std::string_view kDownloadURL = MCR_DOWNLOAD_URL;

using THostMethod = bool (TCommonDriver::*)(V8Variant&, V8Variant*, int32_t, TV8AddInDefBaseEx*&);
// Picks the host-call form where a virtual operation shares the method's name.
constexpr THostMethod Host(THostMethod AMethod) { return AMethod; }

constexpr TMethodRow kMethods[] = {
    {u"GetInterfaceRevision", HostCall<Host(&TCommonDriver::GetInterfaceRevision)>,
     ExportMethAttribute(u"ПолучитьРевизиюИнтерфейса", 0)},
    {u"GetDescription", HostCall<Host(&TCommonDriver::GetDescription)>, ExportMethAttribute(u"ПолучитьОписание", 1)},
    {u"GetLastError", HostCall<Host(&TCommonDriver::GetLastError)>, ExportMethAttribute(u"ПолучитьОшибку", 1)},
    {u"Open", HostCall<Host(&TCommonDriver::Open)>, ExportMethAttribute(u"Подключить", 1)},
    {u"Close", HostCall<Host(&TCommonDriver::Close)>, ExportMethAttribute(u"Отключить", 1)},
    {u"GetParameters", HostCall<Host(&TCommonDriver::GetParameters)>, ExportMethAttribute(u"ПолучитьПараметры", 1)},
    {u"SetParameter", HostCall<Host(&TCommonDriver::SetParameter)>, ExportMethAttribute(u"УстановитьПараметр", 2)},
    {u"DeviceTest", HostCall<Host(&TCommonDriver::DeviceTest)>, ExportMethAttribute(u"ТестУстройства", 2)},
    {u"GetAdditionalActions", HostCall<Host(&TCommonDriver::GetAdditionalActions)>,
     ExportMethAttribute(u"ПолучитьДополнительныеДействия", 1)},
    {u"DoAdditionalAction", HostCall<Host(&TCommonDriver::DoAdditionalAction)>,
     ExportMethAttribute(u"ВыполнитьДополнительноеДействие", 1)},
    {u"ViewLog", RunAction<&TCommonDriver::ViewLog>, AdditionalActionAttribute(u"Просмотр лога")},
    {u"ShowHelp", RunAction<&TCommonDriver::ShowHelp>, AdditionalActionAttribute(u"Справка")},
};

constexpr TPropertyRow kProperties[] = {
    {u"LogEnabled", Accessors<&TCommonDriver::GetLogEnabled, &TCommonDriver::SetLogEnabled>(),
     ExportPropAttribute(u"ЛогВключен", u"Вести лог", u"False", false)},
};

// A host that passes fewer parameters than registered gets a recorded
// failure instead of a read past its array.
void RequireParams(int32_t ParamCount, int32_t AExpected, std::u16string_view AMethod) {
    if (ParamCount < AExpected) {
        throw EComponentError(u"Too few parameters for " + std::u16string(AMethod) + u": " + IntToText(AExpected) +
                              u" expected, " + IntToText(ParamCount) + u" passed");
    }
}

}  // namespace

constinit const TExportTable TCommonDriver::Exports{&TCustomDriver::Exports, kMethods, kProperties};

TCommonDriver::~TCommonDriver() {
    try {
        TCommonDriver::Close();
    } catch (...) {
        // Nobody is left to tell: the host is destroying the object.
    }
}

// ---- class level ----------------------------------------------------------

void TCommonDriver::NameDriver(std::u16string_view AName, std::u16string_view ADescription) {
    DriverInfo.Name = AName;
    DriverInfo.Description = ADescription;
}

void TCommonDriver::UpdateDriverInfo(TDriverInfo& ADriverInfo) {
    ADriverInfo.Clear();
    ADriverInfo.DownloadURL = FromUtf8(kDownloadURL);
    ADriverInfo.DriverVersion = FileVersionToString();
    ADriverInfo.IntegrationComponentVersion = ADriverInfo.DriverVersion;
    ADriverInfo.LogIsEnabled = false;
}

// ---- properties -----------------------------------------------------------

bool TCommonDriver::GetLogEnabled() const { return TLog::LogLevel() > 0; }

void TCommonDriver::SetLogEnabled(bool AValue) { SetLogLevel(AValue ? 3 : 0); }

// ---- virtual operations ---------------------------------------------------

int32_t TCommonDriver::InterfaceRevision() { return kInterfaceRevision; }

void TCommonDriver::Open() { FEnabled = true; }

void TCommonDriver::Close() { FEnabled = false; }

void TCommonDriver::TestDevice(std::u16string& ADescription, std::u16string& AInfo) {
    ADescription.clear();
    AInfo.clear();
    std::u16string failure;
    bool failed = false;
    try {
        Open();
        ADescription = DriverInfo.Description;
    } catch (...) {
        failed = true;
        failure = CurrentErrorMessage();
    }
    // The device is closed whatever the opening did; the first failure is the one reported.
    try {
        Close();
    } catch (...) {
        if (!failed) failure = CurrentErrorMessage();
        failed = true;
    }
    if (failed) {
        ADescription = failure;
        throw EComponentError(failure);
    }
}

std::u16string TCommonDriver::GetParametersXML() {
    return SettingsDocument(platform::FindResourceData(u"Parameters"), ClassExports(),
                            platform::LoadResString(kStrParameters));
}

std::u16string TCommonDriver::GetDescriptionXML() {
    return DescriptionDocument(DriverInfo, GetLogEnabled(), TLog::GetAbsolutePath(true));
}

std::u16string TCommonDriver::GetActionsXML() { return ActionsDocument(ClassExports()); }

void TCommonDriver::ExecuteAction(std::u16string_view AName) {
    bool found = false;
    const TMethodRow* lastRun = nullptr;
    ForEachMethod(ClassExports(), [&](const TMethodRow& row) {
        if (!std::holds_alternative<AdditionalActionAttribute>(row.Attribute) || row.Name != AName) return;
        // An action with several descriptors runs once; a method of the same
        // name in an ancestor's table is another method and runs as well.
        if (lastRun && row.SameMember(*lastRun) && &row == lastRun + 1) {
            lastRun = &row;
            return;
        }
        found = true;
        lastRun = &row;
        row.Run(*this);
    });
    if (!found) throw EComponentError(u"Action not found");
}

// ---- exported methods -----------------------------------------------------

template <class Work, class OnFailure>
bool TCommonDriver::Recorded(V8Variant& RetValue, Work&& work, OnFailure&& onFailure) {
    try {
        work();
        SetSuccess(&RetValue);
    } catch (...) {
        const std::u16string message = CurrentErrorMessage();
        SetFailure(message, &RetValue, kGeneralErrorCode);
        onFailure(message);
    }
    return true;
}

bool TCommonDriver::GetInterfaceRevision(V8Variant& RetValue, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    V8SetInt(RetValue, InterfaceRevision());
    return true;
}

bool TCommonDriver::GetDescription(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] {
        RequireParams(ParamCount, 1, u"GetDescription");
        SetHostText(Params[0], GetDescriptionXML());
    });
}

bool TCommonDriver::GetLastError(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*&) {
    // Not recorded: reporting the last error must not replace it. A host
    // without the out-parameter hears of its mistake from the dispatcher.
    RequireParams(ParamCount, 1, u"GetLastError");
    V8SetInt(RetValue, LastResult().GetIntResult());
    SetHostText(Params[0], LastResult().ErrorDescription);
    return true;
}

bool TCommonDriver::Open(V8Variant& RetValue, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] { Open(); });
}

bool TCommonDriver::Close(V8Variant& RetValue, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] { Close(); });
}

bool TCommonDriver::GetParameters(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] {
        RequireParams(ParamCount, 1, u"GetParameters");
        SetHostText(Params[0], GetParametersXML());
    });
}

bool TCommonDriver::SetParameter(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] {
        RequireParams(ParamCount, 2, u"SetParameter");
        PropertySet(V8AsWString(Params[0]), Params[1]);
    });
}

bool TCommonDriver::DeviceTest(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*&) {
    return Recorded(
        RetValue,
        [&] {
            RequireParams(ParamCount, 2, u"DeviceTest");
            std::u16string description;
            std::u16string info;
            TestDevice(description, info);
            SetHostText(Params[0], description);
            SetHostText(Params[1], info);
        },
        [&](const std::u16string& message) {
            // The host shows the first output: it carries the reason too.
            if (ParamCount >= 1) V8SetWString(Params[0], message);
        });
}

bool TCommonDriver::GetAdditionalActions(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount,
                                         TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] {
        RequireParams(ParamCount, 1, u"GetAdditionalActions");
        SetHostText(Params[0], GetActionsXML());
    });
}

bool TCommonDriver::DoAdditionalAction(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount,
                                       TV8AddInDefBaseEx*&) {
    return Recorded(RetValue, [&] {
        RequireParams(ParamCount, 1, u"DoAdditionalAction");
        ExecuteAction(V8AsWString(Params[0]));
    });
}

// ---- additional actions ---------------------------------------------------

// Both windows are modal on the calling thread: the action returns when the user closes them.
void TCommonDriver::ViewLog() { ShowLogViewer(); }

void TCommonDriver::ShowHelp() { TMarkdownRenderer::Render(kHelpSource, platform::LoadResString(kStrHelp)); }
