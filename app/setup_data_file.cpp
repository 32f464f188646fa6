// Reading setup.dat from the medium, and its log line; the parsing, which needs no system call,
// is beside it.
#include <windows.h>

#include <vector>

#include "app/setup_data.h"
#include "env/system_checks.h"
#include "framework/file.h"
#include "framework/strings.h"
#include "system/setup_log.h"

ProductSetupData ReadSetupDataFrom(const std::wstring& folder) {
    const std::wstring path = folder + L"setup.dat";
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const DWORD error = fw::ReadFileHead(path, kMaxSetupDataBytes, &bytes, &size);
    // Only a file that does not exist is absent: one that does not read is a damaged medium.
    ProductSetupData data;
    if (error == ERROR_SUCCESS) return ParseSetupData(bytes.data(), bytes.size());
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) data.readError = error;
    return data;
}

ProductSetupData ReadSetupData() { return ReadSetupDataFrom(GetSetupFolder()); }

void LogSetupData(const ProductSetupData& data) {
    LogEvent(fw::Format("Setup data: product code \"%s\", %I64u bytes required, product name \"%s\"",
                        data.productCode.c_str(), data.requiredSpaceBytes, data.productName.c_str()));
}
