package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Random;
import java.util.Set;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.Timeout;

/**
 * Eight threads make mixed calls while another thread keeps swapping the cameras under them.
 * Brightness and contrast live in disjoint value ranges, and every camera has ranges of its own,
 * so a value read from the wrong property, the wrong camera or a torn object shows.
 */
class StressTest {
  private static final int THREADS = 8;
  private static final int CALLS_PER_THREAD = 10_000;

  /** {brightness, contrast} as {value, min, max, step, default}, one row per camera. */
  private static final int[][][] CAMERAS = {
    {{-11, -64, 64, 1, 0}, {71, 0, 95, 1, 32}},
    {{-12, -100, 100, 2, -2}, {72, 0, 255, 5, 128}},
    {{-13, -10, 10, 1, 1}, {73, 16, 64, 4, 48}},
  };
  /** The camera lists that the swapper installs in turn, by index into CAMERAS. */
  private static final int[][] LINEUPS = {{0}, {1, 0}, {2, 1}, {}, {2}};

  /** What the threads set: brightness -29..-20, contrast 80..89. */
  private static int brightnessToSet(Random random) {
    return -20 - random.nextInt(10);
  }

  private static int contrastToSet(Random random) {
    return 80 + random.nextInt(10);
  }

  private final ImageCapture camera = new ImageCapture();

  @AfterEach
  void backToTheBuiltInCamera() {
    SimulatedSystem.reset();
  }

  @Test
  @Timeout(value = 60, unit = TimeUnit.SECONDS)
  void mixedCallsFromEightThreadsWhileTheCamerasAreSwapped() throws Exception {
    Set<Integer> brightnessHeld = new HashSet<>(Arrays.asList(0, -20, -21, -22, -23, -24, -25,
        -26, -27, -28, -29));
    Set<Integer> contrastHeld = new HashSet<>(Arrays.asList(0, 80, 81, 82, 83, 84, 85, 86, 87,
        88, 89));
    Set<List<Integer>> rangesReported = new HashSet<>();
    rangesReported.add(Arrays.asList(0, 0, 0, 0, 0, 0, 0, 0));
    for (int[][] scripted : CAMERAS) {
      brightnessHeld.add(scripted[0][0]);
      contrastHeld.add(scripted[1][0]);
      rangesReported.add(Arrays.asList(scripted[0][1], scripted[0][2], scripted[0][3],
          scripted[0][4], scripted[1][1], scripted[1][2], scripted[1][3], scripted[1][4]));
    }

    SimulatedSystem.setRecording(false);
    SimulatedSystem.removeCameras();
    for (int index : LINEUPS[0]) addCamera(index);
    AtomicBoolean swapping = new AtomicBoolean(true);
    Thread swapper = new Thread(() -> {
      for (int turn = 1; swapping.get(); turn++) {
        SimulatedSystem.removeCameras();
        for (int index : LINEUPS[turn % LINEUPS.length]) addCamera(index);
        Thread.yield();
      }
    });
    swapper.start();

    ExecutorService pool = Executors.newFixedThreadPool(THREADS);
    List<Future<List<String>>> results = new ArrayList<>();
    try {
      for (int t = 0; t < THREADS; t++) {
        // Half of the threads are already in the multithreaded apartment, as other code may
        // have put them there; they must stay there.
        boolean multithreaded = t % 2 == 1;
        int thread = t;
        Callable<List<String>> work = () -> {
          if (multithreaded) SimulatedSystem.joinMultithreadedApartment();
          try {
            return mixedCalls(new Random(thread), brightnessHeld, contrastHeld, rangesReported,
                multithreaded);
          } finally {
            SimulatedSystem.leaveMultithreadedApartment();
          }
        };
        results.add(pool.submit(work));
      }
      for (Future<List<String>> result : results) {
        List<String> faults = result.get();
        assertTrue(faults.isEmpty(), faults.toString());
      }
    } finally {
      swapping.set(false);
      swapper.join();
      pool.shutdown();
    }
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
  }

  private static void addCamera(int index) {
    int[][] scripted = CAMERAS[index];
    SimulatedSystem.addCamera("camera" + index, withMode(scripted[0]), withMode(scripted[1]),
        false, false);
  }

  private static int[] withMode(int[] property) {
    return Arrays.copyOf(property, 6);
  }

  /** The faults that one thread saw; the first few of each kind are enough. */
  private List<String> mixedCalls(Random random, Set<Integer> brightnessHeld,
      Set<Integer> contrastHeld, Set<List<Integer>> rangesReported, boolean multithreaded) {
    List<String> faults = new ArrayList<>();
    for (int i = 0; i < CALLS_PER_THREAD && faults.size() < 10; i++) {
      switch (random.nextInt(7)) {
        case 0: {
          int value = camera.getBrightness();
          if (!brightnessHeld.contains(value)) faults.add("brightness " + value);
          break;
        }
        case 1: {
          int value = camera.getContrast();
          if (!contrastHeld.contains(value)) faults.add("contrast " + value);
          break;
        }
        case 2:
          camera.setBrightness(brightnessToSet(random));
          break;
        case 3:
          camera.setContrast(contrastToSet(random));
          break;
        case 5:
        case 6: {
          // The same calls through Camera, by id, on a camera that may be swapped away meanwhile.
          List<Camera> listed = Camera.list();
          if (listed.isEmpty()) break;
          Camera chosen = listed.get(random.nextInt(listed.size()));
          try {
            if (random.nextBoolean()) {
              int value = chosen.get(VideoControl.BRIGHTNESS);
              if (!brightnessHeld.contains(value)) faults.add("Camera brightness " + value);
            } else {
              chosen.set(VideoControl.CONTRAST, contrastToSet(random));
              if (chosen.controls().size() != 2) faults.add("controls " + chosen.controls());
            }
          } catch (CameraException e) {
            if (e.reason() != CameraException.Reason.NOT_FOUND) faults.add(e.getMessage());
          }
          break;
        }
        default: {
          CaptureProperties p = camera.getCaptureProperties();
          List<Integer> ranges = Arrays.asList(p.minBrightness, p.maxBrightness,
              p.steppingDeltaBrightness, p.defaultBrightness, p.minContrast, p.maxContrast,
              p.steppingDeltaContrast, p.defaultContrast);
          if (!rangesReported.contains(ranges)) faults.add("ranges " + ranges);
        }
      }
    }
    int scopes = SimulatedSystem.openScopesOnThisThread();
    if (scopes != 0) faults.add(scopes + " COM scopes left open on " + Thread.currentThread());
    if (SimulatedSystem.inMultithreadedApartment() != multithreaded) {
      faults.add("apartment changed on " + Thread.currentThread());
    }
    return faults;
  }
}
