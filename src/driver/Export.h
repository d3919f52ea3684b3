// Export tables. Every driver class declares, in one static table next to its
// members, the methods the host calls, the methods it runs as additional
// actions and the properties it reads and writes. A table links to its parent
// class's table; walking from the object's own class towards the root gives
// the order the host sees (registrations, settings and actions documents):
// most derived class first, declaration order within a class.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "common/Text.h"
#include "driver/Attributes.h"
#include "napi/Registry.h"

class TCustomDriver;

// ---- methods ---------------------------------------------------------------

using TActionEntry = void (*)(TCustomDriver&);
using TMethodAttribute = std::variant<ExportMethAttribute, AdditionalActionAttribute>;

// One descriptor of one method. A method with several descriptors repeats its
// name and entry in adjacent rows, in descriptor order. The entry's form
// follows from the descriptor: host calls for exported methods, no arguments
// for actions.
struct TMethodRow {
    constexpr TMethodRow(std::u16string_view AName, TV8CallAsFunc AExecute, ExportMethAttribute AAttribute)
        : Name(AName), Execute(AExecute), Attribute(AAttribute) {}
    constexpr TMethodRow(std::u16string_view AName, TActionEntry ARun, AdditionalActionAttribute AAttribute)
        : Name(AName), Run(ARun), Attribute(AAttribute) {}

    bool SameMember(const TMethodRow& other) const {
        return Name == other.Name && Execute == other.Execute && Run == other.Run;
    }

    std::u16string_view Name;  // the method's own name
    TV8CallAsFunc Execute = nullptr;
    TActionEntry Run = nullptr;
    TMethodAttribute Attribute;
};

// ---- properties ------------------------------------------------------------

// What a property's declared type is, as far as conversion to and from the
// host's values goes. Char, Enum and Other are accepted in tables and refused
// at access time.
enum class TPropertyKind : uint8_t { Integer, Int64, Boolean, Float, String, Char, Enum, Other };

using TPropertyValue = std::variant<int64_t, bool, double, std::u16string>;

// Reads and writes one property of a driver object. Get and Set are null for
// the kinds that cannot be converted.
struct TPropertyAccess {
    TPropertyKind Kind = TPropertyKind::Other;
    TPropertyValue (*Get)(const TCustomDriver&) = nullptr;
    void (*Set)(TCustomDriver&, const TPropertyValue&) = nullptr;
};

struct TPropertyRow {
    std::u16string_view Name;  // the property's own name
    TPropertyAccess Access;
    ExportPropAttribute Attribute;
};

// The value types that the settings document names.
enum TTypeValue : uint8_t { tvString = 0, tvNumber = 1, tvBoolean = 2, tvUnknown = 3 };
TTypeValue GetTypeValue(TPropertyKind AKind);
// "String", "Number", "Boolean", "Unknown"; fails with "Enum value unacceptable" outside 0-3.
std::u16string TypeValueToString(TTypeValue AValue);

// ---- tables ----------------------------------------------------------------

struct TExportTable {
    const TExportTable* Parent = nullptr;
    std::span<const TMethodRow> Methods;
    std::span<const TPropertyRow> Properties;
};

template <class Visit>
void ForEachMethod(const TExportTable& table, Visit&& visit) {
    for (const TExportTable* t = &table; t; t = t->Parent) {
        for (const TMethodRow& row : t->Methods) visit(row);
    }
}

template <class Visit>
void ForEachProperty(const TExportTable& table, Visit&& visit) {
    for (const TExportTable* t = &table; t; t = t->Parent) {
        for (const TPropertyRow& row : t->Properties) visit(row);
    }
}

// ---- building rows from members ---------------------------------------------

namespace export_detail {

template <class M>
struct MemberOf;
template <class C, class V>
struct MemberOf<V C::*> {
    using Class = C;
    using Value = V;
};

template <class M>
struct MethodOf;
template <class C, class R, class... A>
struct MethodOf<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
};
template <class C, class R, class... A>
struct MethodOf<R (C::*)(A...) const> {
    using Class = C;
    using Result = R;
};

template <class V>
constexpr TPropertyKind KindOf() {
    using T = std::remove_cvref_t<V>;
    if constexpr (std::is_same_v<T, bool>) {
        return TPropertyKind::Boolean;
    } else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, char8_t> || std::is_same_v<T, char16_t> ||
                         std::is_same_v<T, char32_t> || std::is_same_v<T, wchar_t>) {
        return TPropertyKind::Char;
    } else if constexpr (std::is_integral_v<T>) {
        return sizeof(T) > sizeof(int32_t) ? TPropertyKind::Int64 : TPropertyKind::Integer;
    } else if constexpr (std::is_floating_point_v<T>) {
        return TPropertyKind::Float;
    } else if constexpr (std::is_enum_v<T>) {
        return TPropertyKind::Enum;
    } else if constexpr (std::is_same_v<T, std::u16string> || std::is_same_v<T, std::string>) {
        return TPropertyKind::String;
    } else {
        return TPropertyKind::Other;
    }
}

template <class V>
constexpr bool Convertible() {
    constexpr TPropertyKind kind = KindOf<V>();
    return kind != TPropertyKind::Char && kind != TPropertyKind::Enum && kind != TPropertyKind::Other;
}

template <class V>
TPropertyValue ToValue(const V& v) {
    if constexpr (std::is_same_v<V, bool>) {
        return v;
    } else if constexpr (std::is_integral_v<V>) {
        return static_cast<int64_t>(v);
    } else if constexpr (std::is_floating_point_v<V>) {
        return static_cast<double>(v);
    } else if constexpr (std::is_same_v<V, std::string>) {
        return FromUtf8(v);
    } else {
        return v;
    }
}

template <class V>
void FromValue(V& field, const TPropertyValue& value) {
    if constexpr (std::is_same_v<V, bool>) {
        field = std::get<bool>(value);
    } else if constexpr (std::is_integral_v<V>) {
        field = static_cast<V>(std::get<int64_t>(value));
    } else if constexpr (std::is_floating_point_v<V>) {
        field = static_cast<V>(std::get<double>(value));
    } else if constexpr (std::is_same_v<V, std::string>) {
        field = ToUtf8(std::get<std::u16string>(value));
    } else {
        field = std::get<std::u16string>(value);
    }
}

}  // namespace export_detail

// The entry of an exported method: calls exactly the named implementation,
// never an override, so subclasses change behaviour through the virtual
// operations the method calls.
template <auto Method>
bool HostCall(TV8UserObject& self, V8Variant& RetValue, V8Variant* Params, int32_t ParamCount,
              TV8AddInDefBaseEx*& v8) {
    using C = typename export_detail::MethodOf<decltype(Method)>::Class;
    return (dynamic_cast<C&>(self).*Method)(RetValue, Params, ParamCount, v8);
}

template <auto Method>
void RunAction(TCustomDriver& self) {
    using C = typename export_detail::MethodOf<decltype(Method)>::Class;
    (dynamic_cast<C&>(self).*Method)();
}

// A property backed by a data member.
template <auto Member>
constexpr TPropertyAccess Field() {
    using C = typename export_detail::MemberOf<decltype(Member)>::Class;
    using V = typename export_detail::MemberOf<decltype(Member)>::Value;
    if constexpr (export_detail::Convertible<V>()) {
        return {export_detail::KindOf<V>(),
                [](const TCustomDriver& d) { return export_detail::ToValue(static_cast<const C&>(d).*Member); },
                [](TCustomDriver& d, const TPropertyValue& v) { export_detail::FromValue(static_cast<C&>(d).*Member, v); }};
    } else {
        return {export_detail::KindOf<V>()};
    }
}

// A property backed by one element of an array member.
template <auto Member, std::size_t Index>
constexpr TPropertyAccess Element() {
    using C = typename export_detail::MemberOf<decltype(Member)>::Class;
    using A = typename export_detail::MemberOf<decltype(Member)>::Value;
    using V = std::remove_cvref_t<decltype(std::declval<A&>()[0])>;
    static_assert(Index < std::tuple_size_v<A>);
    if constexpr (export_detail::Convertible<V>()) {
        return {export_detail::KindOf<V>(),
                [](const TCustomDriver& d) { return export_detail::ToValue((static_cast<const C&>(d).*Member)[Index]); },
                [](TCustomDriver& d, const TPropertyValue& v) {
                    export_detail::FromValue((static_cast<C&>(d).*Member)[Index], v);
                }};
    } else {
        return {export_detail::KindOf<V>()};
    }
}

// A property backed by a getter and a setter of the class.
template <auto Getter, auto Setter>
constexpr TPropertyAccess Accessors() {
    using C = typename export_detail::MethodOf<decltype(Getter)>::Class;
    using V = std::remove_cvref_t<typename export_detail::MethodOf<decltype(Getter)>::Result>;
    if constexpr (export_detail::Convertible<V>()) {
        return {export_detail::KindOf<V>(),
                [](const TCustomDriver& d) { return export_detail::ToValue((static_cast<const C&>(d).*Getter)()); },
                [](TCustomDriver& d, const TPropertyValue& v) {
                    V value{};
                    export_detail::FromValue(value, v);
                    (static_cast<C&>(d).*Setter)(value);
                }};
    } else {
        return {export_detail::KindOf<V>()};
    }
}
