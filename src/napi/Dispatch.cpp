#include "napi/Dispatch.h"

#include <new>

#include "common/Error.h"
#include "napi/Registry.h"

namespace {

void ReportToHost(TV8UserObject& object, const std::u16string& message) {
    if (!object.V8) return;
    const char16_t* copy = V8AllocWString(object.V8MM, message);
    object.V8->AddError(kAddInErrorCode, u"Внешняя компонента", copy, kEFail);
}

// Runs `call` under the boundary: an error becomes a report to the host and false.
template <class Call>
bool Guarded(TV8UserObject& object, Call&& call) noexcept {
    try {
        try {
            return call();
        } catch (const EComponentError& e) {
            ReportToHost(object, e.Message());
        } catch (const std::bad_alloc&) {
            ReportToHost(object, u"Out of memory");
        } catch (...) {
            ReportToHost(object, u"Unexpected error in the external component");
        }
    } catch (...) {
        // Reporting itself failed; the false result still tells the host.
    }
    return false;
}

}  // namespace

bool DispatchCallAsFunc(TV8UserObject& object, int32_t method, V8Variant* retValue, V8Variant* params, int32_t count) {
    return Guarded(object, [&] {
        const TMethReg* m = object.ClassReg ? object.ClassReg->Method(method) : nullptr;
        if (!m || !retValue || count < 0 || (count > 0 && !params)) return false;
        if (m->ExecuteFunc) return m->ExecuteFunc(object, *retValue, params, count, object.V8);
        return m->ExecuteProc && m->ExecuteProc(object, params, count, object.V8);
    });
}

bool DispatchCallAsProc(TV8UserObject& object, int32_t method, V8Variant* params, int32_t count) {
    return Guarded(object, [&] {
        const TMethReg* m = object.ClassReg ? object.ClassReg->Method(method) : nullptr;
        if (!m || count < 0 || (count > 0 && !params)) return false;
        if (m->ExecuteProc) return m->ExecuteProc(object, params, count, object.V8);
        if (!m->ExecuteFunc) return false;
        // A function called as a procedure runs with a scratch result that is
        // released at once: the host asked for the effect, not the value.
        V8Variant scratch{};
        struct Release {
            TV8UserObject& object;
            V8Variant& value;
            ~Release() { object.V8ClearVar(value); }
        } release{object, scratch};
        return m->ExecuteFunc(object, scratch, params, count, object.V8);
    });
}

bool DispatchGetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value) {
    return Guarded(object, [&] {
        const TPropReg* p = object.ClassReg ? object.ClassReg->Prop(prop) : nullptr;
        if (!p || !p->PropGetSet || !value) return false;
        return p->PropGetSet(object, p->PropName, *value, true, object.V8);
    });
}

bool DispatchSetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value) {
    return Guarded(object, [&] {
        const TPropReg* p = object.ClassReg ? object.ClassReg->Prop(prop) : nullptr;
        if (!p || !p->PropGetSet || !value) return false;
        return p->PropGetSet(object, p->PropName, *value, false, object.V8);
    });
}
