#pragma once
// A kernel object's handle, closed when its owner goes. The system's
// functions mark a failure with a null handle or, those that open files,
// with INVALID_HANDLE_VALUE: the owner closes neither.
#include <windows.h>

#include <memory>

namespace marsitel {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace marsitel
