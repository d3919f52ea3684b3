// Small driver classes that exercise what the shipped driver does not: every
// property kind, read-only and doubly described members, actions, failing
// operations, a class without descriptors and a class with a bad equipment type.
#pragma once

#include <cstdint>
#include <string>

#include "driver/CommonDriver.h"
#include "driver/CustomDriver.h"

enum class TMode : uint8_t { mSlow, mFast };

class TSampleDriver : public TCommonDriver {
public:
    static const TExportTable Exports;

    int32_t Count = 0;
    int64_t Big = 0;
    bool Flag = false;
    double Ratio = 0;
    std::u16string Text;
    std::u16string Serial = u"SN-1";
    char16_t Letter = u'x';
    TMode Mode = TMode::mSlow;
    int32_t Twice = 0;
    int TwiceWrites = 0;

    // What the host's calls did to this object.
    int OpenCount = 0;
    int CloseCount = 0;
    int PingCalls = 0;
    int RefreshRuns = 0;
    bool FailOpen = false;
    bool FailClose = false;

    int32_t GetTwice() const { return Twice; }
    void SetTwice(int32_t AValue) {
        Twice = AValue;
        ++TwiceWrites;
    }

    void Open() override;
    void Close() override;
    bool Ping(V8Variant& RetValue, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
    void Refresh() { ++RefreshRuns; }
};

// No table of its own, no ancestor with one.
class TBareDriver : public TCustomDriver {};

// No table of its own and no UpdateDriverInfo: what the base gives.
class TPlainDriver : public TCommonDriver {};

// Describes itself with an equipment type outside the standard's list.
class TBadTypeDriver : public TCommonDriver {
public:
    static void UpdateDriverInfo(TDriverInfo& ADriverInfo);
};

// Registers the shipped driver as "tarvik" and the classes above as
// "Sample", "Bare", "Plain" and "BadType".
void RegisterDrivers();
