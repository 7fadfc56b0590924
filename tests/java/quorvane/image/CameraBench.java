package quorvane.image;

/** The cameras under the library, scripted by a test: simulated or on an emulated kernel. */
interface CameraBench {
  int BRIGHTNESS = 0;
  int CONTRAST = 1;

  /** No camera, and nothing counted yet. */
  void reset();

  /**
   * Adds a camera after those present.
   *
   * @param brightness {value, minimum, maximum, stepping delta, default}; null: the camera lacks
   *     the property
   * @param contrast the same for contrast
   */
  void addCamera(int[] brightness, int[] contrast);

  /** The value that the device holds. */
  int value(int camera, int property);

  /** The value that the device was last asked to take, as it reached the device. */
  int requested(int camera, int property);

  /** Whether any call reached the camera since the last reset. */
  boolean touched(int camera);

  /** Fails when a device object or descriptor is left behind by the calls. */
  void assertNothingLeft();
}
