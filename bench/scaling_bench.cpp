// How each step's cost grows with one dimension of its input, the others
// held: every benchmark runs at n and at 4n, and the run ends with the ratio
// of the two times (4 is linear; 16 would be quadratic).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/ratio_reporter.h"
#include "engine/fix_selected_problems.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "engine/recorded_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/memory_machine.h"
#include "platform/memory/reg_text.h"
#include "records/problem_files.h"

namespace {

constexpr const char* kDir = "C:\\Tidemarrow\\";

// A machine whose C: drive is a scratch directory (in memory where it can
// be, so the backups' flushes cost little).
struct ScratchMachine : plat::memory::MemoryMachine {
  std::filesystem::path root;
  ScratchMachine() {
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    root = base / ("tidemarrow-scaling-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "Tidemarrow");
    drive.Map('C', root.string());
    SetInstallDirectory(kDir);
  }
  ~ScratchMachine() { std::filesystem::remove_all(root); }
};

std::string Row(int i, const char* marker) {
  const std::string n = std::to_string(i);
  return std::string(marker) + "\r\nMajor Keys\r\nSoftware\\Row" + n + "\r\nRow" + n +
         "\r\ndefault\r\nnull\r\nNo values or subkeys for this key.\r\n\r\n";
}

// Values of one key: set one by one.
void BM_ValuesInOneKey(benchmark::State& state) {
  for (auto _ : state) {
    plat::memory::MemoryRegistry registry;
    plat::HKey key = 0;
    registry.CreateKeyEx(plat::kLocalMachine, "Software\\Many", &key);
    for (int i = 0; i < state.range(0); ++i) {
      const std::string name = "Value" + std::to_string(i);
      registry.SetValueEx(key, name.c_str(), 1, reinterpret_cast<const std::uint8_t*>("x"), 2);
    }
    registry.CloseKey(key);
  }
}

// Keys: a registry text of n keys with two values each, loaded.
void BM_KeysFromRegistryText(benchmark::State& state) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int i = 0; i < state.range(0); ++i)
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor" + std::to_string(i % 97) + "\\Product" + std::to_string(i) +
            "]\r\n\"Path\"=\"C:\\\\Program Files\\\\Product" + std::to_string(i) + "\"\r\n\"Count\"=dword:0000002a\r\n\r\n";
  for (auto _ : state) {
    // As an image loads its file: applied as it is read.
    state.PauseTiming();
    std::string bytes = text;
    plat::memory::RegTextEncoding encoding;
    state.ResumeTiming();
    plat::memory::MemoryRegistry registry;
    benchmark::DoNotOptimize(plat::memory::LoadRegText(std::move(bytes), registry, encoding).ok);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Rows: the ProblemsFile shown in the list.
void BM_RowsShown(benchmark::State& state) {
  ScratchMachine m;
  std::string file;
  for (int i = 0; i < state.range(0); ++i) file += Row(i, "L (K)");
  m.drive.ReplaceFileContents("C:\\Tidemarrow\\Problems.txt", file);
  auto show = [&] {
    plat::memory::HeadlessListView list;
    ShowProblemList(m.platform, list, "C:\\Tidemarrow\\Problems.txt");
    benchmark::DoNotOptimize(list.GetItemCount());
  };
  // Once untimed first: the heap grows to what the rows need, so that the
  // timing is of the rows, not of this machine's first touch of new memory
  // (20,000 rows took 8 to 62 ms by that alone).
  show();
  for (auto _ : state) show();
}

// Fixing n ticked rows. With keys that exist, each is backed up, flushed and
// deleted; without, each is refused (its key is gone) with its message.
void FixTickedRows(benchmark::State& state, bool keysExist) {
  // Once untimed first, as for the rows shown: the first run of 80,000
  // rows that stay took 58 ms, the next ones 19-32.
  bool warm = false;
  auto fix = [&] {
    ScratchMachine m;
    plat::memory::HeadlessListView list;
    for (int i = 0; i < state.range(0); ++i) {
      const std::string path = "Software\\Row" + std::to_string(i);
      if (keysExist) {
        plat::HKey key = 0;
        m.registry.CreateKeyEx(plat::kLocalMachine, path.c_str(), &key);
        m.registry.CloseKey(key);
        AddListRow(list, {"L (K)", "Major Keys", path, "Row", "default", "null", "", ""});
      } else {
        AddListRow(list, {"L (V)", "Run", path, "Row", "v", "x", "", ""});
      }
      list.SetChecked(i, true);
    }
    CRecordedJobView view;
    if (warm) state.ResumeTiming();
    FixSelectedProblems(m.platform, list, view, kDir);
    benchmark::DoNotOptimize(list.GetItemCount());
    if (warm) state.PauseTiming();
  };
  fix();
  warm = true;
  for (auto _ : state) {
    state.PauseTiming();
    fix();
    state.ResumeTiming();
  }
}

void BM_RowsFixed(benchmark::State& state) { FixTickedRows(state, true); }
void BM_RowsNotFixed(benchmark::State& state) { FixTickedRows(state, false); }

// Exclusions: 1,000 problems looked up among n exclusions, the index built
// as a scanner builds it.
void BM_ProblemsAgainstExclusions(benchmark::State& state) {
  std::vector<std::string> exclusions;
  for (int i = 0; i < state.range(0); ++i) {
    ProblemEntry e;
    e.marker = "L (K)";
    e.section = "Major Keys";
    e.fullKey = "Software\\Excluded" + std::to_string(i);
    const ProblemRecord r = RecordOf(e);
    exclusions.insert(exclusions.end(), r.begin(), r.end());
  }
  for (auto _ : state) {
    const ExclusionIndex index(exclusions);
    int excluded = 0;
    for (int i = 0; i < 1000; ++i) {
      ProblemEntry e;
      e.marker = "L (K)";
      e.section = "Major Keys";
      e.fullKey = "Software\\Found" + std::to_string(i);
      excluded += index.Holds(e);
    }
    benchmark::DoNotOptimize(excluded);
  }
}

BENCHMARK(BM_ValuesInOneKey)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_KeysFromRegistryText)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RowsShown)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RowsFixed)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RowsNotFixed)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ProblemsAgainstExclusions)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nGrowth at four times the input (4 is linear):\n");
  for (const char* name : {"BM_ValuesInOneKey/", "BM_KeysFromRegistryText/", "BM_RowsShown/", "BM_RowsFixed/",
                           "BM_RowsNotFixed/", "BM_ProblemsAgainstExclusions/"})
    reporter.PrintGrowth(name);
  benchmark::Shutdown();
  return 0;
}
