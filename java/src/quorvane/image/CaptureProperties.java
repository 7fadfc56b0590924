package quorvane.image;

/**
 * The ranges of a camera's brightness and contrast, in the camera's own units, as {@link
 * ImageCapture#getCaptureProperties()} reports them.
 *
 * <p>Values are reported exactly as the camera gives them; no field is checked against another,
 * so a camera may report a negative or even a reversed range. A stepping delta of 0 means that
 * the camera did not report that property's range: its four fields are then all 0.
 */
public class CaptureProperties {
  /** The lowest brightness the camera accepts. */
  public int minBrightness;

  /** The highest brightness the camera accepts. */
  public int maxBrightness;

  /** The step between two brightness values the camera distinguishes; 0 when unknown. */
  public int steppingDeltaBrightness;

  /** The camera's default brightness. */
  public int defaultBrightness;

  /** The lowest contrast the camera accepts. */
  public int minContrast;

  /** The highest contrast the camera accepts. */
  public int maxContrast;

  /** The step between two contrast values the camera distinguishes; 0 when unknown. */
  public int steppingDeltaContrast;

  /** The camera's default contrast. */
  public int defaultContrast;

  /** Creates an object with every field 0: no range known. */
  public CaptureProperties() {}

  /**
   * Returns the ranges in a readable form.
   *
   * @return for example {@code "brightness -64..64 step 1 default 0, contrast 0..95 step 1
   *     default 32"}
   */
  @Override
  public String toString() {
    return "brightness " + range(minBrightness, maxBrightness, steppingDeltaBrightness,
               defaultBrightness)
        + ", contrast " + range(minContrast, maxContrast, steppingDeltaContrast, defaultContrast);
  }

  private static String range(int min, int max, int steppingDelta, int defaultValue) {
    if (steppingDelta == 0 && min == 0 && max == 0 && defaultValue == 0) {
      return "unknown";
    }
    return min + ".." + max + " step " + steppingDelta + " default " + defaultValue;
  }
}
