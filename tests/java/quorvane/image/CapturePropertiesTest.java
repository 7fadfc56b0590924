package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

class CapturePropertiesTest {
  private final ImageCapture camera = new ImageCapture();

  @BeforeEach
  void noCamera() {
    SimulatedSystem.reset();
    SimulatedSystem.removeCameras();
  }

  @AfterEach
  void nothingLeftBehind() {
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
    assertEquals(0, SimulatedSystem.openScopesOnThisThread(), "COM scopes left open");
    SimulatedSystem.reset();
  }

  /** {min, max, step, default} of brightness, then of contrast. */
  private static int[] fields(CaptureProperties p) {
    return new int[] {p.minBrightness, p.maxBrightness, p.steppingDeltaBrightness,
        p.defaultBrightness, p.minContrast, p.maxContrast, p.steppingDeltaContrast,
        p.defaultContrast};
  }

  private static int[] range(int value, int min, int max, int step, int def) {
    return SimulatedSystem.property(value, min, max, step, def, false);
  }

  @Test
  void twoCallsReturnTwoFullyFilledObjectsOfTheFirstCamera() {
    SimulatedSystem.addCamera("front", range(1, -64, 64, 2, 3), range(4, 5, 95, 6, 7), false, false);
    SimulatedSystem.addCamera("back", range(1, 0, 1, 1, 0), range(1, 0, 1, 1, 0), false, false);
    CaptureProperties first = camera.getCaptureProperties();
    CaptureProperties second = camera.getCaptureProperties();
    assertNotNull(first);
    assertNotSame(first, second);
    int[] expected = {-64, 64, 2, 3, 5, 95, 6, 7};
    assertArrayEquals(expected, fields(first));
    assertArrayEquals(expected, fields(second));
  }

  @Test
  void negativeAndReversedRangesAreReportedAsTheDeviceGivesThem() {
    SimulatedSystem.addCamera("odd", range(0, -200, -100, -3, -150),
        range(0, 90, 10, 0, Integer.MIN_VALUE), false, false);
    assertArrayEquals(new int[] {-200, -100, -3, -150, 90, 10, 0, Integer.MIN_VALUE},
        fields(camera.getCaptureProperties()));
  }

  @Test
  void noCameraGivesAnObjectWithEveryFieldZero() {
    CaptureProperties properties = camera.getCaptureProperties();
    assertNotNull(properties);
    assertArrayEquals(new int[8], fields(properties));
  }

  @Test
  void aCameraWithoutContrastRangeFillsBrightnessOnly() {
    SimulatedSystem.addCamera("dim", range(0, -10, 10, 5, 0), null, false, false);
    assertArrayEquals(new int[] {-10, 10, 5, 0, 0, 0, 0, 0}, fields(camera.getCaptureProperties()));
  }

  @Test
  void theBuiltInCameraHasTypicalWebcamRanges() {
    SimulatedSystem.reset();
    assertEquals("brightness -64..64 step 1 default 0, contrast 0..95 step 1 default 32",
        camera.getCaptureProperties().toString());
  }
}
