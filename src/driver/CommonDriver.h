// The equipment-driver standard (revision 3.2, interface revision 3002) for
// any kind of equipment: the ten standard methods under English and Russian
// names, one result convention (a Boolean plus the last-error record), the
// LogEnabled property and the two additional actions.
//
// A concrete driver overrides only the virtual operations below. The exported
// methods are not virtual and are registered as exactly these
// implementations, so overriding them would change nothing.
#pragma once

#include <string>
#include <string_view>

#include "driver/CustomDriver.h"
#include "driver/DriverInfo.h"

class TCommonDriver : public TCustomDriver {
public:
    static const TExportTable Exports;

    TCommonDriver() = default;
    // Closes the device. A subclass whose Close does more closes itself in its
    // own destructor: by the time this one runs, only the base part is left.
    ~TCommonDriver() override;

    // Registers T (TCustomDriver::RegisterDriver), names the driver and fills
    // DriverInfo through T's UpdateDriverInfo.
    template <class T>
    static void RegisterDriver(std::u16string_view AExtension, std::u16string_view AName,
                               std::u16string_view ADescription);
    // Class-level, "overridden" by declaring the same name in a subclass; an
    // override calls this first, then changes single fields.
    static void UpdateDriverInfo(TDriverInfo& ADriverInfo);
    // Every new object refreshes DriverInfo through its own class.
    template <class T>
    static void ClassCreated() {
        T::UpdateDriverInfo(DriverInfo);
    }

    bool Enabled() const { return FEnabled; }
    bool GetLogEnabled() const;
    void SetLogEnabled(bool AValue);

    // Virtual operations.
    virtual int32_t InterfaceRevision();
    virtual void Open();
    virtual void Close();
    virtual void TestDevice(std::u16string& ADescription, std::u16string& AInfo);
    virtual std::u16string GetParametersXML();
    virtual std::u16string GetDescriptionXML();
    virtual std::u16string GetActionsXML();
    // Runs the additional action whose method has the own name AName (exact
    // case); fails with "Action not found".
    virtual void ExecuteAction(std::u16string_view AName);

    // Exported methods, in the host-call form.
    bool GetInterfaceRevision(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool GetDescription(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool GetLastError(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool Open(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool Close(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool GetParameters(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool SetParameter(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool DeviceTest(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool GetAdditionalActions(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    bool DoAdditionalAction(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);

    // Additional actions.
    void ViewLog();
    void ShowHelp();

private:
    static void NameDriver(std::u16string_view AName, std::u16string_view ADescription);
    // Runs the work of a standard method under the result convention.
    template <class Work, class OnFailure>
    bool Recorded(V8Variant& RetValue, Work&& work, OnFailure&& onFailure);
    template <class Work>
    bool Recorded(V8Variant& RetValue, Work&& work) {
        return Recorded(RetValue, work, [](const std::u16string&) {});
    }

    bool FEnabled = false;
};

template <class T>
void TCommonDriver::RegisterDriver(std::u16string_view AExtension, std::u16string_view AName,
                                   std::u16string_view ADescription) {
    TCustomDriver::RegisterDriver<T>(AExtension);
    NameDriver(AName, ADescription);
    T::UpdateDriverInfo(DriverInfo);
}
