// The benchmark's probe, run under Wine by bench/run-benchmark.sh:
//
//   process_probe run <command line>   starts the command line (as CreateProcess takes it,
//                                      searched like a command typed at a prompt), waits
//                                      for it and prints one line
//                                      "elapsed_ms=<ms> peak_working_set_kb=<kB> exit_code=<n>"
//   process_probe sleep <ms>           waits that long and ends (a child for a shell
//                                      that only waits)
//
// The time is taken inside Windows with the performance counter, from just before the
// process is created to the moment its end is seen, so that neither the start of Wine
// itself nor that of this probe is counted. The peak working set is the process's own
// (its children are not included): it is sampled while the process runs, because the
// system no longer answers for a process that has ended, and the last sample before the
// end is the largest, as the peak only grows.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const DWORD kSampleMs = 10;

struct Measurement {
    double elapsedMs = 0;
    SIZE_T peakWorkingSet = 0;
    DWORD exitCode = 0;
};

const wchar_t* SkipBlanks(const wchar_t* text) {
    while (*text == L' ' || *text == L'\t') ++text;
    return text;
}

// Takes the first token of a command line (quotes protect blanks and are kept) into token
// and returns the rest, untouched but for the blanks before it.
const wchar_t* SplitToken(const wchar_t* text, std::wstring* token) {
    text = SkipBlanks(text);
    const wchar_t* start = text;
    bool quoted = false;
    for (; *text; ++text) {
        if (*text == L'"')
            quoted = !quoted;
        else if (!quoted && (*text == L' ' || *text == L'\t'))
            break;
    }
    token->assign(start, text);
    return SkipBlanks(text);
}

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void SamplePeak(HANDLE process, Measurement* result) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters)) &&
        counters.PeakWorkingSetSize > result->peakWorkingSet)
        result->peakWorkingSet = counters.PeakWorkingSetSize;
}

bool Measure(const wchar_t* commandLine, Measurement* result) {
    std::wstring command(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const double start = NowMs();
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "process_probe: cannot start '%ls' (error %lu)\n", commandLine,
                     GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    SamplePeak(process.hProcess, result);
    while (WaitForSingleObject(process.hProcess, kSampleMs) == WAIT_TIMEOUT)
        SamplePeak(process.hProcess, result);
    result->elapsedMs = NowMs() - start;
    GetExitCodeProcess(process.hProcess, &result->exitCode);
    CloseHandle(process.hProcess);
    return true;
}

int Run(const wchar_t* commandLine) {
    if (!*commandLine) {
        std::fprintf(stderr, "process_probe: no command line to run\n");
        return 2;
    }
    Measurement result;
    if (!Measure(commandLine, &result))
        return 1;
    std::printf("elapsed_ms=%.1f peak_working_set_kb=%llu exit_code=%lu\n", result.elapsedMs,
                static_cast<unsigned long long>(result.peakWorkingSet / 1024), result.exitCode);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: process_probe run <command line> | process_probe sleep <ms>\n");
    return 2;
}

}  // namespace

// The command line is read whole, so that the one to run reaches CreateProcess exactly
// as written, quotes included.
int main() {
    std::wstring program, verb;
    const wchar_t* rest = SplitToken(SplitToken(GetCommandLineW(), &program), &verb);
    if (verb == L"run")
        return Run(rest);
    if (verb == L"sleep") {
        Sleep(static_cast<DWORD>(std::wcstoul(rest, nullptr, 10)));
        return 0;
    }
    return Usage();
}
