// The find job on a generated SOFTWARE hive of about 200,000 keys, served by
// the hive store, against a bare walk of the same hive file with libhivex
// (every key enumerated, every value read), in one run: in this process, and
// `tidemarrow-cli scan` against the walk as programs of their own, run in
// turn; with the time to read the hive and the peak memory.
#include <benchmark/benchmark.h>
#include <hivex.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "bench/image_generator.h"
#include "bench/ratio_reporter.h"
#include "platform/memory/memory_machine.h"
#include "engine/find_registry_problems.h"
#include "engine/install_directory.h"
#include "platform/hive/hive_store.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/memory_services.h"
#include "platform/memory/reg_text.h"
#include "engine/recorded_job_view.h"
#include "scanners/section_table.h"
#include "tests/support/hive_writer.h"

namespace {

namespace fs = std::filesystem;

struct HiveMachine : plat::memory::MemoryMachine {
  std::string root;
  std::string hive;
  int keys = 0;
  double loadSeconds = 0;
  plat::hive::HiveStore store;

  HiveMachine() {
    const char* scale = std::getenv("TIDEMARROW_HIVE_SCALE");
    const double s = scale ? std::atof(scale) : 3.0;
    bench::ImageSize size;
    size.classes = static_cast<int>(size.classes * s);
    size.extensions = static_cast<int>(size.extensions * s);
    size.uninstall = static_cast<int>(size.uninstall * s);
    size.interfaces = static_cast<int>(size.interfaces * s);
    size.typeLibs = static_cast<int>(size.typeLibs * s);
    const char* settings = std::getenv("TIDEMARROW_HIVE_SETTINGS");
    size.settings = settings ? std::atoi(settings) : 0;
    // A Windows partition: the drive's files, and the SOFTWARE hive where
    // Windows keeps it, so that the command-line program can read it as
    // a user's disk.
    root = (fs::temp_directory_path() / "tidemarrow-hive-bench").string();
    fs::remove_all(root);
    fs::create_directories(root + "/c/WINDOWS/system32/config");
    plat::memory::MemoryRegistry source;
    bench::GenerateImage(size, source, root + "/c");
    hive = root + "/c/WINDOWS/system32/config/SOFTWARE";
    std::string error;
    if (!testing_support::WriteHive(source, plat::kLocalMachine, "Software", hive, error)) {
      std::fprintf(stderr, "hive_bench: %s\n", error.c_str());
      std::exit(1);
    }
    // The same registry as a registry text file, as regedit exports it.
    std::string text;
    if (!plat::memory::ExportRegText(source, plat::memory::RegTextEncoding::kUtf16, text, error) ||
        !std::ofstream(root + "/registry.reg", std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()))) {
      std::fprintf(stderr, "hive_bench: registry text: %s\n", error.c_str());
      std::exit(1);
    }
  }
  // The hive read into this process's store, for the in-process find job;
  // a run that measures only the command-line program leaves it unread.
  void LoadStore() {
    if (loadSeconds > 0) return;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> notes;
    std::string error;
    if (!store.Load({{hive, plat::kLocalMachine, "SOFTWARE"}}, registry, notes, error) || !notes.empty()) {
      std::fprintf(stderr, "hive_bench: %s %s\n", error.c_str(), notes.empty() ? "" : notes[0].c_str());
      std::exit(1);
    }
    loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    drive.Map('C', root + "/c");
    SetInstallDirectory("C:\\Program Files\\Tidemarrow\\");
  }
  // TIDEMARROW_BENCH_KEEP=1 keeps the partition, to profile the program on it.
  ~HiveMachine() {
    if (!std::getenv("TIDEMARROW_BENCH_KEEP")) fs::remove_all(root);
  }
};

HiveMachine& TheMachine() {
  static HiveMachine machine;
  return machine;
}

std::uint64_t WalkHive(hive_h* h, hive_node_h node) {
  std::uint64_t keys = 1;
  if (hive_value_h* values = hivex_node_values(h, node)) {
    for (std::size_t i = 0; values[i]; ++i) {
      hive_type t;
      std::size_t len;
      std::free(hivex_value_key(h, values[i]));
      std::free(hivex_value_value(h, values[i], &t, &len));
    }
    std::free(values);
  }
  if (hive_node_h* children = hivex_node_children(h, node)) {
    for (std::size_t i = 0; children[i]; ++i) {
      std::free(hivex_node_name(h, children[i]));
      keys += WalkHive(h, children[i]);
    }
    std::free(children);
  }
  return keys;
}

void BM_HivexWalk(benchmark::State& state) {
  HiveMachine& m = TheMachine();
  for (auto _ : state) {
    hive_h* h = hivex_open(m.hive.c_str(), 0);
    m.keys = static_cast<int>(WalkHive(h, hivex_root(h)));
    hivex_close(h);
  }
  state.counters["keys"] = m.keys;
}

void BM_FindJobOnHive(benchmark::State& state) {
  HiveMachine& m = TheMachine();
  m.LoadStore();
  std::vector<std::string> exclusions;
  std::string found;
  for (auto _ : state) {
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    CFindRegistryProblems job(m.platform, &exclusions, &list, "C:\\Program Files\\Tidemarrow\\Problems.txt",
                              kJobFindProblems, &view);
    job.InitInstance();
    found = std::to_string(view.Found().value_or(0));
  }
  state.SetLabel("problems found: " + found);
}

BENCHMARK(BM_HivexWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindJobOnHive)->Unit(benchmark::kMillisecond)->Iterations(2);

struct ProcessCost {
  double cpuSeconds = 0;
  double peakMiB = 0;
  bool ok = false;
};

// Runs a program with its output discarded and measures it as the kernel
// counts it. A child's peak memory includes what its parent held when it
// forked, so this runs in a small process of its own (see main).
ProcessCost RunMeasured(char** argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv);
    _exit(127);
  }
  ProcessCost cost;
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return cost;
  cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  cost.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  cost.peakMiB = usage.ru_maxrss / 1024.0;
  return cost;
}

constexpr const char* kMeasureFlag = "--measure";

// The bare walk as a program of its own: the scan's CPU time counts a
// process's start, its fresh memory and its reading of the file, so the
// walk it is compared with counts them too.
constexpr const char* kWalkFlag = "--walk";

int WalkOnly(const char* path) {
  hive_h* h = hivex_open(path, 0);
  if (!h) return 1;
  const std::uint64_t keys = WalkHive(h, hivex_root(h));
  hivex_close(h);
  return keys > 0 ? 0 : 1;
}

// A program run under this one started afresh with --measure (which then
// holds little memory itself): its CPU time and peak memory.
ProcessCost Measure(std::vector<std::string> args) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  args.insert(args.begin(), {self.string(), kMeasureFlag});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  ProcessCost cost;
  int ok = 0;
  if (FILE* in = fdopen(fds[0], "r")) {
    if (std::fscanf(in, "%d %lf %lf", &ok, &cost.cpuSeconds, &cost.peakMiB) != 3) ok = 0;
    std::fclose(in);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  cost.ok = ok != 0;
  return cost;
}

// What a user's run costs: `tidemarrow-cli scan` in a process of its own
// (reading the registry, the find job, writing Problems.txt).
ProcessCost Scan(const std::vector<std::string>& options) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  std::vector<std::string> args{(self.parent_path() / "tidemarrow-cli").string(), "scan"};
  args.insert(args.end(), options.begin(), options.end());
  return Measure(args);
}

ProcessCost Walk(const std::string& hive) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  return Measure({self.string(), kWalkFlag, hive});
}

// The median CPU time and the largest peak of several runs. One run of a
// process this short varies by a fifth with what the machine did just
// before (the first touch of memory the system has just taken back costs
// several times a later one).
ProcessCost Median(std::vector<ProcessCost> runs) {
  ProcessCost cost;
  cost.ok = std::all_of(runs.begin(), runs.end(), [](const ProcessCost& c) { return c.ok; });
  std::sort(runs.begin(), runs.end(), [](const ProcessCost& a, const ProcessCost& b) { return a.cpuSeconds < b.cpuSeconds; });
  cost.cpuSeconds = runs[runs.size() / 2].cpuSeconds;
  for (const ProcessCost& c : runs) cost.peakMiB = std::max(cost.peakMiB, c.peakMiB);
  return cost;
}

// The scan and the bare walk, each a process, in turn: this machine's speed
// drifts by a fifth within minutes, and both sides of the ratio then see
// the same spells.
void ScanAndWalkInTurn(const std::vector<std::string>& options, const std::string& hive, ProcessCost& scan,
                       ProcessCost& walk) {
  constexpr int kRuns = 5;
  std::vector<ProcessCost> scans, walks;
  for (int i = 0; i < kRuns; ++i) {
    walks.push_back(Walk(hive));
    scans.push_back(Scan(options));
  }
  scan = Median(scans);
  walk = Median(walks);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == kWalkFlag) return WalkOnly(argv[2]);
  if (argc > 2 && std::string(argv[1]) == kMeasureFlag) {
    const ProcessCost cost = RunMeasured(argv + 2);
    std::printf("%d %.3f %.1f\n", cost.ok ? 1 : 0, cost.cpuSeconds, cost.peakMiB);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("\nhive keys: %d\n", TheMachine().keys);
  if (TheMachine().loadSeconds > 0) std::printf("reading the hive into the store: %.2f s\n", TheMachine().loadSeconds);
  reporter.PrintRatio("find job / bare hivex walk of the same hive", "BM_FindJobOnHive", "BM_HivexWalk");
  const std::string& root = TheMachine().root;
  ProcessCost cli, walkProcess;
  ScanAndWalkInTurn({"--windows", root + "/c"}, TheMachine().hive, cli, walkProcess);
  const std::vector<std::string> textOptions{"--reg", root + "/registry.reg", "--drive", "C:=" + root + "/c"};
  const ProcessCost text = Median({Scan(textOptions), Scan(textOptions), Scan(textOptions)});
  const double walk = reporter.Time("BM_HivexWalk") / 1000.0;
  const double hiveMiB = static_cast<double>(fs::file_size(TheMachine().hive)) / (1024 * 1024);
  const double textMiB = static_cast<double>(fs::file_size(root + "/registry.reg")) / (1024 * 1024);
  if (!cli.ok || !text.ok || !walkProcess.ok || walk <= 0 || walkProcess.cpuSeconds <= 0) {
    std::printf("tidemarrow-cli scan failed\n");
    return 1;
  }
  std::printf("bare libhivex walk as a program of its own: %.3f s of CPU, peak memory %.0f MiB\n",
              walkProcess.cpuSeconds, walkProcess.peakMiB);
  std::printf("tidemarrow-cli scan --windows: %.2f s of CPU, %.1f times the bare walk as a program (the two in "
              "turn, medians of five), %.1f times the walk in this process; peak memory %.0f MiB, "
              "%.1f times the %.0f MiB hive\n",
              cli.cpuSeconds, cli.cpuSeconds / walkProcess.cpuSeconds, cli.cpuSeconds / walk, cli.peakMiB,
              cli.peakMiB / hiveMiB, hiveMiB);
  std::printf("tidemarrow-cli scan --reg (the same registry as UTF-16 registry text): %.2f s of CPU; peak memory "
              "%.0f MiB, %.1f times the %.0f MiB file\n",
              text.cpuSeconds, text.peakMiB, text.peakMiB / textMiB, textMiB);
  // For bench/run, which compares machines of different sizes.
  std::printf("scan-cpu-seconds %.3f\n", cli.cpuSeconds);
  std::printf("peak memory of this benchmark process (the generator and its source registry included): %.0f MiB\n",
              usage.ru_maxrss / 1024.0);
  benchmark::Shutdown();
  return 0;
}
