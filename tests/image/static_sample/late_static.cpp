// A function-local static the list does not name, beside statics the check must let pass.
#include <string>

struct Table {
    static int Count();  // a member, not a local
};

namespace {
const wchar_t* const kNames[] = {L"one", L"two"};
}

int Table::Count() {
    static constexpr int kLimit = 3;                       // constant: no guard needed
    static const wchar_t* const kLocal[] = {L"a", L"b"};  // constant table
    static std::wstring cache = kNames[0];                 // set at first call: unguarded
    return static_cast<int>(cache.size()) + kLimit + (kLocal[0] ? 1 : 0);
}
