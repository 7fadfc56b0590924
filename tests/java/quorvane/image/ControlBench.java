package quorvane.image;

import java.util.Map;
import java.util.Set;

/** Cameras with every control, under the library, scripted by a test: simulated or emulated. */
interface ControlBench {
  /** {value, minimum, maximum, step, default, automatic (0 or 1), automatic supported (0 or 1)}. */
  int VALUE = 0;

  /** The controls that the platform has no counterpart for. */
  Set<VideoControl> unsupported();

  /** No camera. */
  void reset();

  /** Adds a camera after those present, offering exactly the given controls. */
  void addCamera(Map<VideoControl, int[]> controls);

  /** The id under which the library lists camera i. */
  String id(int camera);

  /** The name under which the library lists camera i. */
  String name(int camera);

  /** The value that camera i holds. */
  int value(int camera, VideoControl control);

  /** Whether camera i's control is in automatic mode. */
  boolean automatic(int camera, VideoControl control);

  /** Camera i is gone. */
  void unplug(int camera);

  /** Camera i is back under its id, as it was added. */
  void replug(int camera);

  /** Fails when a device object or descriptor is left behind by the calls. */
  void assertNothingLeft();
}
