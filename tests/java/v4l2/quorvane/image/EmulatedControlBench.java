package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;

import java.util.ArrayList;
import java.util.EnumSet;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * UVC cameras on the emulated kernel, camera i at /dev/video(2 i), with each control as the V4L2
 * control that a real driver offers for it and, where it has one, its automatic control.
 */
final class EmulatedControlBench implements ControlBench {
  private static final int INTEGER = 1;
  private static final int BOOLEAN = 2;
  private static final int MENU = 3;
  private static final int EXPOSURE_AUTO = 0x009a0901;
  private static final int EXPOSURE_MANUAL = 1;
  private static final int EXPOSURE_APERTURE_PRIORITY = 3;

  /** {value control, automatic control (0: none)}, in VideoControl order; 0: no V4L2 control. */
  private static final int[][] IDS = {
      {0x00980900, 0x00980920}, // brightness, autobrightness
      {0x00980901, 0}, // contrast
      {0x00980903, 0x00980919}, // hue, hue auto
      {0x00980902, 0}, // saturation
      {0x0098091b, 0}, // sharpness
      {0x00980910, 0}, // gamma
      {0, 0}, // color enable
      {0x0098091a, 0x0098090c}, // white balance temperature, auto white balance
      {0x0098091c, 0}, // backlight compensation
      {0x00980913, 0x00980912}, // gain, autogain
      {0x009a0908, 0}, // pan absolute
      {0x009a0909, 0}, // tilt absolute
      {0, 0}, // roll
      {0x009a090d, 0}, // zoom absolute
      {0x009a0902, EXPOSURE_AUTO}, // exposure absolute, exposure auto (a menu)
      {0x009a0911, 0}, // iris absolute
      {0x009a090a, 0x009a090c}, // focus absolute, focus auto
  };

  private final List<int[][]> cameras = new ArrayList<int[][]>();

  static int node(int camera) {
    return 2 * camera;
  }

  @Override
  public Set<VideoControl> unsupported() {
    return EnumSet.of(VideoControl.COLOR_ENABLE, VideoControl.ROLL);
  }

  @Override
  public void reset() {
    EmulatedKernel.reset();
    cameras.clear();
  }

  @Override
  public void addCamera(Map<VideoControl, int[]> controls) {
    List<int[]> rows = new ArrayList<int[]>();
    for (Map.Entry<VideoControl, int[]> entry : controls.entrySet()) {
      int[] ids = IDS[entry.getKey().ordinal()];
      int[] f = entry.getValue();
      rows.add(new int[] {ids[0], INTEGER, f[1], f[2], f[3], f[4], f[0], 0});
      if (ids[1] == EXPOSURE_AUTO && f[6] != 0) {
        // As many webcams: manual and aperture priority only.
        rows.add(new int[] {ids[1], MENU, 0, 3, 1, EXPOSURE_APERTURE_PRIORITY,
            f[5] != 0 ? EXPOSURE_APERTURE_PRIORITY : EXPOSURE_MANUAL,
            (1 << EXPOSURE_MANUAL) | (1 << EXPOSURE_APERTURE_PRIORITY)});
      } else if (ids[1] != 0 && f[6] != 0) {
        rows.add(new int[] {ids[1], BOOLEAN, 0, 1, 1, 1, f[5], 0});
      }
    }
    int[][] camera = rows.toArray(new int[0][]);
    cameras.add(camera);
    EmulatedKernel.addCamera(node(cameras.size() - 1), camera);
  }

  @Override
  public String id(int camera) {
    return "/dev/video" + node(camera);
  }

  @Override
  public String name(int camera) {
    return "Emulated Camera " + node(camera);
  }

  private static int state(int camera, int id) {
    int[] state = EmulatedKernel.control(node(camera), id);
    assertNotNull(state, "no such control");
    return state[EmulatedKernel.VALUE];
  }

  @Override
  public int value(int camera, VideoControl control) {
    return state(camera, IDS[control.ordinal()][0]);
  }

  @Override
  public boolean automatic(int camera, VideoControl control) {
    int id = IDS[control.ordinal()][1];
    int value = state(camera, id);
    return id == EXPOSURE_AUTO ? value != EXPOSURE_MANUAL : value != 0;
  }

  @Override
  public void unplug(int camera) {
    EmulatedKernel.unplug(node(camera));
    EmulatedKernel.unplug(node(camera) + 1);
  }

  @Override
  public void replug(int camera) {
    EmulatedKernel.addCamera(node(camera), cameras.get(camera));
  }

  @Override
  public void assertNothingLeft() {
    assertEquals(0, EmulatedKernel.openDescriptors(), "descriptors left open");
  }
}
