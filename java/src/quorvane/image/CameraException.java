package quorvane.image;

/**
 * A {@link Camera} call that failed. The message names the camera and the control; {@link
 * #reason()} tells the kind of failure. Nothing was changed on the camera by a call that failed
 * before reaching it.
 */
public class CameraException extends RuntimeException {
  private static final long serialVersionUID = 1L;

  /** What went wrong. */
  public enum Reason {
    /** The camera is not there: unplugged, or never present under that id. */
    NOT_FOUND,
    /** The camera has no such control, or the control has no automatic mode. */
    UNSUPPORTED,
    /** The system does not let this user open the camera (on Linux: the device node's group). */
    ACCESS_DENIED,
    /** The camera is in use in a way that refuses the call (a control held by its automatic mode). */
    BUSY,
    /** The camera refused the value that was set. */
    REJECTED,
    /** The camera or its driver failed. */
    DEVICE_ERROR
  }

  /** The kind of failure. */
  private final Reason reason;

  /**
   * Creates the exception.
   *
   * @param reason the kind of failure
   * @param message what failed, naming the camera and the control
   */
  public CameraException(Reason reason, String message) {
    super(message);
    if (reason == null) {
      throw new NullPointerException("reason");
    }
    this.reason = reason;
  }

  /**
   * Returns the kind of failure.
   *
   * @return the reason, never null
   */
  public Reason reason() {
    return reason;
  }
}
