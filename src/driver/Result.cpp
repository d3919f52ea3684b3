#include "driver/Result.h"

void TResult::Clear() {
    ErrorCode = 0;
    ErrorDescription.clear();
    BoolResult = true;
}

void TResult::SetError(std::u16string ADescription, int32_t AErrorCode) {
    ErrorCode = AErrorCode;
    ErrorDescription = std::move(ADescription);
    BoolResult = false;
}

int32_t TResult::GetIntResult() const {
    if (BoolResult) return 0;
    return ErrorCode != 0 ? ErrorCode : kGeneralErrorCode;
}
