#include "emulator/program_start.h"
#include "platform/device_log.h"

namespace program_start {

BOOL retryingRefusals(const std::function<BOOL()>& start, DWORD pauseMs)
{
    for (int attempt = 1;; ++attempt) {
        if (start()) return TRUE;
        DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == Attempts) return FALSE;
        device_log::write(L"refused by the platform (error 1359), trying again");
        Sleep(pauseMs * static_cast<DWORD>(attempt));
        SetLastError(error);
    }
}

} // namespace program_start
