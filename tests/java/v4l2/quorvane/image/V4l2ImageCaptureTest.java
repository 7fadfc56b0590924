package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/** The product's V4L2 layer, on a kernel emulation under the JVM. */
class V4l2ImageCaptureTest extends ImageCaptureContract {
  @Override
  CameraBench bench() {
    return new EmulatedKernelBench();
  }

  private static final int[] WEBCAM_BRIGHTNESS = {0, -64, 64, 1, 0};
  private static final int[] WEBCAM_CONTRAST = {32, 0, 95, 1, 32};

  @Test
  void aSetSwitchesTheAutomaticBrightnessOff() {
    EmulatedKernel.addUvcCamera(0, WEBCAM_BRIGHTNESS, WEBCAM_CONTRAST, 1);
    camera.setBrightness(0);
    assertEquals(0, EmulatedKernel.control(0, EmulatedKernel.V4L2_CID_AUTOBRIGHTNESS)[0]);
    camera.setBrightness(-20);
    assertEquals(-20, camera.getBrightness());
  }

  @Test
  void theDriverLimitsAndRoundsWhatASetAsks() {
    EmulatedKernel.addUvcCamera(0, new int[] {0, -10, 20, 3, -1}, WEBCAM_CONTRAST, -1);
    camera.setBrightness(6);
    assertEquals(5, camera.getBrightness());
    camera.setBrightness(100);
    assertEquals(20, camera.getBrightness());
  }

  @Test
  void aMetadataNodeAtVideo0IsSkipped() {
    EmulatedKernel.addMetadataNode(0);
    EmulatedKernel.addUvcCamera(1, new int[] {9, -64, 64, 1, 0}, WEBCAM_CONTRAST, -1);
    assertEquals(9, camera.getBrightness());
    camera.setBrightness(3);
    assertEquals(3, EmulatedKernel.control(1, EmulatedKernel.V4L2_CID_BRIGHTNESS)[0]);
    assertEquals(0, EmulatedKernel.control(0, EmulatedKernel.V4L2_CID_BRIGHTNESS)[0]);
  }

  @Test
  void anUnpluggedCameraGivesZerosAndNoRanges() {
    EmulatedKernel.addUvcCamera(0, WEBCAM_BRIGHTNESS, WEBCAM_CONTRAST, -1);
    assertEquals(95, camera.getCaptureProperties().maxContrast);
    EmulatedKernel.setFailures(0, 0, 0, 0, 1); // unplugged during the next call
    assertEquals(0, camera.getBrightness());
    assertEquals(0, camera.getContrast());
    CaptureProperties properties = camera.getCaptureProperties();
    assertEquals(0, properties.steppingDeltaBrightness);
    assertEquals(0, properties.steppingDeltaContrast);
    assertArrayEquals(new int[8], fields(properties));
  }

  @Test
  void aGetCostsNoMoreThanEightSystemCalls() {
    EmulatedKernel.addUvcCamera(0, WEBCAM_BRIGHTNESS, WEBCAM_CONTRAST, -1);
    EmulatedKernel.resetSystemCalls();
    camera.getBrightness();
    long calls = EmulatedKernel.systemCalls();
    assertTrue(calls <= 8, calls + " system calls");
  }
}
