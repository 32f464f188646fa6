#pragma once
// The license texts' bytes as the text box shows them. No Windows header: the decoding also
// builds natively, for fuzzing.
#include <cstddef>
#include <cstdint>
#include <string>

// A license file's bytes the page reads at the most.
constexpr uint32_t kMaxLicenseBytes = 16u << 20;

// The two license texts as the text box shows them: the general text, a separator line when
// it is not empty, then the data license.
std::wstring JoinLicenseTexts(const std::wstring& general, const std::wstring& data);

// The text of a license file's bytes: from byte 2 up to the first NUL unit or the end of the
// data, whichever comes first.
std::wstring LicenseTextFromBytes(const unsigned char* bytes, size_t size);
