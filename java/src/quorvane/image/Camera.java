package quorvane.image;

import java.util.ArrayList;
import java.util.Collections;
import java.util.EnumMap;
import java.util.List;
import java.util.Map;

/**
 * One video camera of the system, named by its id, with every standard control it offers.
 *
 * <p>A {@code Camera} holds nothing but the camera's name and id: every call finds the device
 * afresh by its id, makes its calls and lets go again, so there is nothing to open or close. A
 * camera that was unplugged fails the next call with {@link CameraException.Reason#NOT_FOUND}; plugged
 * back under the same id, it is found again.
 *
 * <p>Values are in the device's own units and pass unchanged both ways (see {@link VideoControl}
 * for the units that differ by platform): the library neither clamps nor rounds them, so read a
 * value back to see what the device kept. Every failure throws a {@link CameraException}; no call
 * returns a made-up value. Calls from several threads are independent of each other.
 *
 * <p>The id is the system's own name for the device: on Windows the DirectShow device moniker's
 * display name, on Linux the path of the video capture node ({@code /dev/video0}).
 */
public final class Camera {
  static {
    NativeLoader.load();
  }

  private static final int RANGE_FIELDS = 6;

  private final String name;
  private final String id;

  private Camera(String name, String id) {
    this.name = name;
    this.id = id;
  }

  /**
   * Lists the video cameras that the system has now, in its own order: the first is the one that
   * {@link ImageCapture} uses.
   *
   * @return the cameras; an empty list when there is none, never null
   * @throws CameraException when the system's list of devices cannot be read
   */
  public static List<Camera> list() {
    int[] status = new int[1];
    String[] namesAndIds = listDevices(status);
    if (status[0] != 0 || namesAndIds == null) {
      throw new CameraException(reason(status[0]), "cannot list the video cameras: "
          + describe(reason(status[0])));
    }
    List<Camera> cameras = new ArrayList<Camera>(namesAndIds.length / 2);
    for (int i = 0; i + 1 < namesAndIds.length; i += 2) {
      cameras.add(new Camera(namesAndIds[i], namesAndIds[i + 1]));
    }
    return Collections.unmodifiableList(cameras);
  }

  /**
   * Returns the camera's name.
   *
   * @return the name that the system shows for the device (Windows: its friendly name; Linux: the
   *     driver's card name)
   */
  public String name() {
    return name;
  }

  /**
   * Returns the camera's id.
   *
   * @return the system's own name for the device, unique while the device is plugged in
   */
  public String id() {
    return id;
  }

  /**
   * Reads the current value of a control.
   *
   * @param control the control
   * @return the value in the device's units
   * @throws CameraException when the camera is gone, lacks the control, or cannot report it
   */
  public int get(VideoControl control) {
    int[] value = new int[1];
    check(getValue(id, control.ordinal(), value), "read " + control);
    return value[0];
  }

  /**
   * Sets a control in manual mode, switching its automatic mode off.
   *
   * @param control the control
   * @param value the new value in the device's units, passed unchanged
   * @throws CameraException when the camera is gone, lacks the control, or refuses the value
   */
  public void set(VideoControl control, int value) {
    check(setValue(id, control.ordinal(), value), "set " + control + " to " + value);
  }

  /**
   * Hands a control to the camera's automatic mode; its value is left as it is.
   *
   * @param control the control
   * @throws CameraException when the camera is gone, or the control has no automatic mode
   */
  public void setAutomatic(VideoControl control) {
    check(setAutomatic(id, control.ordinal()), "switch " + control + " to automatic");
  }

  /**
   * Tells whether the camera sets a control itself.
   *
   * @param control the control
   * @return true in automatic mode; false in manual mode, and for a control without an automatic
   *     mode
   * @throws CameraException when the camera is gone, lacks the control, or cannot report it
   */
  public boolean isAutomatic(VideoControl control) {
    int[] automatic = new int[1];
    check(isAutomatic(id, control.ordinal(), automatic), "read the mode of " + control);
    return automatic[0] != 0;
  }

  /**
   * Reads the range of a control.
   *
   * @param control the control
   * @return the range as the device reports it
   * @throws CameraException when the camera is gone, lacks the control, or cannot report it
   */
  public ControlRange range(VideoControl control) {
    int[] range = new int[RANGE_FIELDS - 1];
    check(getRange(id, control.ordinal(), range), "read the range of " + control);
    return new ControlRange(range[0], range[1], range[2], range[3], range[4] != 0);
  }

  /**
   * Reads every control that the camera offers, with its range, in one visit to the device.
   *
   * @return the controls in {@link VideoControl} order, each with its range; unmodifiable
   * @throws CameraException when the camera is gone or cannot report its controls
   */
  public Map<VideoControl, ControlRange> controls() {
    VideoControl[] all = VideoControl.values();
    int[] ranges = new int[all.length * RANGE_FIELDS];
    check(getRanges(id, ranges), "read the controls");
    Map<VideoControl, ControlRange> offered = new EnumMap<VideoControl, ControlRange>(
        VideoControl.class);
    for (VideoControl control : all) {
      int at = control.ordinal() * RANGE_FIELDS;
      if (ranges[at] != 0) {
        offered.put(control, new ControlRange(ranges[at + 1], ranges[at + 2], ranges[at + 3],
            ranges[at + 4], ranges[at + 5] != 0));
      }
    }
    return Collections.unmodifiableMap(offered);
  }

  /**
   * Tells whether another object names the same device.
   *
   * @param other the object to compare with
   * @return whether {@code other} is a {@code Camera} with the same id
   */
  @Override
  public boolean equals(Object other) {
    return other instanceof Camera && ((Camera) other).id.equals(id);
  }

  @Override
  public int hashCode() {
    return id.hashCode();
  }

  /**
   * Returns the camera's name and id.
   *
   * @return for example {@code "USB Camera (/dev/video0)"}
   */
  @Override
  public String toString() {
    return name + " (" + id + ")";
  }

  private void check(int status, String action) {
    if (status == 0) {
      return;
    }
    CameraException.Reason reason = reason(status);
    throw new CameraException(reason, this + ": cannot " + action + ": " + describe(reason));
  }

  private static CameraException.Reason reason(int status) {
    CameraException.Reason[] reasons = CameraException.Reason.values();
    return status >= 1 && status <= reasons.length ? reasons[status - 1]
        : CameraException.Reason.DEVICE_ERROR;
  }

  private static String describe(CameraException.Reason reason) {
    switch (reason) {
      case NOT_FOUND:
        return "the camera is not there (unplugged?)";
      case UNSUPPORTED:
        return "the camera does not offer this";
      case ACCESS_DENIED:
        return "access denied (on Linux, is the user in the group that owns the device?)";
      case BUSY:
        return "the camera is busy (is the control in automatic mode?)";
      case REJECTED:
        return "the camera rejected the value";
      default:
        return "the camera or its driver failed";
    }
  }

  // Each returns 0, or 1 + the ordinal of the CameraException.Reason of its failure.
  private static native String[] listDevices(int[] status);

  private static native int getValue(String id, int control, int[] value);

  private static native int setValue(String id, int control, int value);

  private static native int setAutomatic(String id, int control);

  private static native int isAutomatic(String id, int control, int[] automatic);

  private static native int getRange(String id, int control, int[] range);

  private static native int getRanges(String id, int[] ranges);
}
