#include "app/setup_data.h"

#include "framework/guid.h"

namespace {

constexpr size_t kCodeUnits = 36;
constexpr size_t kNumberUnits = 20;
constexpr size_t kNameStart = kCodeUnits + kNumberUnits;

bool IsStreamSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

wchar_t UnitAt(const unsigned char* data, size_t unit) {
    return static_cast<wchar_t>(data[unit * 2] | (data[unit * 2 + 1] << 8));
}

}  // namespace

bool ParseRequiredSpace(std::wstring_view field, uint64_t* value) {
    size_t i = 0;
    while (i < field.size() && IsStreamSpace(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == L'+' || field[i] == L'-')) {
        negative = field[i] == L'-';
        ++i;
    }
    uint64_t result = 0;
    size_t digits = 0;
    for (; i < field.size() && field[i] >= L'0' && field[i] <= L'9'; ++i, ++digits) {
        uint64_t digit = static_cast<uint64_t>(field[i] - L'0');
        if (result > UINT64_MAX / 10 || result * 10 > UINT64_MAX - digit) return false;
        result = result * 10 + digit;
    }
    if (digits == 0) return false;
    *value = negative ? 0 - result : result;
    return true;
}

ProductSetupData ParseSetupData(const unsigned char* data, size_t size) {
    ProductSetupData record;
    const size_t units = size / 2;  // an odd last byte is not part of any unit
    if (units >= kCodeUnits) {
        std::wstring code(kCodeUnits, L'\0');
        for (size_t u = 0; u < kCodeUnits; ++u) code[u] = UnitAt(data, u);
        if (fw::IsGuidForm(code))
            record.productCode = code;
        else
            record.productCodeRefused = true;
    }
    if (units >= kNameStart) {
        std::wstring field(kNumberUnits, L'\0');
        for (size_t u = 0; u < kNumberUnits; ++u) field[u] = UnitAt(data, kCodeUnits + u);
        uint64_t value = 0;
        if (ParseRequiredSpace(field, &value)) record.requiredSpaceBytes = value;
        for (size_t u = kNameStart; u < units; ++u) {
            wchar_t c = UnitAt(data, u);
            if (c == L'\0') break;
            record.productName += c;
        }
    }
    return record;
}
