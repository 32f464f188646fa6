// The medium's read-through: its speed beside a plain sequential ReadFile of the same cabinets
// in the same run, and what it adds to an unattended installation from that medium.
//   medium_bench.exe <medium folder> <earlier build package> <rounds> [installations]
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/bench_common.h"
#include "framework/file.h"
#include "install/package_check.h"
#include "tests/kit/kit.h"

namespace {

bool Run(const std::wstring& commandLine, DWORD* exitCode = nullptr) {
    kit::Process process(commandLine);
    if (!process.started()) return false;
    const DWORD code = process.Wait(600000);
    if (exitCode) *exitCode = code;
    return code != STILL_ACTIVE;
}

// The state before each installation: the earlier build installed, no drivers, no registrations.
void Reset(const std::wstring& earlier) {
    Run(L"msiexec /x {8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4} /qn");
    Run(L"msiexec /x {3C5E7A91-2B4D-4F6E-8A0C-1D3F5B7E9A24} /qn");
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Korvel");
    kit::RemoveTree(L"C:\\Korvel");
    Run(L"msiexec /i \"" + earlier + L"\" /qn TARGETDIR=C:\\");
}

// Bytes read from each file in turn with ReadFile, 128 KB at a time as the read-through's
// window asks (the request's size decides the speed from the disk more than anything else).
uint64_t PlainRead(const std::vector<MediumCabinet>& cabinets) {
    static char buffer[128 * 1024];
    uint64_t total = 0;
    for (const MediumCabinet& cabinet : cabinets) {
        HANDLE file = CreateFileW(cabinet.name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) total += got;
        CloseHandle(file);
    }
    return total;
}

// Asks the benchmark's script to drop the medium's cabinets from the page cache (a file it
// watches for, deleted when done), so the next reading comes from the disk as from a medium.
bool ColdCache() {
    const wchar_t* request = L"C:\\bench\\drop.request";
    CloseHandle(CreateFileW(request, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 3000; ++i, Sleep(10))
        if (GetFileAttributesW(request) == INVALID_FILE_ATTRIBUTES) return true;
    return false;
}

// The read-through's own milliseconds, from the setup log's line.
double ReadThroughMs(const std::wstring& log) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    fw::ReadFileHead(log, 1 << 20, &bytes, &size);
    const std::string text(bytes.begin(), bytes.end());
    const size_t at = text.find("read through in ");
    return at == std::string::npos ? -1 : atof(text.c_str() + at + 16);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const std::wstring medium = argv[1];
    const std::wstring earlier = argv[2];
    const int rounds = _wtoi(argv[3]);
    const int installations = argc > 4 ? _wtoi(argv[4]) : rounds;
    InstallerPackageReader reader;
    const PackageCheck check = CheckPackage(medium + L"Setup_ENU.msi", reader);
    uint64_t total = 0;
    for (const MediumCabinet& cabinet : check.cabinets) total += cabinet.embedded ? 0 : cabinet.size;
    if (check.problem != PackageProblem::None || total == 0) {
        wprintf(L"the medium's product package has no cabinet beside it\n");
        return 1;
    }
    // In turns, so both see the same load: from the page cache (the processor's share), then
    // each from the disk (the medium's).
    const double megabytes = static_cast<double>(total) / 1e6;
    wprintf(L"cabinets beside the package: %.1f MB\n", megabytes);
    for (const bool cold : {false, true}) {
        std::vector<double> plain, through;
        for (int i = 0; i < rounds; ++i) {
            // Each first in every other round: neither gains from what the other left behind.
            for (int turn = 0; turn < 2; ++turn) {
                if (cold && !ColdCache()) return 1;
                const double start = NowMs();
                if ((turn + i) % 2 == 0) {
                    if (PlainRead(check.cabinets) != total) return 1;
                    plain.push_back(NowMs() - start);
                } else {
                    if (ReadThroughCabinets(check.cabinets, reader, nullptr).state != MediumState::Whole) return 1;
                    through.push_back(NowMs() - start);
                }
            }
        }
        const double plainSpeed = megabytes / Median(plain) * 1000, throughSpeed = megabytes / Median(through) * 1000;
        const wchar_t* from = cold ? L"from the disk" : L"from the page cache";
        wprintf(L"plain sequential ReadFile %ls, median of %d: %.0f MB/s\n", from, rounds, plainSpeed);
        wprintf(L"read-through %ls, median of %d: %.0f MB/s\n", from, rounds, throughSpeed);
        wprintf(L"read-through / plain ReadFile %ls: %.2f (goal at least 0.90)\n", from, throughSpeed / plainSpeed);
    }

    // setup.exe /quiet from the same medium; without the read-through is the same run less the
    // read-through's own time in its log.
    std::vector<double> with, without;
    const std::wstring log = L"C:\\bench\\medium.log";
    if (installations == 0) return 0;
    for (int i = 0; i < installations; ++i) {
        Reset(earlier);
        DeleteFileW(log.c_str());
        DWORD code = 0;
        const double start = NowMs();
        if (!Run(L"\"" + medium + L"setup.exe\" /quiet /norestart /log " + log, &code) || (code != 0 && code != 3010)) {
            wprintf(L"installation %d failed: %lu\n", i, code);
            return 1;
        }
        const double elapsed = NowMs() - start, reading = ReadThroughMs(log);
        if (reading < 0) return 1;
        with.push_back(elapsed);
        without.push_back(elapsed - reading);
    }
    wprintf(L"installation from the medium with the read-through, median of %d: %.0f ms\n", installations, Median(with));
    wprintf(L"the same without the read-through's own time: %.0f ms\n", Median(without));
    wprintf(L"with / without: %.2f (goal at most 1.10)\n", Median(with) / Median(without));
    return 0;
}
