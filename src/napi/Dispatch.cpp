#include "napi/Dispatch.h"

#include "common/Text.h"

#include "common/Error.h"
#include "log/Log.h"
#include "napi/Registry.h"

namespace {

// The host only borrows the texts of an error report: they are handed over
// from the component's own memory rather than copied into the host's, where
// nobody would ever release them.
void ReportToHost(TV8UserObject& object, const std::u16string& message) {
    if (object.V8) object.V8->AddError(kAddInErrorCode, u"Внешняя компонента", message.c_str(), kEFail);
}

void Capture(TV8UserObject& object, const std::u16string& message) noexcept {
    try {
        ReportToHost(object, message);
        TLog::Append(u"EXCEPTION", message, TLog::mtError);
    } catch (...) {
        // The log itself may be what failed; the false result still tells the host.
    }
}

// Runs `call` under the boundary: an error of any type becomes a report to the
// host, an "EXCEPTION" log entry and false, so that nothing crosses into the host.
template <class Call>
bool Guarded(TV8UserObject& object, Call&& call) noexcept {
    try {
        return call();
    } catch (...) {
        Capture(object, CurrentErrorMessage());
    }
    return false;
}

}  // namespace

std::u16string ParamList(const V8Variant* params, int32_t count) {
    std::u16string text = u"[";
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0) text += u"; ";
        text += V8Type(params[i]) == VTYPE_BLOB ? std::u16string(u"BLOB") : V8ToText(params[i]);
    }
    return text + u"]";
}

namespace {

// The method behind an index the host obtained from the look-ups; an index
// outside the list is answered with a plain false, like the look-ups do.
const TMethReg* MethodOf(TV8UserObject& object, int32_t method, int32_t count, const V8Variant* params) {
    const TMethReg* m = object.ClassReg ? object.ClassReg->Method(method) : nullptr;
    if (m && (count < 0 || (count > 0 && !params))) throw EComponentError(u"Invalid parameter list for " + m->MethName);
    return m;
}

}  // namespace

bool DispatchCallAsFunc(TV8UserObject& object, int32_t method, V8Variant* retValue, V8Variant* params, int32_t count) {
    return Guarded(object, [&] {
        const TMethReg* m = MethodOf(object, method, count, params);
        if (!m) return false;
        if (!retValue) throw EComponentError(u"No place for the result of " + m->MethName);
        TLog::Append(u"> " + m->MethName, u"Params: " + ParamList(params, count), TLog::mtDebug);
        bool ok = false;
        if (m->ExecuteFunc) {
            ok = m->ExecuteFunc(object, *retValue, params, count, object.V8);
        } else if (m->ExecuteProc) {
            ok = m->ExecuteProc(object, params, count, object.V8);
        }
        TLog::Append(u"< " + m->MethName, u"Result=" + V8ToText(*retValue) + u"; Params: " + ParamList(params, count),
                     TLog::mtDebug);
        return ok;
    });
}

bool DispatchCallAsProc(TV8UserObject& object, int32_t method, V8Variant* params, int32_t count) {
    return Guarded(object, [&] {
        const TMethReg* m = MethodOf(object, method, count, params);
        if (!m) return false;
        TLog::Append(u"> " + m->MethName, u"Params: " + ParamList(params, count), TLog::mtDebug);
        bool ok = false;
        if (m->ExecuteProc) {
            ok = m->ExecuteProc(object, params, count, object.V8);
        } else if (m->ExecuteFunc) {
            // A function called as a procedure runs with a scratch result that is
            // released at once: the host asked for the effect, not the value.
            V8Variant scratch{};
            struct Release {
                TV8UserObject& object;
                V8Variant& value;
                ~Release() { object.V8ClearVar(value); }
            } release{object, scratch};
            ok = m->ExecuteFunc(object, scratch, params, count, object.V8);
        }
        TLog::Append(u"< " + m->MethName, u"; Params: " + ParamList(params, count), TLog::mtDebug);
        return ok;
    });
}

bool DispatchGetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value) {
    return Guarded(object, [&] {
        const TPropReg* p = object.ClassReg ? object.ClassReg->Prop(prop) : nullptr;
        if (!p || !p->PropGetSet) return false;
        if (!value) throw EComponentError(u"No value record for " + p->PropName);
        return p->PropGetSet(object, p->PropName, *value, true, object.V8);
    });
}

bool DispatchSetPropVal(TV8UserObject& object, int32_t prop, V8Variant* value) {
    return Guarded(object, [&] {
        const TPropReg* p = object.ClassReg ? object.ClassReg->Prop(prop) : nullptr;
        if (!p || !p->PropGetSet) return false;
        if (!value) throw EComponentError(u"No value record for " + p->PropName);
        return p->PropGetSet(object, p->PropName, *value, false, object.V8);
    });
}
