package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.EnumMap;
import java.util.EnumSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.EnumSource;

/** What every platform layer must do with cameras addressed by id and all their controls. */
abstract class CameraContract {
  /** The controls that have an automatic mode on every platform's cameras here. */
  static final Set<VideoControl> AUTOMATIC = EnumSet.of(VideoControl.BRIGHTNESS, VideoControl.HUE,
      VideoControl.WHITE_BALANCE, VideoControl.GAIN, VideoControl.EXPOSURE, VideoControl.FOCUS);

  final ControlBench bench = bench();

  abstract ControlBench bench();

  /** Each control with a range of its own: -100 (i + 1) to 100 (i + 1), value 10 i + 5. */
  static int[] control(VideoControl control) {
    int i = control.ordinal();
    return new int[] {10 * i + 5, -100 * (i + 1), 100 * (i + 1), 1, i,
        0, AUTOMATIC.contains(control) ? 1 : 0};
  }

  Map<VideoControl, int[]> everyControl() {
    Map<VideoControl, int[]> controls = new EnumMap<VideoControl, int[]>(VideoControl.class);
    for (VideoControl control : VideoControl.values()) {
      if (!bench.unsupported().contains(control)) {
        controls.put(control, control(control));
      }
    }
    return controls;
  }

  Camera camera(int index) {
    List<Camera> cameras = Camera.list();
    assertTrue(cameras.size() > index, "camera " + index + " is not listed");
    return cameras.get(index);
  }

  static CameraException.Reason reasonOf(Executable call) {
    return assertThrows(CameraException.class, call).reason();
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

  @ParameterizedTest
  @EnumSource(VideoControl.class)
  void everyControlReadsSetsRangesAndSwitchesItsMode(VideoControl control) {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    int[] fields = control(control);
    if (bench.unsupported().contains(control)) {
      assertEquals(CameraException.Reason.UNSUPPORTED, reasonOf(() -> camera.get(control)));
      assertEquals(CameraException.Reason.UNSUPPORTED, reasonOf(() -> camera.range(control)));
      assertEquals(CameraException.Reason.UNSUPPORTED, reasonOf(() -> camera.setAutomatic(control)));
      assertEquals(CameraException.Reason.UNSUPPORTED, reasonOf(() -> camera.set(control, 1)));
      return;
    }
    assertEquals(fields[ControlBench.VALUE], camera.get(control));
    assertEquals(new ControlRange(fields[1], fields[2], fields[3], fields[4], fields[6] != 0),
        camera.range(control));
    assertFalse(camera.isAutomatic(control));

    int value = -(control.ordinal() + 7);
    camera.set(control, value);
    assertEquals(value, bench.value(0, control));
    assertEquals(value, camera.get(control));

    if (AUTOMATIC.contains(control)) {
      camera.setAutomatic(control);
      assertTrue(bench.automatic(0, control));
      assertTrue(camera.isAutomatic(control));
      assertEquals(value, bench.value(0, control), "switching the mode changed the value");
      camera.set(control, value + 1);
      assertFalse(bench.automatic(0, control), "a set left the automatic mode on");
      assertFalse(camera.isAutomatic(control));
      assertEquals(value + 1, camera.get(control));
    } else {
      assertEquals(CameraException.Reason.UNSUPPORTED, reasonOf(() -> camera.setAutomatic(control)));
      assertFalse(camera.isAutomatic(control));
    }
  }

  @Test
  void controlsListsWhatTheCameraOffersInOrderWithRanges() {
    Map<VideoControl, int[]> offered = new EnumMap<VideoControl, int[]>(VideoControl.class);
    offered.put(VideoControl.CONTRAST, control(VideoControl.CONTRAST));
    offered.put(VideoControl.EXPOSURE, control(VideoControl.EXPOSURE));
    offered.put(VideoControl.GAIN, control(VideoControl.GAIN));
    bench.addCamera(offered);
    Camera camera = camera(0);
    Map<VideoControl, ControlRange> controls = camera.controls();
    assertEquals(new ArrayList<VideoControl>(offered.keySet()),
        new ArrayList<VideoControl>(controls.keySet()));
    assertEquals(camera.range(VideoControl.EXPOSURE), controls.get(VideoControl.EXPOSURE));
    assertTrue(controls.get(VideoControl.GAIN).automaticSupported());
    assertFalse(controls.get(VideoControl.CONTRAST).automaticSupported());
    assertEquals(CameraException.Reason.UNSUPPORTED,
        reasonOf(() -> camera.get(VideoControl.BRIGHTNESS)));
    assertEquals(CameraException.Reason.UNSUPPORTED,
        reasonOf(() -> camera.range(VideoControl.ZOOM)));
    assertEquals(CameraException.Reason.UNSUPPORTED,
        reasonOf(() -> camera.set(VideoControl.HUE, 1)));
  }

  @Test
  void noCameraIsAnEmptyList() {
    assertTrue(Camera.list().isEmpty());
  }

  @Test
  void twoCamerasAreAddressedByIdWhileTheFirstStaysWhatImageCaptureUses() {
    bench.addCamera(everyControl());
    bench.addCamera(everyControl());
    List<Camera> cameras = Camera.list();
    assertEquals(2, cameras.size());
    for (int i = 0; i < 2; i++) {
      assertEquals(bench.id(i), cameras.get(i).id());
      assertEquals(bench.name(i), cameras.get(i).name());
    }
    Camera first = cameras.get(0);
    Camera second = cameras.get(1);
    assertFalse(first.equals(second));
    second.set(VideoControl.BRIGHTNESS, 44);
    first.set(VideoControl.BRIGHTNESS, -3);
    assertEquals(44, bench.value(1, VideoControl.BRIGHTNESS));
    assertEquals(-3, bench.value(0, VideoControl.BRIGHTNESS));
    assertEquals(-3, new ImageCapture().getBrightness());
    new ImageCapture().setBrightness(12);
    assertEquals(12, first.get(VideoControl.BRIGHTNESS));
    assertEquals(44, second.get(VideoControl.BRIGHTNESS));
  }

  @Test
  void anUnpluggedCameraIsNotFoundUntilItIsPluggedBack() {
    bench.addCamera(everyControl());
    bench.addCamera(everyControl());
    Camera second = camera(1);
    bench.unplug(1);
    for (Executable call : new Executable[] {() -> second.get(VideoControl.CONTRAST),
        () -> second.set(VideoControl.CONTRAST, 1), () -> second.range(VideoControl.CONTRAST),
        second::controls, () -> second.isAutomatic(VideoControl.GAIN),
        () -> second.setAutomatic(VideoControl.GAIN)}) {
      CameraException thrown = assertThrows(CameraException.class, call);
      assertEquals(CameraException.Reason.NOT_FOUND, thrown.reason());
      assertTrue(thrown.getMessage().contains(second.id()), thrown.getMessage());
    }
    assertEquals(1, Camera.list().size());
    bench.replug(1);
    assertEquals(control(VideoControl.CONTRAST)[ControlBench.VALUE],
        second.get(VideoControl.CONTRAST));
  }

  @Test
  void messagesNameTheCameraAndTheControl() {
    Map<VideoControl, int[]> contrastOnly = new EnumMap<VideoControl, int[]>(VideoControl.class);
    contrastOnly.put(VideoControl.CONTRAST, control(VideoControl.CONTRAST));
    bench.addCamera(contrastOnly);
    Camera camera = camera(0);
    String message =
        assertThrows(CameraException.class, () -> camera.get(VideoControl.FOCUS)).getMessage();
    assertTrue(message.contains(camera.name()) && message.contains(camera.id())
        && message.contains("FOCUS"), message);
  }
}
