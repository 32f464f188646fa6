#pragma once
// Small owners for COM: an interface reference, a BSTR, a VARIANT, and the COM initialisation
// of the calling thread. Users link ole32 and oleaut32.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace fw {

// Holds one interface reference and releases it. Adopting a pointer takes over its reference.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* adopted) : p_(adopted) {}
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : p_(other.release()) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = other.release();
        }
        return *this;
    }

    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: the old reference is released first.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // Gives the reference away without releasing it.
    T* release() { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return value_; }
    // Gives the string away, for an out-parameter the caller frees.
    BSTR release() { return std::exchange(value_, nullptr); }

private:
    BSTR value_;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    explicit Variant(const wchar_t* text) {
        VariantInit(&value_);
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocString(text);
    }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_;
};

// COM for the calling thread while the scope lives; uninitialised once, and only when the
// initialisation succeeded. Declare it before the interfaces so it ends after them.
class ComScope {
public:
    ComScope() = default;
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT Initialize(DWORD model = COINIT_MULTITHREADED) {
        HRESULT result = CoInitializeEx(nullptr, model);
        active_ = SUCCEEDED(result);
        return result;
    }
    ~ComScope() {
        if (active_) CoUninitialize();
    }

private:
    bool active_ = false;
};

}  // namespace fw
