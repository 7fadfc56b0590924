package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** What only the simulated system can show: platform calls, failures, apartments. */
class ImageCaptureTest {
  private static final int FRONT = 0;
  private static final int BACK = 1;
  private static final int BRIGHTNESS = 0;
  private static final int CONTRAST = 1;

  private final ImageCapture camera = new ImageCapture();

  @BeforeEach
  void twoCameras() {
    SimulatedSystem.reset();
    SimulatedSystem.removeCameras();
    addCamera("front", 10, 20, false);
    addCamera("back", 30, 40, false);
  }

  @AfterEach
  void nothingLeftBehind() {
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
    assertEquals(0, SimulatedSystem.openScopesOnThisThread(), "COM scopes left open");
    SimulatedSystem.reset();
  }

  private static void addCamera(String name, int brightness, int contrast, boolean rounds) {
    SimulatedSystem.addCamera(name,
        SimulatedSystem.property(brightness, -64, 64, 4, 0, true),
        SimulatedSystem.property(contrast, 0, 95, 1, 32, false), rounds, false);
  }

  private static int deviceValue(int cameraIndex, int property) {
    return SimulatedSystem.property(cameraIndex, property)[SimulatedSystem.VALUE];
  }

  private static List<String> calls() {
    return Arrays.asList(SimulatedSystem.calls());
  }

  private static long count(String callStart) {
    return calls().stream().filter(call -> call.startsWith(callStart)).count();
  }

  private static boolean touched(String cameraName) {
    return calls().stream().anyMatch(call -> call.contains("[" + cameraName + "]"));
  }

  @Test
  void everySetIsManualEvenWithTheCurrentValue() {
    assertEquals(1, SimulatedSystem.property(FRONT, BRIGHTNESS)[SimulatedSystem.AUTOMATIC]);
    camera.setBrightness(10);
    camera.setContrast(20);
    assertTrue(calls().contains("Filter[front].Set(0, 10, 2)"), calls().toString());
    assertTrue(calls().contains("Filter[front].Set(1, 20, 2)"), calls().toString());
    assertEquals(0, SimulatedSystem.property(FRONT, BRIGHTNESS)[SimulatedSystem.AUTOMATIC]);
  }

  @Test
  void aGetAfterASetReturnsWhatTheDeviceKept() {
    SimulatedSystem.removeCameras();
    addCamera("rounding", 0, 0, true);
    camera.setBrightness(7); // brightness steps by 4 from -64
    assertTrue(calls().contains("Filter[rounding].Set(0, 7, 2)"), calls().toString());
    assertEquals(8, camera.getBrightness());
  }

  @Test
  void theBuiltInCameraHasTypicalWebcamRanges() {
    SimulatedSystem.reset();
    assertEquals(0, camera.getBrightness());
    assertEquals(32, camera.getContrast());
    assertEquals("brightness -64..64 step 1 default 0, contrast 0..95 step 1 default 32",
        camera.getCaptureProperties().toString());
  }

  @Test
  void aGetThatTheDeviceCannotAnswerGivesZero() {
    assertTrue(SimulatedSystem.fail("Get"));
    assertEquals(0, camera.getBrightness());
    assertEquals(0, camera.getContrast());
  }

  @Test
  void aCameraWithoutVideoControlGivesZero() {
    assertTrue(SimulatedSystem.fail("QueryInterface"));
    assertEquals(0, camera.getBrightness());
    camera.setBrightness(1);
    assertEquals(10, deviceValue(FRONT, BRIGHTNESS));
  }

  @Test
  void aThreadInTheMultithreadedApartmentStaysThere() {
    SimulatedSystem.joinMultithreadedApartment();
    try {
      camera.setBrightness(-5);
      assertEquals(-5, camera.getBrightness());
      assertTrue(SimulatedSystem.inMultithreadedApartment());
      assertFalse(calls().contains("CoUninitialize()"), calls().toString());
    } finally {
      SimulatedSystem.leaveMultithreadedApartment();
    }
  }

  @Test
  void concurrentCallsEachOpenTheirOwnScopeAndLookup() throws Exception {
    int threads = 8;
    int callsPerThread = 200;
    ExecutorService pool = Executors.newFixedThreadPool(threads);
    try {
      List<Callable<int[]>> work = new ArrayList<>();
      for (int t = 0; t < threads; t++) {
        work.add(() -> {
          int wrongReads = 0;
          for (int i = 0; i < callsPerThread; i++) {
            camera.setContrast(i);
            int read = camera.getContrast();
            if (read < 0 || read >= callsPerThread) {
              wrongReads++;
            }
            camera.getBrightness();
          }
          return new int[] {wrongReads, SimulatedSystem.openScopesOnThisThread()};
        });
      }
      for (Future<int[]> result : pool.invokeAll(work)) {
        assertArrayEquals(new int[] {0, 0}, result.get());
      }
    } finally {
      pool.shutdown();
    }
    assertEquals(0, SimulatedSystem.liveObjects());
    int nativeCalls = threads * callsPerThread * 3;
    assertEquals(nativeCalls, count("CoInitialize(nullptr)"));
    assertEquals(nativeCalls, count("SystemDeviceEnum.CreateClassEnumerator("));
    assertEquals(nativeCalls, count("CoUninitialize()"));
    assertEquals(10, deviceValue(FRONT, BRIGHTNESS));
    assertEquals(30, deviceValue(BACK, BRIGHTNESS));
  }
}
