// The outcome of a driver's last standard method, as GetLastError reports it.
#pragma once

#include <cstdint>
#include <string>

// The general error code of the driver: the only one its standard methods record.
constexpr int32_t kGeneralErrorCode = 1001;

struct TResult {
    int32_t ErrorCode = 0;
    std::u16string ErrorDescription;
    bool BoolResult = true;

    void Clear();
    void SetError(std::u16string ADescription, int32_t AErrorCode);
    // 0 after success; otherwise the code, or the general code when none was given.
    int32_t GetIntResult() const;
};
