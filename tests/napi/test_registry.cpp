#include <doctest.h>

#include "napi/Registry.h"

namespace {

bool NoFunc(TV8UserObject&, V8Variant&, V8Variant*, int32_t, TV8AddInDefBaseEx*&) { return true; }

}  // namespace

TEST_CASE("typed defaults count parameters from 1 and keep the last record") {
    TDefParamList list;
    list.AddInt(7, 2);
    REQUIRE(list.ValueCount() == 1);
    CHECK(list.Values[0].Num == 1);
    CHECK(list.Values[0].Value.vt == VTYPE_I4);
    CHECK(list.Values[0].Value.VarEnum.lVal == 7);
    CHECK(list.TempParam == &list.Values[0].Value);

    static const char16_t kText[] = u"default";
    list.AddWString(kText, 1);
    CHECK(list.TempParam->VarEnum.vtRecWideString.pwstrVal == kText);  // referenced, not copied
    CHECK(list.TempParam->VarEnum.vtRecWideString.wstrLen == 7);
    list.AddAString("ab", 3);
    CHECK(list.TempParam->vt == VTYPE_PSTR);
    CHECK(list.TempParam->VarEnum.vtRecString.strLen == 2);
    list.AddBool(true, 4);
    list.AddDouble(2.5, 5);
    list.AddDate(3.25, 6);
    CHECK(list.TempParam->vt == VTYPE_DATE);
    CHECK(list.ValueCount() == 6);
}

TEST_CASE("look-ups: localized then English name, first registration wins, case counts") {
    TClassReg reg;
    reg.AddFunc(u"Open", u"Подключить", NoFunc, 1);
    reg.AddFunc(u"Close", u"Open", NoFunc, 1);  // a localized name equal to another English name
    reg.AddFunc(u"Open", u"Другой", NoFunc, 0);
    CHECK(reg.FindMethod(u"Open") == 0);
    CHECK(reg.FindMethod(u"Подключить") == 0);
    CHECK(reg.FindMethod(u"Close") == 1);
    CHECK(reg.FindMethod(u"Другой") == 2);
    CHECK(reg.FindMethod(u"open") == -1);
    CHECK(reg.FindMethod(u"подключить") == -1);
    CHECK(reg.FindMethod(u"") == -1);
    CHECK(reg.Method(-1) == nullptr);
    CHECK(reg.Method(3) == nullptr);

    reg.AddProp(u"Delay", u"Задержка", true, true, nullptr);
    reg.AddProp(u"Delay", u"Задержка2", true, false, nullptr);
    reg.AddProp(u"", u"", true, true, nullptr);  // accepted without validation
    CHECK(reg.PropCount() == 3);
    CHECK(reg.FindProp(u"Delay") == 0);
    CHECK(reg.FindProp(u"Задержка2") == 1);
    CHECK(reg.FindProp(u"") == 2);
    CHECK(reg.Prop(3) == nullptr);
}

TEST_CASE("class names are joined in registration order") {
    TClassRegList list;
    CHECK(list.ClassNames().empty());
    list.RegisterClass(nullptr, u"ExtOne", u"One");
    CHECK(list.ClassNames() == u"One");
    list.RegisterClass(nullptr, u"ExtTwo", u"Two");
    CHECK(list.ClassNames() == u"One|Two");
    CHECK(list.ClassCount() == 2);
    CHECK(list.FindClass(u"Two") == list.ClassList[1].get());
    CHECK(list.FindClass(u"two") == nullptr);
    CHECK(list.FindClass(u"Two ") == nullptr);
}
