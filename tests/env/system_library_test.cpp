#include <gtest/gtest.h>

#include <string>

#include "tests/kit/kit.h"

namespace {

// A msi.dll without exports planted beside the program, which Wine is told to prefer (this
// test runs with WINEDLLOVERRIDES=msi=n,b, read by Wine at process start): a plain LoadLibrary
// takes it, LoadSystemLibrary takes the system's.
// (version.dll cannot be checked this way under Wine: Wine's own user32.dll imports it, so a
// planted version.dll is mapped into every GUI process before any code of the program runs.)
TEST(LoadSystemLibrary, IgnoresADllBesideTheProgram) {
    kit::TempFolder medium;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"env_probe.exe"), medium / L"env_probe.exe"));
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fileversion_none.dll"), medium / L"msi.dll"));
    const std::wstring probe = L"\"" + (medium / L"env_probe.exe") + L"\" ";
    kit::Process plain(probe + L"plain-library msi.dll MsiInstallProductW", medium.path());
    EXPECT_EQ(plain.Wait(), 0u) << "the planted DLL is not preferred, so this test proves nothing";
    kit::Process system(probe + L"system-library msi.dll MsiInstallProductW", medium.path());
    EXPECT_EQ(system.Wait(), 1u);
}

}  // namespace
