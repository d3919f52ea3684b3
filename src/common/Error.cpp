#include "common/Error.h"

#include "common/Text.h"

#include <new>

EComponentError::EComponentError(std::u16string message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}

std::u16string CurrentErrorMessage() {
    try {
        throw;
    } catch (const EComponentError& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return u"Out of memory";
    } catch (const std::exception& e) {
        return FromUtf8(e.what());
    } catch (...) {
        return u"Unknown error";
    }
}

std::u16string ErrorBoxText(const std::u16string& message) {
    if (!message.empty() && message.back() > u'.') return message + u".";
    return message;
}
