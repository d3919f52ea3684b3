// Export descriptors: what a driver class says about a member that the host
// may reach. Immutable, constant-initialised, static data of the class.
#pragma once

#include <cstdint>
#include <string_view>

// Marks a method that the host calls; registered under its own name and NameLoc.
class ExportMethAttribute {
public:
    constexpr ExportMethAttribute(std::u16string_view ANameLoc, int32_t AParamCount)
        : FNameLoc(ANameLoc), FParamCount(AParamCount) {}
    constexpr std::u16string_view NameLoc() const { return FNameLoc; }
    constexpr int32_t ParamCount() const { return FParamCount; }

private:
    std::u16string_view FNameLoc;
    int32_t FParamCount;
};

// Marks a property that the host reads and (unless read-only) writes; also a
// setting of the generated settings document, with its caption and default.
class ExportPropAttribute {
public:
    constexpr ExportPropAttribute(std::u16string_view ANameLoc, std::u16string_view ACaption,
                                  std::u16string_view ADefValue, bool AReadOnly)
        : FNameLoc(ANameLoc), FCaption(ACaption), FDefValue(ADefValue), FReadOnly(AReadOnly) {}
    constexpr std::u16string_view NameLoc() const { return FNameLoc; }
    constexpr std::u16string_view Caption() const { return FCaption; }
    // Text for the settings document only; never applied to the property.
    constexpr std::u16string_view DefValue() const { return FDefValue; }
    constexpr bool ReadOnly() const { return FReadOnly; }

private:
    std::u16string_view FNameLoc;
    std::u16string_view FCaption;
    std::u16string_view FDefValue;
    bool FReadOnly;
};

// Marks a method without parameters that the host runs by name as an additional action.
class AdditionalActionAttribute {
public:
    explicit constexpr AdditionalActionAttribute(std::u16string_view ACaption) : FCaption(ACaption) {}
    constexpr std::u16string_view Caption() const { return FCaption; }

private:
    std::u16string_view FCaption;
};
