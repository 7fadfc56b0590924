package quorvane.image;

/** Scripts the simulated system under the library; its natives exist in the simulated build. */
final class SimulatedSystem {
  private SimulatedSystem() {}

  static {
    // Loaded by ImageCapture, which the natives below live beside.
    new ImageCapture();
  }

  /** A property as {value, minimum, maximum, stepping delta, default, automatic (0 or 1)}. */
  static int[] property(int value, int min, int max, int step, int def, boolean automatic) {
    return new int[] {value, min, max, step, def, automatic ? 1 : 0};
  }

  static final int VALUE = 0;
  static final int AUTOMATIC = 5;

  /** Back to the built-in camera, no failures, an empty call record, recording on. */
  static native void reset();

  static native void removeCameras();

  /** Adds a camera after the present ones; a null property is one the camera lacks. */
  static native void addCamera(
      String name, int[] brightness, int[] contrast, boolean roundsToStep, boolean clampsToRange);

  /**
   * Adds a camera with every control: controls[i], for the control of ordinal i, is {value,
   * minimum, maximum, stepping delta, default, automatic, automatic supported}, or null when the
   * camera lacks it.
   */
  static native void addCameraWithControls(
      String name, String id, int[][] controls, boolean hasCameraControl);

  /** Makes a platform step fail with the given HRESULT; false for an unknown step. */
  static native boolean failWith(String step, int result);

  /**
   * The device's current state of a property (a control, by its ordinal in {@link VideoControl}),
   * as {@link #property} lays it out.
   */
  static native int[] property(int camera, int property);

  /** Makes a platform step fail, named as the recorded calls name it; false for an unknown one. */
  static native boolean fail(String step);

  static native String[] calls();

  static native void clearCalls();

  static native void setRecording(boolean on);

  static native long liveObjects();

  static native int openScopesOnThisThread();

  static native void joinMultithreadedApartment();

  static native void leaveMultithreadedApartment();

  static native boolean inMultithreadedApartment();
}
