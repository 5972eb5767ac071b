#pragma once
// Owns one VARIANT: whatever it holds (strings, object references) is
// released when the owner goes, on every path.
#include <windows.h>
#include <oleauto.h>

namespace marsitel::host {

class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }

    const VARIANT& get() const noexcept { return value_; }
    VARIANT* address() noexcept { return &value_; }
    // Empties the variant first, so that an out-parameter never leaks.
    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

}  // namespace marsitel::host
