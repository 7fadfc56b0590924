package quorvane.image;

/**
 * Bare JNI methods that make the same platform and JNI calls as those of {@link ImageCapture},
 * with none of the library's code: what the library's cost is measured against.
 */
final class BaselineCapture {
  static {
    // Loads kivdshow, whose benchmark build holds these natives beside the library's.
    new ImageCapture();
  }

  native int getBrightness();

  native void setContrast(int value);

  native CaptureProperties getCaptureProperties();
}
