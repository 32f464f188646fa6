// setup.exe is built without exceptions. The library's throwing helpers and the throwing
// operator new would pull in the whole unwinder and demangler (over 100 KB); here a failure
// that would have thrown ends the run through its one fatal path, which says why in the log.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "app/fatal_exit.h"

namespace {
[[noreturn]] void OutOfMemory() { EndFatally(FatalCause::OutOfMemory); }
[[noreturn]] void BrokenPrecondition() { EndFatally(FatalCause::BrokenPrecondition); }
}  // namespace

namespace std {
[[noreturn]] void __throw_bad_alloc() { OutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfMemory(); }
// A size beyond the container's limit, an index out of range and the like: the caller broke
// the library's rules.
[[noreturn]] void __throw_length_error(const char*) { BrokenPrecondition(); }
[[noreturn]] void __throw_logic_error(const char*) { BrokenPrecondition(); }
[[noreturn]] void __throw_out_of_range(const char*) { BrokenPrecondition(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { BrokenPrecondition(); }
[[noreturn]] void __throw_invalid_argument(const char*) { BrokenPrecondition(); }
[[noreturn]] void __throw_bad_function_call() { BrokenPrecondition(); }
[[noreturn]] void __throw_system_error(int) { BrokenPrecondition(); }
// The bounds checks of the string and container code.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { BrokenPrecondition(); }
}  // namespace std

void* operator new(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) OutOfMemory();
    return block;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
