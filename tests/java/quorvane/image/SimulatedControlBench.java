package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.Set;

/** Simulated cameras "camera i" with the id "simulated:i". */
final class SimulatedControlBench implements ControlBench {
  private final List<int[][]> cameras = new ArrayList<int[][]>();
  private final List<Boolean> plugged = new ArrayList<Boolean>();

  @Override
  public Set<VideoControl> unsupported() {
    return Collections.emptySet();
  }

  @Override
  public void reset() {
    SimulatedSystem.reset();
    SimulatedSystem.removeCameras();
    cameras.clear();
    plugged.clear();
  }

  @Override
  public void addCamera(Map<VideoControl, int[]> controls) {
    int[][] all = new int[VideoControl.values().length][];
    for (Map.Entry<VideoControl, int[]> entry : controls.entrySet()) {
      all[entry.getKey().ordinal()] = entry.getValue().clone();
    }
    cameras.add(all);
    plugged.add(true);
    plugIn();
  }

  /** The system's cameras: those plugged in, in the order they were added. */
  private void plugIn() {
    SimulatedSystem.removeCameras();
    for (int i = 0; i < cameras.size(); i++) {
      if (plugged.get(i)) {
        SimulatedSystem.addCameraWithControls(name(i), id(i), cameras.get(i), true);
      }
    }
  }

  private int listed(int camera) {
    int index = 0;
    for (int i = 0; i < camera; i++) {
      index += plugged.get(i) ? 1 : 0;
    }
    return index;
  }

  @Override
  public String id(int camera) {
    return "simulated:" + camera;
  }

  @Override
  public String name(int camera) {
    return "camera " + camera;
  }

  @Override
  public int value(int camera, VideoControl control) {
    return SimulatedSystem.property(listed(camera), control.ordinal())[SimulatedSystem.VALUE];
  }

  @Override
  public boolean automatic(int camera, VideoControl control) {
    return SimulatedSystem.property(listed(camera), control.ordinal())[SimulatedSystem.AUTOMATIC]
        != 0;
  }

  @Override
  public void unplug(int camera) {
    plugged.set(camera, false);
    plugIn();
  }

  @Override
  public void replug(int camera) {
    plugged.set(camera, true);
    plugIn();
  }

  @Override
  public void assertNothingLeft() {
    assertEquals(0, SimulatedSystem.liveObjects(), "COM objects left alive");
    assertEquals(0, SimulatedSystem.openScopesOnThisThread(), "COM scopes left open");
  }
}
