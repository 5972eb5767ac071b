#pragma once
// Each test runs in a single-threaded apartment, as the program's UI thread does.
#include <windows.h>
#include <objbase.h>

namespace marsitel::testing {

class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialized_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

}  // namespace marsitel::testing
