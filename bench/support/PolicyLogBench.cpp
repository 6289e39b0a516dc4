// Times the policy log with a message of 4 MiB (2 Mi UTF-16 characters, the
// size of a large policy document logged whole): once with the handler's
// mask off, where the entry must cost next to nothing because it is never
// formatted, and once with the mask on, formatted, buffered and flushed to a
// file. A second size shows that the cost grows linearly.
#include "support/cMvLog.h"
#include "support/cMvLogHandlerFile.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

std::wstring TempFile() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%lsresetra-bench-%lu.log", folder, GetCurrentProcessId());
    return path;
}

void Run(size_t chars, int rounds) {
    const std::wstring message(chars, L'p');
    const std::wstring path = TempFile();
    DeleteFileW(path.c_str());

    cMvLogHandlerFile off(path.c_str(), 0, 0x7FFFFFFF, 0);
    cMvLog quiet;
    quiet.AddHandler(&off);
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < rounds; ++i) {
        quiet.Log(LogLevel::Debug, L"Policy document: %s", message.c_str());
    }
    QueryPerformanceCounter(&end);
    const double offSeconds = Seconds(start, end) / rounds;

    cMvLogHandlerFile on(path.c_str(), 0xFFFFFFFF, 0x7FFFFFFF, 0);
    cMvLog loud;
    loud.AddHandler(&on);
    double logSeconds = 0;
    double flushSeconds = 0;
    for (int i = 0; i < rounds; ++i) {
        QueryPerformanceCounter(&start);
        loud.Log(LogLevel::Debug, L"Policy document: %s", message.c_str());
        QueryPerformanceCounter(&end);
        logSeconds += Seconds(start, end);
        QueryPerformanceCounter(&start);
        loud.Flush();
        QueryPerformanceCounter(&end);
        flushSeconds += Seconds(start, end);
    }
    DeleteFileW(path.c_str());
    std::printf("message %7.2f MiB: mask off %8.3f us/entry | mask on: log %8.3f ms, flush to "
                "file %8.3f ms per entry\n",
                static_cast<double>(chars * sizeof(wchar_t)) / (1024.0 * 1024.0), offSeconds * 1e6,
                logSeconds / rounds * 1000.0, flushSeconds / rounds * 1000.0);
}

} // namespace

int main() {
    Run(512 * 1024, 10);      // 1 MiB
    Run(2 * 1024 * 1024, 10); // 4 MiB
    return 0;
}
