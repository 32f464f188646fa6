#include <windows.h>

#include "app/setup_data.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    ProductSetupData data = ReadSetupData();
    return data.productCode.empty() ? 0 : 0;
}
