// setup.exe is built without exceptions. The library's throwing helpers and the throwing
// operator new would pull in the whole unwinder and demangler (over 100 KB); here a failure
// that would have thrown ends the process instead, which is what an uncaught throw did.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void Fail() { ExitProcess(3); }
}  // namespace

namespace std {
[[noreturn]] void __throw_length_error(const char*) { Fail(); }
[[noreturn]] void __throw_bad_alloc() { Fail(); }
[[noreturn]] void __throw_bad_array_new_length() { Fail(); }
[[noreturn]] void __throw_logic_error(const char*) { Fail(); }
[[noreturn]] void __throw_out_of_range(const char*) { Fail(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
[[noreturn]] void __throw_invalid_argument(const char*) { Fail(); }
[[noreturn]] void __throw_bad_function_call() { Fail(); }
[[noreturn]] void __throw_system_error(int) { Fail(); }
// A broken library precondition (the bounds checks of the string and container code).
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { Fail(); }
}  // namespace std

void* operator new(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) Fail();
    return block;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
