package quorvane.image;

/**
 * The standard controls of a video camera: first the video processing amplifier's (the image),
 * then the camera control's (the lens and the sensor).
 *
 * <p>Values are in the device's own units, passed unchanged; where the units differ by platform,
 * the constant says so. {@link Camera#controls()} tells which controls a camera offers.
 */
public enum VideoControl {
  /** Brightness, or black level. */
  BRIGHTNESS,
  /** Contrast. */
  CONTRAST,
  /** Hue; on Windows in degrees times 100, on Linux in the driver's units. */
  HUE,
  /** Saturation. */
  SATURATION,
  /** Sharpness. */
  SHARPNESS,
  /** Gamma; on Windows gamma times 100. */
  GAMMA,
  /** Colour on (1) or off (0). Windows only: Linux has no such control. */
  COLOR_ENABLE,
  /** White balance as a colour temperature, in kelvin. */
  WHITE_BALANCE,
  /** Backlight compensation: off (0) or on, in the device's levels. */
  BACKLIGHT_COMPENSATION,
  /** Gain. */
  GAIN,
  /** Pan; on Windows in degrees, on Linux in arc seconds. */
  PAN,
  /** Tilt; on Windows in degrees, on Linux in arc seconds. */
  TILT,
  /** Roll, in degrees. Windows only: Linux has no such control. */
  ROLL,
  /** Zoom, in the device's units of focal length. */
  ZOOM,
  /**
   * Exposure time: on Windows as the base-2 logarithm of seconds (-6 is 1/64 s), on Linux in units
   * of 100 µs (156 is 15.6 ms).
   */
  EXPOSURE,
  /** Iris opening; on Windows in f-stops times 10, on Linux in the driver's units. */
  IRIS,
  /** Focus distance, in the device's units. */
  FOCUS
}
