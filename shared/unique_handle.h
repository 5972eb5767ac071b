#pragma once
// Owners of a kernel object's handle and of a registry key, each closed
// when its owner goes. The system's functions mark a failure with a null
// handle or, those that open files, with INVALID_HANDLE_VALUE: the owner
// closes neither.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace marsitel {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace marsitel
