package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The Camera API on the product's V4L2 layer, on the emulated kernel. */
class V4l2CameraTest extends CameraContract {
  @Override
  ControlBench bench() {
    return new EmulatedControlBench();
  }

  private static final int EACCES = 13;
  private static final int EBUSY = 16;
  private static final int EIO = 5;
  private static final int ENODEV = 19;

  @Test
  void aGetByIdCostsAtMostFourSystemCallsAndListsNoDirectory() {
    bench.addCamera(everyControl());
    bench.addCamera(everyControl());
    Camera second = camera(1);
    EmulatedKernel.resetSystemCalls();
    second.get(VideoControl.GAIN);
    long calls = EmulatedKernel.systemCalls();
    assertTrue(calls <= 4, calls + " system calls");
    assertEquals(0, EmulatedKernel.opensOf(EmulatedControlBench.node(0)), "the first was opened");
  }

  @ParameterizedTest(name = "errno {0} on open gives {1}")
  @CsvSource({"13, ACCESS_DENIED", "16, BUSY", "19, NOT_FOUND", "5, DEVICE_ERROR"})
  void kernelErrorsOfTheNodeGiveTheirReasons(int errno, CameraException.Reason reason) {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    EmulatedKernel.setFailures(EmulatedControlBench.node(0), errno, 0, 0, -1);
    assertEquals(reason, reasonOf(() -> camera.set(VideoControl.CONTRAST, 1)));
  }

  @Test
  void aControlHeldByItsAutomaticModeIsBusyToADriverAndSetAnywayByUs() {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    camera.setAutomatic(VideoControl.EXPOSURE);
    assertTrue(bench.automatic(0, VideoControl.EXPOSURE));
    camera.set(VideoControl.EXPOSURE, 300);
    assertEquals(300, camera.get(VideoControl.EXPOSURE));
    EmulatedKernel.setFailures(EmulatedControlBench.node(0), 0, EBUSY, 0, -1);
    assertEquals(CameraException.Reason.BUSY, reasonOf(() -> camera.set(VideoControl.GAIN, 1)));
    EmulatedKernel.setFailures(EmulatedControlBench.node(0), 0, EIO, 0, -1);
    assertEquals(CameraException.Reason.DEVICE_ERROR, reasonOf(() -> camera.get(VideoControl.GAIN)));
    EmulatedKernel.setFailures(EmulatedControlBench.node(0), 0, EACCES, 0, -1);
    assertEquals(CameraException.Reason.ACCESS_DENIED,
        reasonOf(() -> camera.range(VideoControl.GAIN)));
    EmulatedKernel.setFailures(EmulatedControlBench.node(0), 0, ENODEV, 0, -1);
    assertEquals(CameraException.Reason.NOT_FOUND, reasonOf(camera::controls));
  }

  @Test
  void aNodeThatIsNoLongerACaptureNodeIsNotFound() {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    bench.unplug(0);
    EmulatedKernel.addMetadataNode(0);
    assertEquals(CameraException.Reason.NOT_FOUND,
        reasonOf(() -> camera.get(VideoControl.BRIGHTNESS)));
  }
}
