package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.Arrays;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Runs with a CaptureProperties whose constructor sets every field to CONSTRUCTED. */
class ConstructedValuesTest {
  private final ImageCapture camera = new ImageCapture();

  @BeforeEach
  void builtInCamera() {
    SimulatedSystem.reset();
    assertEquals(CaptureProperties.CONSTRUCTED, new CaptureProperties().defaultContrast,
        "the stand-in class is not the one loaded");
  }

  @AfterEach
  void nothingLeftBehind() {
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
    SimulatedSystem.reset();
  }

  private static int[] fields(CaptureProperties p) {
    return new int[] {p.minBrightness, p.maxBrightness, p.steppingDeltaBrightness,
        p.defaultBrightness, p.minContrast, p.maxContrast, p.steppingDeltaContrast,
        p.defaultContrast};
  }

  private static int[] constructed(int count) {
    int[] values = new int[count];
    Arrays.fill(values, CaptureProperties.CONSTRUCTED);
    return values;
  }

  @Test
  void theDeviceValuesOverwriteWhatTheConstructorSet() {
    assertArrayEquals(new int[] {-64, 64, 1, 0, 0, 95, 1, 32}, fields(camera.getCaptureProperties()));
  }

  @Test
  void withoutACameraTheObjectIsLeftAsTheConstructorMadeIt() {
    SimulatedSystem.removeCameras();
    assertArrayEquals(constructed(8), fields(camera.getCaptureProperties()));
  }

  @Test
  void aRangeThatCannotBeReadIsLeftAsTheConstructorMadeIt() {
    SimulatedSystem.removeCameras();
    SimulatedSystem.addCamera("dim", SimulatedSystem.property(0, -10, 10, 5, 0, false), null,
        false, false);
    int[] expected = {-10, 10, 5, 0, 0, 0, 0, 0};
    System.arraycopy(constructed(4), 0, expected, 4, 4);
    assertArrayEquals(expected, fields(camera.getCaptureProperties()));
  }
}
