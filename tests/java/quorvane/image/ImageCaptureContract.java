package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

/** What every platform layer under the library must do with cameras, values and ranges. */
abstract class ImageCaptureContract {
  static final int BRIGHTNESS = CameraBench.BRIGHTNESS;
  static final int CONTRAST = CameraBench.CONTRAST;

  final ImageCapture camera = new ImageCapture();
  final CameraBench bench = bench();

  abstract CameraBench bench();

  static int[] property(int value, int min, int max, int step, int def) {
    return new int[] {value, min, max, step, def};
  }

  /** {min, max, step, default} of brightness, then of contrast. */
  static int[] fields(CaptureProperties p) {
    return new int[] {p.minBrightness, p.maxBrightness, p.steppingDeltaBrightness,
        p.defaultBrightness, p.minContrast, p.maxContrast, p.steppingDeltaContrast,
        p.defaultContrast};
  }

  @BeforeEach
  void noCamera() {
    bench.reset();
  }

  @AfterEach
  void nothingLeftBehind() {
    bench.assertNothingLeft();
    bench.reset();
  }

  private void twoCameras() {
    bench.addCamera(property(10, -1000, 1000, 1, 0), property(20, -1000, 1000, 1, 0));
    bench.addCamera(property(30, -1000, 1000, 1, 0), property(40, -1000, 1000, 1, 0));
  }

  @ParameterizedTest
  @ValueSource(ints = {0, 1, -1, 999, -1000, 1001, -1001, 1000000, Integer.MAX_VALUE,
      Integer.MIN_VALUE})
  void valuesReachTheFirstCameraUnchangedAndGetsReturnWhatItHolds(int value) {
    twoCameras();
    camera.setBrightness(value);
    assertEquals(value, bench.requested(0, BRIGHTNESS));
    assertEquals(bench.value(0, BRIGHTNESS), camera.getBrightness());

    camera.setContrast(value);
    assertEquals(value, bench.requested(0, CONTRAST));
    assertEquals(bench.value(0, CONTRAST), camera.getContrast());

    assertEquals(30, bench.value(1, BRIGHTNESS));
    assertFalse(bench.touched(1), "the second camera was touched");
  }

  @Test
  void getsReadTheFirstCamera() {
    twoCameras();
    assertEquals(10, camera.getBrightness());
    assertEquals(20, camera.getContrast());
  }

  @Test
  void aCameraSwappedBetweenTwoCallsIsSeenByTheSecond() {
    twoCameras();
    assertEquals(10, camera.getBrightness());
    bench.reset();
    bench.addCamera(property(-33, -64, 64, 1, 0), property(5, 0, 95, 1, 32));
    assertEquals(-33, camera.getBrightness());
    camera.setContrast(6);
    assertEquals(6, bench.value(0, CONTRAST));
  }

  @Test
  void noCameraGivesZerosAndNoRanges() {
    assertEquals(0, camera.getBrightness());
    assertEquals(0, camera.getContrast());
    camera.setBrightness(12);
    camera.setContrast(12);
    CaptureProperties properties = camera.getCaptureProperties();
    assertNotNull(properties);
    assertArrayEquals(new int[8], fields(properties));
  }

  @Test
  void twoCallsReturnTwoFullyFilledObjectsOfTheFirstCamera() {
    bench.addCamera(property(1, -64, 64, 2, 4), property(5, 5, 95, 6, 35));
    bench.addCamera(property(1, 0, 1, 1, 0), property(1, 0, 1, 1, 0));
    CaptureProperties first = camera.getCaptureProperties();
    CaptureProperties second = camera.getCaptureProperties();
    assertNotSame(first, second);
    int[] expected = {-64, 64, 2, 4, 5, 95, 6, 35};
    assertArrayEquals(expected, fields(first));
    assertArrayEquals(expected, fields(second));
    assertFalse(bench.touched(1), "the second camera was touched");
  }

  @Test
  void negativeAndReversedRangesAreReportedAsTheDeviceGivesThem() {
    bench.addCamera(property(-150, -200, -100, 5, -150), property(50, 90, 10, 0, -7));
    assertArrayEquals(new int[] {-200, -100, 5, -150, 90, 10, 0, -7},
        fields(camera.getCaptureProperties()));
  }

  @Test
  void aCameraWithoutContrastFillsBrightnessOnly() {
    bench.addCamera(property(0, -10, 10, 5, 0), null);
    assertArrayEquals(new int[] {-10, 10, 5, 0, 0, 0, 0, 0}, fields(camera.getCaptureProperties()));
    assertEquals(0, camera.getContrast());
  }

  @Test
  void concurrentCallsAreIndependent() throws Exception {
    bench.addCamera(property(10, 0, 1000, 1, 0), property(20, 0, 1000, 1, 0));
    int threads = 8;
    int callsPerThread = 100;
    ExecutorService pool = Executors.newFixedThreadPool(threads);
    try {
      List<Callable<Integer>> work = new ArrayList<>();
      for (int t = 0; t < threads; t++) {
        work.add(() -> {
          int wrong = 0;
          for (int i = 0; i < callsPerThread; i++) {
            camera.setContrast(i);
            int read = camera.getContrast();
            if (read < 0 || read >= callsPerThread) {
              wrong++;
            }
            if (camera.getCaptureProperties().maxBrightness != 1000) {
              wrong++;
            }
          }
          return wrong;
        });
      }
      for (Future<Integer> result : pool.invokeAll(work)) {
        assertEquals(0, result.get());
      }
    } finally {
      pool.shutdown();
    }
    assertEquals(10, camera.getBrightness());
  }
}
