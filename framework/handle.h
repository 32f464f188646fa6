#pragma once
// One move-only owner for every kind of system handle. The traits give the invalid value and
// the closer; copying an owner does not compile, so nothing is closed twice.
#include <windows.h>
#include <utility>

namespace fw {

template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type value) noexcept : value_(value) {}
    ~Unique() { reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    // Closes the held value; the caller's last error survives the closer.
    void reset(Type value = Traits::Invalid()) noexcept {
        if (value_ != Traits::Invalid()) {
            DWORD error = GetLastError();
            Traits::Close(value_);
            SetLastError(error);
        }
        value_ = value;
    }
    Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // For out-parameters: the old value is closed first.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { LocalFree(h); }
};
struct SidTraits {
    using Type = PSID;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeSid(h); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct ViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFileHandle = Unique<FileHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueLocalMemory = Unique<LocalMemoryTraits>;
using UniqueSid = Unique<SidTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueView = Unique<ViewTraits>;

}  // namespace fw
