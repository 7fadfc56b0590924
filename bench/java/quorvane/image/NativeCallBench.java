package quorvane.image;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Arrays;

/**
 * The time of one call of ImageCapture's getBrightness, setContrast and getCaptureProperties and
 * of Camera's get and set through the JVM, each beside the bare JNI method of {@link
 * BaselineCapture} or {@link BaselineCamera}, and what a million calls of each leave behind. Argument: the platform under the library, "simulated" or "v4l2" (the emulated kernel,
 * preloaded). Exits 1 when the library costs more than 1.2 times its baseline, leaves anything
 * alive, or grows the resident memory by 1 MiB or more.
 */
final class NativeCallBench {
  private static final double MAXIMUM_RATIO = 1.2;
  private static final int CALLS = 1_000_000;
  private static final int WARM_UP_CALLS = 100_000;
  private static final int WARM_UP_ROUNDS = 5;
  private static final int ROUNDS = 25;
  private static final int CALLS_PER_BATCH = 20_000;
  private static final long MAXIMUM_GROWTH_BYTES = 1024 * 1024;

  private NativeCallBench() {}

  /** The platform beneath the library, as far as the benchmark needs to see it. */
  private interface Platform {
    String name();

    /** One webcam, the only device. */
    void install();

    /** Platform calls are traced only while tracing is on. */
    void setTracing(boolean on);

    /** The platform calls traced since the last take, and a fresh start. */
    String takeTrace();

    /** COM objects or descriptors that the calls left held. */
    long leftAlive();
  }

  private static final class Simulated implements Platform {
    @Override
    public String name() {
      return "simulated";
    }

    @Override
    public void install() {
      SimulatedSystem.reset();
    }

    @Override
    public void setTracing(boolean on) {
      SimulatedSystem.setRecording(on);
      SimulatedSystem.clearCalls();
    }

    @Override
    public String takeTrace() {
      String trace = String.join("\n", SimulatedSystem.calls());
      SimulatedSystem.clearCalls();
      return trace;
    }

    @Override
    public long leftAlive() {
      return SimulatedSystem.liveObjects();
    }
  }

  private static final class V4l2 implements Platform {
    @Override
    public String name() {
      return "v4l2 (emulated kernel)";
    }

    @Override
    public void install() {
      EmulatedKernel.reset();
      EmulatedKernel.addUvcCamera(0, new int[] {0, -64, 64, 1, 0}, new int[] {32, 0, 95, 1, 32}, 0);
    }

    @Override
    public void setTracing(boolean on) {
      EmulatedKernel.resetSystemCalls();
    }

    @Override
    public String takeTrace() {
      String trace = EmulatedKernel.systemCalls() + " system calls";
      EmulatedKernel.resetSystemCalls();
      return trace;
    }

    @Override
    public long leftAlive() {
      return EmulatedKernel.openDescriptors();
    }
  }

  private interface Call {
    int run();
  }

  private static final class Method {
    final String name;
    final Call library;
    final Call baseline;

    Method(String name, Call library, Call baseline) {
      this.name = name;
      this.library = library;
      this.baseline = baseline;
    }
  }

  public static void main(String[] args) throws IOException {
    Platform platform = args.length == 1 && args[0].equals("v4l2") ? new V4l2() : new Simulated();
    ImageCapture capture = new ImageCapture();
    BaselineCapture baseline = new BaselineCapture();
    // The webcam, once installed.
    Camera[] camera = new Camera[1];
    Method[] methods = {
      new Method("getBrightness", capture::getBrightness, baseline::getBrightness),
      new Method("setContrast", () -> {
        capture.setContrast(40);
        return 0;
      }, () -> {
        baseline.setContrast(40);
        return 0;
      }),
      new Method("getCaptureProperties", () -> capture.getCaptureProperties().maxContrast,
          () -> baseline.getCaptureProperties().maxContrast),
      new Method("Camera.get", () -> camera[0].get(VideoControl.BRIGHTNESS), () -> {
        int[] value = new int[1];
        BaselineCamera.getValue(camera[0].id(), VideoControl.BRIGHTNESS.ordinal(), value);
        return value[0];
      }),
      new Method("Camera.set", () -> {
        camera[0].set(VideoControl.CONTRAST, 40);
        return 0;
      }, () -> BaselineCamera.setValue(camera[0].id(), VideoControl.CONTRAST.ordinal(), 40)),
    };

    platform.install();
    camera[0] = Camera.list().get(0);
    System.out.println("Platform: " + platform.name() + ", " + System.getProperty("java.vm.name")
        + " " + System.getProperty("java.version"));
    if (!baselinesMatchTheLibrary(platform, methods)) System.exit(2);
    platform.setTracing(false);

    boolean withinLimits = true;
    double[][] library = new double[methods.length][ROUNDS];
    double[][] bare = new double[methods.length][ROUNDS];
    for (int round = -WARM_UP_ROUNDS; round < ROUNDS; ++round) {
      for (int m = 0; m < methods.length; ++m) {
        // Alternating which goes first spreads a slow spell of the machine over both.
        boolean libraryFirst = (round & 1) == 0;
        double first = nanosPerCall(libraryFirst ? methods[m].library : methods[m].baseline);
        double second = nanosPerCall(libraryFirst ? methods[m].baseline : methods[m].library);
        if (round < 0) continue;
        library[m][round] = libraryFirst ? first : second;
        bare[m][round] = libraryFirst ? second : first;
      }
    }
    System.out.printf("%n%-22s %12s %12s %8s%n", "per call", "library ns", "baseline ns", "ratio");
    for (int m = 0; m < methods.length; ++m) {
      double libraryNanos = median(library[m]);
      double baselineNanos = median(bare[m]);
      double ratio = libraryNanos / baselineNanos;
      withinLimits &= ratio <= MAXIMUM_RATIO;
      System.out.printf("%-22s %12.0f %12.0f %8.3f%s%n", methods[m].name, libraryNanos,
          baselineNanos, ratio, ratio <= MAXIMUM_RATIO ? "" : "  over 1.2");
    }

    // The same loop first runs as a warm-up, so that its compilation is not counted as growth.
    callEachMethod(methods, WARM_UP_CALLS);
    long residentBefore = residentBytes();
    callEachMethod(methods, CALLS);
    long growth = residentBytes() - residentBefore;
    long alive = platform.leftAlive();
    withinLimits &= alive == 0 && growth < MAXIMUM_GROWTH_BYTES;
    System.out.printf(
        "%nAfter %d calls of each method (%d in all), measured from after %d of each:%n", CALLS,
        (long) methods.length * CALLS, WARM_UP_CALLS);
    System.out.printf("  left alive on the platform: %d%n", alive);
    System.out.printf("  resident memory growth:     %d KiB%s%n", growth / 1024,
        growth < MAXIMUM_GROWTH_BYTES ? "" : "  (1 MiB or more)");
    System.out.println(withinLimits ? "within limits" : "NOT within limits");
    System.exit(withinLimits ? 0 : 1);
  }

  // Keeps the results in use.
  private static long sink;

  private static void callEachMethod(Method[] methods, int times) {
    for (int i = 0; i < times; ++i) {
      for (Method method : methods) sink += method.library.run();
    }
  }

  private static double nanosPerCall(Call call) {
    long start = System.nanoTime();
    for (int i = 0; i < CALLS_PER_BATCH; ++i) sink += call.run();
    return (double) (System.nanoTime() - start) / CALLS_PER_BATCH;
  }

  private static double median(double[] values) {
    double[] sorted = values.clone();
    Arrays.sort(sorted);
    int middle = sorted.length / 2;
    return sorted.length % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  }

  // A baseline that made other calls than the library would make the ratio meaningless.
  private static boolean baselinesMatchTheLibrary(Platform platform, Method[] methods) {
    boolean match = true;
    for (Method method : methods) {
      platform.setTracing(true);
      method.library.run();
      String library = platform.takeTrace();
      method.baseline.run();
      String bare = platform.takeTrace();
      if (library.equals(bare)) continue;
      match = false;
      System.out.printf("The baseline of %s makes other calls than the library:%n"
          + "library:%n%s%nbaseline:%n%s%n", method.name, library, bare);
    }
    return match;
  }

  private static long residentBytes() throws IOException {
    for (String line : Files.readAllLines(Paths.get("/proc/self/status"), StandardCharsets.UTF_8)) {
      if (line.startsWith("VmRSS:")) {
        return Long.parseLong(line.replaceAll("[^0-9]", "")) * 1024;
      }
    }
    throw new IOException("no VmRSS in /proc/self/status");
  }
}
