package quorvane.image;

/**
 * Bare JNI methods that make the same platform and JNI calls as {@link Camera#get} and {@link
 * Camera#set} on a video processing amplifier's control, with none of the library's code: what
 * the library's cost is measured against.
 */
final class BaselineCamera {
  static {
    // Loads kivdshow, whose benchmark build holds these natives beside the library's.
    new ImageCapture();
  }

  private BaselineCamera() {}

  static native int getValue(String id, int control, int[] value);

  static native int setValue(String id, int control, int value);
}
