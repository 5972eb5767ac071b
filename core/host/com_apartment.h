#pragma once
// The calling thread's membership of a single-threaded apartment, for as
// long as the owner lives: the host's objects are reached through COM from
// the user-interface thread, and its message filter needs such an apartment.
#include <windows.h>
#include <objbase.h>

namespace marsitel::host {

class ComApartment {
public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

}  // namespace marsitel::host
