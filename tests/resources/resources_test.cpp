// What setup.exe carries: dialog templates, strings, icon, version, manifest, PE hardening.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "framework/strings.h"
#include "tests/kit/kit.h"

namespace {

std::wstring SetupExe() { return kit::BinFolder() + L"..\\..\\setup.exe"; }

class SetupResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "setup.exe not found beside the build";
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::vector<BYTE> Resource(LPCWSTR type, LPCWSTR name) {
        HRSRC info = FindResourceW(module_, name, type);
        if (!info) return {};
        HGLOBAL data = LoadResource(module_, info);
        auto* bytes = static_cast<const BYTE*>(LockResource(data));
        return std::vector<BYTE>(bytes, bytes + SizeofResource(module_, info));
    }
    HMODULE module_ = nullptr;
};

// Reads a DLGTEMPLATEEX with its items.
struct Reader {
    const BYTE* p;
    const BYTE* end;
    template <typename T>
    T Take() {
        T value{};
        if (p + sizeof(T) <= end) std::memcpy(&value, p, sizeof(T));
        p += sizeof(T);
        return value;
    }
    // A name or ordinal field: 0 → empty, 0xFFFF → ordinal, else a string.
    std::wstring NameOrOrdinal(WORD* ordinal = nullptr) {
        WORD first = Take<WORD>();
        if (first == 0) return {};
        if (first == 0xFFFF) {
            WORD value = Take<WORD>();
            if (ordinal) *ordinal = value;
            return L"#" + std::to_wstring(value);
        }
        std::wstring text(1, static_cast<wchar_t>(first));
        for (WORD c; (c = Take<WORD>()) != 0;) text += static_cast<wchar_t>(c);
        return text;
    }
    void Align() {
        while (reinterpret_cast<uintptr_t>(p) & 3) ++p;
    }
};

struct Item {
    DWORD style;
    DWORD id;
    std::wstring windowClass;
    short x, y, cx, cy;
};

struct Template {
    DWORD style, exStyle;
    short x, y, cx, cy;
    std::wstring caption;
    WORD pointSize, weight;
    BYTE italic;
    std::wstring face;
    std::vector<Item> items;
};

Template Parse(const std::vector<BYTE>& data) {
    Template t{};
    Reader r{data.data(), data.data() + data.size()};
    EXPECT_EQ(r.Take<WORD>(), 1);       // dlgVer
    EXPECT_EQ(r.Take<WORD>(), 0xFFFF);  // extended template
    r.Take<DWORD>();                    // help id
    t.exStyle = r.Take<DWORD>();
    t.style = r.Take<DWORD>();
    WORD count = r.Take<WORD>();
    t.x = r.Take<short>();
    t.y = r.Take<short>();
    t.cx = r.Take<short>();
    t.cy = r.Take<short>();
    r.NameOrOrdinal();  // menu
    r.NameOrOrdinal();  // class
    t.caption = r.NameOrOrdinal();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Take<WORD>();
        t.weight = r.Take<WORD>();
        t.italic = r.Take<BYTE>();
        r.Take<BYTE>();  // charset
        t.face = r.NameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        r.Align();
        Item item{};
        r.Take<DWORD>();  // help id
        r.Take<DWORD>();  // extended style
        item.style = r.Take<DWORD>();
        item.x = r.Take<short>();
        item.y = r.Take<short>();
        item.cx = r.Take<short>();
        item.cy = r.Take<short>();
        item.id = r.Take<DWORD>();
        WORD ordinal = 0;
        item.windowClass = r.NameOrOrdinal(&ordinal);
        if (ordinal == 0x0080) item.windowClass = L"Button";
        if (ordinal == 0x0081) item.windowClass = L"Edit";
        if (ordinal == 0x0082) item.windowClass = L"Static";
        r.NameOrOrdinal();  // text
        WORD extra = r.Take<WORD>();
        r.p += extra;
        t.items.push_back(item);
    }
    return t;
}

void ExpectPageFrame(const Template& t) {
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | DS_SETFONT));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 256);
    EXPECT_EQ(t.cy, 203);
    EXPECT_EQ(t.caption, L"");
    EXPECT_EQ(t.pointSize, 12);
    EXPECT_EQ(t.weight, 700);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.face, L"Arial");
}

void ExpectItems(const Template& t, const std::vector<Item>& expected) {
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item& got = t.items[i];
        const Item& want = expected[i];
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(_wcsicmp(got.windowClass.c_str(), want.windowClass.c_str()), 0) << got.windowClass.c_str();
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

TEST_F(SetupResources, MainPageTemplate) {
    Template t = Parse(Resource(RT_DIALOG, MAKEINTRESOURCEW(102)));
    ExpectPageFrame(t);
    ExpectItems(t, {{0x50020000, 1000, L"Static", 230, 188, 19, 8},
                    {0x50020000, 1001, L"Static", 168, 188, 36, 8},
                    {0x50020000, 1002, L"Static", 145, 83, 104, 73}});
}

TEST_F(SetupResources, LicensePageTemplate) {
    Template t = Parse(Resource(RT_DIALOG, MAKEINTRESOURCEW(103)));
    ExpectPageFrame(t);
    ExpectItems(t, {{0x50020000, 1000, L"Static", 230, 188, 19, 8},
                    {0x50020000, 1003, L"Static", 168, 188, 36, 8},
                    {0x50A11804, 1004, L"Edit", 49, 60, 157, 86},
                    {0x50020000, 1005, L"Static", 24, 27, 115, 8},
                    {0x50020000, 1006, L"Static", 50, 39, 158, 20},
                    {0x50020000, 1007, L"Static", 24, 151, 165, 20},
                    {0x50000003, 1008, L"Button", 24, 175, 137, 8},
                    {0x50000003, 1009, L"Button", 24, 186, 137, 8}});
}

TEST_F(SetupResources, StringTable) {
    struct Row {
        UINT id;
        const wchar_t* text;
    } rows[] = {
        {112, L"There is insufficient space on all available hard drives in this computer.  The installation will exit now."},
        {131, L"Cartoline Product Installer"},
        {132, L"You appear to be an internal Korvel user.\nYou must uninstall Cartoline (Network) before running this setup."},
        {133, L""},
        {134, L"Exit"},
        {135, L"Next"},
        {136, L"Exit this installation program"},
        {137, L"Continue with the installation"},
        {138, L"This is an unsupported OS version.  Windows 2000 or later is required."},
        {139, L"You must be a local administrator to run this application.\n\nPlease contact your system administrator."},
        {140, L"Another installation is already running.  Wait for it to finish and try again."},
        {141, L"If you exit now the installation will not be complete.  Are you sure you want to exit?"},
        {142, L"License Agreements"},
        {143, L"Please read the following license agreements carefully.  Scroll down to see the entire agreements."},
        {144, L"Do you accept all the terms of the preceding license agreements?\nIf so, select both checkboxes.\nIf not, select \"Exit.\""},
        {145, L"I accept the software License Agreement"},
        {146, L"I accept the data License Agreement"},
        {147, L"ENU\\KorvelEULA.txt"},
        {148, L"Setup_ENU.msi"},
        {149, L"ENU"},
        {150, L"EULA.txt"},
        {151, L"ENU\\Bkgnd.bmp"},
        {152, L"%s Setup"},
        {153, L"The following applications should be closed before continuing the installation:"},
        {61858, L"%1 was not found."},
        {61859, L"%1 contains an incorrect path."},
    };
    for (const Row& row : rows) EXPECT_EQ(fw::LoadStringFrom(module_, row.id), row.text) << row.id;
}

TEST_F(SetupResources, IconVersionAndManifest) {
    HRSRC icon = FindResourceW(module_, MAKEINTRESOURCEW(128), RT_GROUP_ICON);
    ASSERT_NE(icon, nullptr);
    std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
    ASSERT_GE(group.size(), 6u);
    EXPECT_GE(group[4] | (group[5] << 8), 2);  // more than one image size

    std::vector<BYTE> version = Resource(RT_VERSION, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(version.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    // One version everywhere: the numbers, the texts and the manifest's assembly identity.
    std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                           std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                           std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                           std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        wchar_t* text = nullptr;
        std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(version.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
        EXPECT_EQ(std::wstring(text), numbers) << name;
    }

    std::vector<BYTE> manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    std::string text(manifest.begin(), manifest.end());
    std::string narrowNumbers(numbers.begin(), numbers.end());
    EXPECT_NE(text.find("<assemblyIdentity version=\"" + narrowNumbers + "\""), std::string::npos) << narrowNumbers;
    EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // Windows 10
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    // Attributes apart, as XML wants them: Windows starts no program whose manifest it cannot read.
    EXPECT_FALSE(std::regex_search(text, std::regex("\"[A-Za-z]+=")));
}

TEST(SetupImage, HardenedThirtyTwoBitGuiProgram) {
    std::string image = kit::ReadBytes(SetupExe());
    ASSERT_GT(image.size(), 0x200u);
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof dos);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    IMAGE_NT_HEADERS32 nt;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_TRUE(nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    // Stripped: no symbol table left.
    EXPECT_EQ(nt.FileHeader.PointerToSymbolTable, 0u);
}

}  // namespace
