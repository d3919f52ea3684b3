#include "common/Error.h"

#include "common/Text.h"

EComponentError::EComponentError(std::u16string message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}
