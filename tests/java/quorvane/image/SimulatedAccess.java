package quorvane.image;

/** The simulated system's scripting, for tests in other packages. */
public final class SimulatedAccess {
  private SimulatedAccess() {}

  /** Back to the built-in camera. */
  public static void reset() {
    SimulatedSystem.reset();
  }

  /** No camera. */
  public static void removeCameras() {
    SimulatedSystem.removeCameras();
  }
}
