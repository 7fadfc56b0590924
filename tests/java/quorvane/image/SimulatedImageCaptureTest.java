package quorvane.image;

class SimulatedImageCaptureTest extends ImageCaptureContract {
  @Override
  CameraBench bench() {
    return new SimulatedBench();
  }
}
