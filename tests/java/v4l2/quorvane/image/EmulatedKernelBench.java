package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;

/** UVC cameras on the emulated kernel: camera i has its capture node at /dev/video(2 i). */
final class EmulatedKernelBench implements CameraBench {
  private int cameras;

  static int node(int camera) {
    return 2 * camera;
  }

  @Override
  public void reset() {
    EmulatedKernel.reset();
    cameras = 0;
  }

  @Override
  public void addCamera(int[] brightness, int[] contrast) {
    EmulatedKernel.addUvcCamera(node(cameras++), brightness, contrast, -1);
  }

  private static int[] control(int camera, int property) {
    int[] state = EmulatedKernel.control(node(camera),
        property == BRIGHTNESS ? EmulatedKernel.V4L2_CID_BRIGHTNESS
                               : EmulatedKernel.V4L2_CID_CONTRAST);
    assertNotNull(state, "no such control");
    return state;
  }

  @Override
  public int value(int camera, int property) {
    return control(camera, property)[EmulatedKernel.VALUE];
  }

  @Override
  public int requested(int camera, int property) {
    return control(camera, property)[EmulatedKernel.REQUESTED];
  }

  @Override
  public boolean touched(int camera) {
    return EmulatedKernel.opensOf(node(camera)) != 0;
  }

  @Override
  public void assertNothingLeft() {
    assertEquals(0, EmulatedKernel.openDescriptors(), "descriptors left open");
  }
}
