// Times the whole find job on a generated machine against a bare walk that
// only enumerates every key and reads every value through the same backend,
// and reports the job's registry operations per second and the ratio of the
// two times measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "bench/image_generator.h"
#include "bench/ratio_reporter.h"
#include "platform/memory/memory_machine.h"
#include "engine/find_registry_problems.h"
#include "engine/install_directory.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/memory_services.h"
#include "engine/recorded_job_view.h"
#include "scanners/section_table.h"

namespace {

struct Machine : plat::memory::MemoryMachine {
  std::string root;

  Machine() {
    const char* scale = std::getenv("TIDEMARROW_BENCH_SCALE");
    const double s = scale ? std::atof(scale) : 1.0;
    bench::ImageSize size;
    size.classes = static_cast<int>(size.classes * s);
    size.extensions = static_cast<int>(size.extensions * s);
    size.uninstall = static_cast<int>(size.uninstall * s);
    size.interfaces = static_cast<int>(size.interfaces * s);
    size.typeLibs = static_cast<int>(size.typeLibs * s);
    root = (std::filesystem::temp_directory_path() / "tidemarrow-bench").string();
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root + "/c");
    bench::GenerateImage(size, registry, root + "/c");
    drive.Map('C', root + "/c");
    SetInstallDirectory("C:\\Program Files\\Tidemarrow\\");
  }
  ~Machine() { std::filesystem::remove_all(root); }
};

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

std::uint64_t BareWalk(plat::IRegistry& reg, plat::HKey hive, const std::string& path) {
  std::uint64_t ops = 1;
  plat::HKey key = 0;
  if (reg.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyAllAccess, &key) != 0) return ops;
  char name[4096];
  std::uint8_t data[4096];
  for (std::uint32_t i = 0;; ++i, ++ops) {
    std::uint32_t length = sizeof name, size = sizeof data, type = 0;
    if (reg.EnumValue(key, i, name, &length, &type, data, &size) != 0) break;
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i, ++ops) {
    std::uint32_t length = sizeof name;
    if (reg.EnumKeyEx(key, i, name, &length) != 0) break;
    children.emplace_back(name, length);
  }
  reg.CloseKey(key);
  for (const auto& c : children) ops += BareWalk(reg, hive, path.empty() ? c : path + "\\" + c);
  return ops;
}

void BM_BareWalk(benchmark::State& state) {
  Machine& m = TheMachine();
  std::uint64_t ops = 0;
  for (auto _ : state) {
    ops = BareWalk(m.registry, plat::kLocalMachine, "") + BareWalk(m.registry, plat::kCurrentUser, "");
    benchmark::DoNotOptimize(ops);
  }
  state.counters["registry ops/s"] = benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FindJob(benchmark::State& state) {
  Machine& m = TheMachine();
  std::vector<std::string> exclusions;
  std::uint64_t calls = 0;
  std::string found;
  for (auto _ : state) {
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    const std::uint64_t before = m.registry.CallCount();
    CFindRegistryProblems job(m.platform, &exclusions, &list, "C:\\Program Files\\Tidemarrow\\Problems.txt",
                              kJobFindProblems, &view);
    job.InitInstance();
    calls = m.registry.CallCount() - before;
    found = std::to_string(view.Found().value_or(0));
  }
  state.counters["registry ops/s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel("problems found: " + found);
}

BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FindJob)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("find job / bare walk of the same image", "BM_FindJob", "BM_BareWalk");
  benchmark::Shutdown();
  return 0;
}
