// The time of one call of ImageCapture's getBrightness, setContrast and getCaptureProperties and
// of Camera's get and set by id, each beside the bare JNI method that makes the same platform and
// JNI calls with none of the library's code, and what a million calls leave behind. Exits 1 when
// the library costs more than 1.2 times its baseline, leaves anything alive, or grows the resident
// memory by 1 MiB or more.
#include <jni.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bare_jni.h"
#include "bench_camera.h"
#include "camera_exports.h"
#include "image_capture_exports.h"

extern "C" {
jint Java_quorvane_image_BaselineCapture_getBrightness(JNIEnv*, jobject);
void Java_quorvane_image_BaselineCapture_setContrast(JNIEnv*, jobject, jint);
jobject Java_quorvane_image_BaselineCapture_getCaptureProperties(JNIEnv*, jobject);
jint Java_quorvane_image_BaselineCamera_getValue(JNIEnv*, jclass, jstring, jint, jintArray);
jint Java_quorvane_image_BaselineCamera_setValue(JNIEnv*, jclass, jstring, jint, jint);
}

namespace {

constexpr double kMaximumRatio = 1.2;
constexpr long kCalls = 1000000;
constexpr long kWarmUpCalls = 10000;
constexpr long kMaximumGrowthBytes = 1024 * 1024;

using Call = void (*)(BareJni&);

struct Method {
  const char* name;
  Call library;
  Call baseline;
};

constexpr jint kBrightness = 0;  // of quorvane.image.VideoControl
constexpr jint kContrast = 1;

const Method kMethods[] = {
    {"getBrightness",
     [](BareJni& jni) {
       benchmark::DoNotOptimize(Java_quorvane_image_ImageCapture_getBrightness(jni.env(), nullptr));
     },
     [](BareJni& jni) {
       benchmark::DoNotOptimize(
           Java_quorvane_image_BaselineCapture_getBrightness(jni.env(), nullptr));
     }},
    {"setContrast",
     [](BareJni& jni) { Java_quorvane_image_ImageCapture_setContrast(jni.env(), nullptr, 40); },
     [](BareJni& jni) { Java_quorvane_image_BaselineCapture_setContrast(jni.env(), nullptr, 40); }},
    {"getCaptureProperties",
     [](BareJni& jni) {
       benchmark::DoNotOptimize(
           Java_quorvane_image_ImageCapture_getCaptureProperties(jni.env(), nullptr));
     },
     [](BareJni& jni) {
       benchmark::DoNotOptimize(
           Java_quorvane_image_BaselineCapture_getCaptureProperties(jni.env(), nullptr));
     }},
    {"Camera.get",
     [](BareJni& jni) {
       benchmark::DoNotOptimize(Java_quorvane_image_Camera_getValue(
           jni.env(), nullptr, jni.string(), kBrightness, jni.ints()));
     },
     [](BareJni& jni) {
       benchmark::DoNotOptimize(Java_quorvane_image_BaselineCamera_getValue(
           jni.env(), nullptr, jni.string(), kBrightness, jni.ints()));
     }},
    {"Camera.set",
     [](BareJni& jni) {
       benchmark::DoNotOptimize(
           Java_quorvane_image_Camera_setValue(jni.env(), nullptr, jni.string(), kContrast, 40));
     },
     [](BareJni& jni) {
       benchmark::DoNotOptimize(Java_quorvane_image_BaselineCamera_setValue(
           jni.env(), nullptr, jni.string(), kContrast, 40));
     }},
};
constexpr long kMethodCount = sizeof kMethods / sizeof kMethods[0];

std::vector<std::string> traceOf(Call call, BareJni& jni) {
  bench_camera::setTracing(true);
  jni.resetCounts();
  call(jni);
  std::vector<std::string> trace = bench_camera::takeTrace();
  trace.push_back("JNI: " + jni.counts());
  bench_camera::setTracing(false);
  return trace;
}

// A baseline that made other calls than the library would make the ratio meaningless.
bool baselinesMatchTheLibrary(BareJni& jni) {
  bool match = true;
  for (const Method& method : kMethods) {
    const std::vector<std::string> library = traceOf(method.library, jni);
    const std::vector<std::string> baseline = traceOf(method.baseline, jni);
    if (library == baseline) continue;
    match = false;
    std::printf("The baseline of %s makes other calls than the library:\n", method.name);
    for (const std::string& call : library) std::printf("  library:  %s\n", call.c_str());
    for (const std::string& call : baseline) std::printf("  baseline: %s\n", call.c_str());
  }
  return match;
}

// The console report, and each benchmark's median real time in nanoseconds.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> medians;
};

long residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long sizePages = 0;
  long residentPages = 0;
  statm >> sizePages >> residentPages;
  return residentPages * sysconf(_SC_PAGESIZE);
}

void callEachMethod(long times, BareJni& jni) {
  for (long i = 0; i < times; ++i) {
    for (const Method& method : kMethods) method.library(jni);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Library and baseline alternate in random order, so that a slow spell of the machine falls on
  // both alike; the medians of the repetitions are compared.
  std::vector<char*> arguments(argv, argv + argc);
  std::string interleaving = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleaving.data());
  int argumentCount = static_cast<int>(arguments.size());
  benchmark::Initialize(&argumentCount, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(argumentCount, arguments.data())) return 2;

  bench_camera::install();
  BareJni jni;
  jni.setString(bench_camera::cameraId());
  if (!baselinesMatchTheLibrary(jni)) return 2;
  for (const Method& method : kMethods) {
    if (std::string(method.name) != "Camera.get") continue;
    std::printf("Platform calls of one Camera.get by id:\n");
    for (const std::string& call : traceOf(method.library, jni))
      std::printf("  %s\n", call.c_str());
  }

  for (const Method& method : kMethods) {
    for (const auto& [variant, call] :
         {std::pair{"library", method.library}, std::pair{"baseline", method.baseline}}) {
      benchmark::RegisterBenchmark((std::string(variant) + "/" + method.name).c_str(),
                                   [call = call, &jni](benchmark::State& state) {
                                     for (auto _ : state) call(jni);
                                   })
          ->Repetitions(12)
          ->ReportAggregatesOnly(true)
          ->MinTime(0.1);
    }
  }
  std::printf("Platform: %s\n", bench_camera::platformName());
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  bool withinLimits = true;
  std::printf("\n%-22s %12s %12s %8s\n", "per call", "library ns", "baseline ns", "ratio");
  for (const Method& method : kMethods) {
    const double library = reporter.medians[std::string("library/") + method.name];
    const double baseline = reporter.medians[std::string("baseline/") + method.name];
    const double ratio = library / baseline;
    withinLimits = withinLimits && ratio <= kMaximumRatio;
    std::printf("%-22s %12.0f %12.0f %8.3f%s\n", method.name, library, baseline, ratio,
                ratio <= kMaximumRatio ? "" : "  over 1.2");
  }

  callEachMethod(kWarmUpCalls, jni);
  const long residentBefore = residentBytes();
  callEachMethod(kCalls, jni);
  const long growth = residentBytes() - residentBefore;
  const long alive = bench_camera::leftAlive();
  withinLimits = withinLimits && alive == 0 && growth < kMaximumGrowthBytes;
  std::printf("\nAfter %ld calls of each method (%ld in all), measured from after %ld of each:\n",
              kCalls, kMethodCount * kCalls, kWarmUpCalls);
  std::printf("  left alive on the platform: %ld\n", alive);
  std::printf("  resident memory growth:     %ld KiB%s\n", growth / 1024,
              growth < kMaximumGrowthBytes ? "" : "  (1 MiB or more)");
  std::printf("%s\n", withinLimits ? "within limits" : "NOT within limits");
  return withinLimits ? 0 : 1;
}
