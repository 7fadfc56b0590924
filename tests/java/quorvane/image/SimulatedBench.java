package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.Arrays;

/** Cameras of the simulated system: devices that keep any value as it comes. */
final class SimulatedBench implements CameraBench {
  private int cameras;

  @Override
  public void reset() {
    SimulatedSystem.reset();
    SimulatedSystem.removeCameras();
    cameras = 0;
  }

  @Override
  public void addCamera(int[] brightness, int[] contrast) {
    SimulatedSystem.addCamera("camera" + cameras++, withMode(brightness), withMode(contrast),
        false, false);
  }

  private static int[] withMode(int[] property) {
    return property == null ? null : Arrays.copyOf(property, 6);
  }

  @Override
  public int value(int camera, int property) {
    return SimulatedSystem.property(camera, property)[SimulatedSystem.VALUE];
  }

  @Override
  public int requested(int camera, int property) {
    return value(camera, property);
  }

  @Override
  public boolean touched(int camera) {
    return Arrays.stream(SimulatedSystem.calls())
        .anyMatch(call -> call.contains("[camera" + camera + "]"));
  }

  @Override
  public void assertNothingLeft() {
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
    assertEquals(0, SimulatedSystem.openScopesOnThisThread(), "COM scopes left open");
  }
}
