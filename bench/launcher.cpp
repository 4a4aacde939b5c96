// The benchmark's timer, run inside Wine: starts command lines with
// CreateProcessA, waits for each and measures it from the Windows side, so
// that Wine's own start-up (of the `wine` loader and the launcher) is not in
// the figures.
//
//   bench_launcher.exe <job file> <rounds> [memory]
//
// The job file has one "label<TAB>command line" per line. The commands are run
// interleaved, round after round (A B C, then C B A, then A B C ...), so that
// a drift of the machine's load spreads over all of them. One line per run:
//   run label=L round=R ms=T exit=0x%08X
// T is QueryPerformanceCounter time from before CreateProcessA to the end of
// the wait. (Wine 8 gives no CPU times of another process.)
// With "memory" the runs are sampled instead (every 2 ms, GetProcessMemoryInfo
// on the running child, which Wine answers only while it runs) and not timed:
//   mem label=L round=R peak_ws=B peak_pagefile=B samples=N exit=0x%08X
// Wine 8 answers from the Unix process: PeakWorkingSetSize is its peak resident
// size (VmHWM, Wine's own libraries included), PeakPagefileUsage its present
// anonymous memory (RssAnon + VmSwap), so the largest sample is kept.
// Exit code: 0 all commands started, 1 one could not be started, 2 bad arguments.
#include <windows.h>
// windows.h first
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Job {
  std::string label;
  std::string command;
};

std::vector<Job> ReadJobs(const char* path) {
  std::vector<Job> jobs;
  FILE* file = std::fopen(path, "rb");
  if (!file) return jobs;
  char line[4096];
  while (std::fgets(line, sizeof line, file)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t tab = text.find('\t');
    if (tab == std::string::npos) continue;
    jobs.push_back(Job{text.substr(0, tab), text.substr(tab + 1)});
  }
  std::fclose(file);
  return jobs;
}

bool Start(const Job& job, PROCESS_INFORMATION* info) {
  std::string command = job.command;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, info) != FALSE;
}

bool Timed(const Job& job, int round, LARGE_INTEGER frequency) {
  LARGE_INTEGER begin, end;
  PROCESS_INFORMATION info = {};
  ::QueryPerformanceCounter(&begin);
  if (!Start(job, &info)) {
    std::printf("error label=%s start=%lu\n", job.label.c_str(), ::GetLastError());
    return false;
  }
  ::WaitForSingleObject(info.hProcess, INFINITE);
  ::QueryPerformanceCounter(&end);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(info.hProcess, &exitCode);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  const double ms = static_cast<double>(end.QuadPart - begin.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart);
  std::printf("run label=%s round=%d ms=%.3f exit=0x%08lX\n", job.label.c_str(), round, ms,
              exitCode);
  std::fflush(stdout);
  return true;
}

bool Sampled(const Job& job, int round) {
  PROCESS_INFORMATION info = {};
  if (!Start(job, &info)) {
    std::printf("error label=%s start=%lu\n", job.label.c_str(), ::GetLastError());
    return false;
  }
  SIZE_T peakWorkingSet = 0, peakPagefile = 0;
  int samples = 0;
  for (;;) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(info.hProcess, &counters, sizeof counters)) {
      ++samples;
      if (counters.PeakWorkingSetSize > peakWorkingSet)
        peakWorkingSet = counters.PeakWorkingSetSize;
      if (counters.PeakPagefileUsage > peakPagefile) peakPagefile = counters.PeakPagefileUsage;
    }
    if (::WaitForSingleObject(info.hProcess, 2) != WAIT_TIMEOUT) break;
  }
  DWORD exitCode = 0;
  ::GetExitCodeProcess(info.hProcess, &exitCode);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  std::printf("mem label=%s round=%d peak_ws=%lu peak_pagefile=%lu samples=%d exit=0x%08lX\n",
              job.label.c_str(), round, static_cast<unsigned long>(peakWorkingSet),
              static_cast<unsigned long>(peakPagefile), samples, exitCode);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_launcher <job file> <rounds> [memory]\n");
    return 2;
  }
  const std::vector<Job> jobs = ReadJobs(argv[1]);
  const int rounds = std::atoi(argv[2]);
  const bool memory = argc > 3 && std::string(argv[3]) == "memory";
  if (jobs.empty() || rounds < 1) return 2;
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < jobs.size(); ++i) {
      const Job& job = jobs[round % 2 == 0 ? i : jobs.size() - 1 - i];
      if (!(memory ? Sampled(job, round) : Timed(job, round, frequency))) return 1;
    }
  }
  return 0;
}
