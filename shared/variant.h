#pragma once
// Owns one VARIANT: whatever it holds (strings, object references) is
// released when the owner goes, on every path.
#include <windows.h>

#include <oleauto.h>

#include <string_view>

namespace marsitel {

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

    static Variant Text(std::wstring_view text) {
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
    // Empties the variant first, so that an out-parameter never leaks.
    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }
    // The address as it is, for a conversion in place or for filling a
    // variant that is still empty.
    VARIANT* address() noexcept { return &value_; }
    // Hands the value to the caller, who clears it from then on.
    VARIANT release() noexcept {
        VARIANT out = value_;
        VariantInit(&value_);
        return out;
    }

private:
    VARIANT value_;
};

}  // namespace marsitel
