#pragma once
// A kernel object's handle, closed when its owner goes. For the functions
// that fail with a null handle (not INVALID_HANDLE_VALUE).
#include <windows.h>

#include <memory>

namespace marsitel {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace marsitel
