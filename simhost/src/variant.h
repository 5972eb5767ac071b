#pragma once
// A VARIANT that clears itself.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace simhost {

class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value_(other.release()) {}
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.release();
        }
        return *this;
    }

    static Variant Text(const std::wstring& text) {
        Variant v;
        v.value_.vt = VT_BSTR;
        v.value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return v;
    }
    static Variant Long(long value) {
        Variant v;
        v.value_.vt = VT_I4;
        v.value_.lVal = value;
        return v;
    }
    static Variant Bool(bool value) {
        Variant v;
        v.value_.vt = VT_BOOL;
        v.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }

    const VARIANT& get() const noexcept { return value_; }
    // Clears the value and hands out its address for an API to fill.
    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }
    // The address without clearing, for in-place conversion and filling.
    VARIANT* put_in_place() noexcept { return &value_; }
    VARIANT release() noexcept {
        VARIANT out = value_;
        VariantInit(&value_);
        return out;
    }

private:
    VARIANT value_;
};

}  // namespace simhost
