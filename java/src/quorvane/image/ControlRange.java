package quorvane.image;

/**
 * The range of one control of a camera, in the device's own units, exactly as the device reports
 * it: no field is checked against another, so a device may report a step of 0, a reversed range
 * or a default outside it.
 */
public final class ControlRange {
  private final int minimum;
  private final int maximum;
  private final int step;
  private final int defaultValue;
  private final boolean automaticSupported;

  /**
   * Creates a range.
   *
   * @param minimum the lowest value the device accepts
   * @param maximum the highest value the device accepts
   * @param step the difference between two values the device distinguishes
   * @param defaultValue the device's default value
   * @param automaticSupported whether the device can set the control itself
   */
  public ControlRange(
      int minimum, int maximum, int step, int defaultValue, boolean automaticSupported) {
    this.minimum = minimum;
    this.maximum = maximum;
    this.step = step;
    this.defaultValue = defaultValue;
    this.automaticSupported = automaticSupported;
  }

  /**
   * Returns the lowest value.
   *
   * @return the lowest value the device accepts
   */
  public int minimum() {
    return minimum;
  }

  /**
   * Returns the highest value.
   *
   * @return the highest value the device accepts
   */
  public int maximum() {
    return maximum;
  }

  /**
   * Returns the step.
   *
   * @return the difference between two values the device distinguishes
   */
  public int step() {
    return step;
  }

  /**
   * Returns the default value.
   *
   * @return the device's default value
   */
  public int defaultValue() {
    return defaultValue;
  }

  /**
   * Tells whether the control has an automatic mode.
   *
   * @return whether {@link Camera#setAutomatic(VideoControl)} can hand the control to the device
   */
  public boolean automaticSupported() {
    return automaticSupported;
  }

  @Override
  public boolean equals(Object other) {
    if (!(other instanceof ControlRange)) {
      return false;
    }
    ControlRange range = (ControlRange) other;
    return minimum == range.minimum && maximum == range.maximum && step == range.step
        && defaultValue == range.defaultValue && automaticSupported == range.automaticSupported;
  }

  @Override
  public int hashCode() {
    int hash = minimum;
    hash = 31 * hash + maximum;
    hash = 31 * hash + step;
    hash = 31 * hash + defaultValue;
    return 31 * hash + (automaticSupported ? 1 : 0);
  }

  /**
   * Returns the range in a readable form.
   *
   * @return for example {@code "min -64, max 64, step 1, default 0, auto"}
   */
  @Override
  public String toString() {
    return "min " + minimum + ", max " + maximum + ", step " + step + ", default " + defaultValue
        + (automaticSupported ? ", auto" : "");
  }
}
