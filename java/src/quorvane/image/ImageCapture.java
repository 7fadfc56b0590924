package quorvane.image;

/**
 * Reads and sets the brightness and contrast of the system's first video camera.
 *
 * <p>Every call finds the camera afresh, so a camera plugged in or removed between two calls is
 * seen by the second; when several cameras are present, the first that the system lists is used.
 * Values are in the camera's own units and are passed to and from it unchanged: the library
 * neither clamps them to the camera's range nor rounds them to its stepping delta, so a value read
 * back may differ from the one set if the camera itself rounds or limits it. Use {@link
 * #getCaptureProperties()} for the ranges.
 *
 * <p>No method throws: without a camera, a set does nothing and a get returns 0. Calls from
 * several threads at once are independent of each other.
 */
public class ImageCapture {
  static {
    NativeLoader.load();
  }

  /**
   * Creates a handle on the system's first camera. It holds nothing: every call finds the camera
   * afresh, so one handle serves for the life of the application, from any thread.
   */
  public ImageCapture() {}

  /**
   * Returns the camera's current brightness.
   *
   * @return the brightness in the camera's units, or 0 when there is no camera, it has no video
   *     control, or it cannot report the value
   */
  public native int getBrightness();

  /**
   * Returns the camera's current contrast.
   *
   * @return the contrast in the camera's units, or 0 when there is no camera, it has no video
   *     control, or it cannot report the value
   */
  public native int getContrast();

  /**
   * Sets the camera's brightness in manual mode, switching off any automatic brightness.
   *
   * @param value the new brightness in the camera's units, passed unchanged; does nothing when
   *     there is no camera
   */
  public native void setBrightness(int value);

  /**
   * Sets the camera's contrast in manual mode, switching off any automatic contrast.
   *
   * @param value the new contrast in the camera's units, passed unchanged; does nothing when there
   *     is no camera
   */
  public native void setContrast(int value);

  /**
   * Returns the ranges of the camera's brightness and contrast, read from the camera afresh.
   *
   * <p>Without a camera, every field of the result is 0. A property whose range the camera cannot
   * report keeps all four of its fields at 0; a stepping delta of 0 therefore means that the
   * range of that property is unknown.
   *
   * @return a new object on every call; {@code null} only when the class {@link
   *     CaptureProperties} cannot be loaded or instantiated, with the Java exception that says why
   *     thrown from this call
   */
  public native CaptureProperties getCaptureProperties();
}
