package quorvane.image;

/** Scripts the emulated kernel that the test JVM runs on (preloaded; see the build). */
final class EmulatedKernel {
  static final int V4L2_CID_BRIGHTNESS = 0x00980900;
  static final int V4L2_CID_CONTRAST = 0x00980901;
  static final int V4L2_CID_AUTOBRIGHTNESS = 0x00980920;
  static final int VALUE = 0;
  static final int REQUESTED = 1;

  private EmulatedKernel() {}

  static {
    System.loadLibrary("v4l2_kernel_emulation");
  }

  /** No video node, no system calls counted. */
  static native void reset();

  /**
   * Adds a UVC camera: its capture node /dev/video{number}, its metadata node after it.
   *
   * @param brightness {value, minimum, maximum, step, default}; null: no such control
   * @param automaticBrightness the value of V4L2_CID_AUTOBRIGHTNESS, or -1 for none
   */
  static native boolean addUvcCamera(
      int number, int[] brightness, int[] contrast, int automaticBrightness);

  /**
   * Adds a UVC camera at /dev/video{number}, with its metadata node after it.
   *
   * @param controls per control {id, type, minimum, maximum, step, default, value, menu items}
   */
  static native void addCamera(int number, int[][] controls);

  /** A metadata node, as a UVC camera has beside its capture node, with controls of its own. */
  static native void addMetadataNode(int number);

  static native void unplug(int number);

  static native boolean setFailures(
      int number, int openError, int controlError, int interruptions, int unplugAfterIoctls);

  /** {value, requested} of a node's control, or null. */
  static native int[] control(int number, int id);

  static native long openDescriptors();

  static native long opensOf(int number);

  static native long systemCalls();

  static native void resetSystemCalls();
}
