package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

class SimulatedCameraTest extends CameraContract {
  @Override
  ControlBench bench() {
    return new SimulatedControlBench();
  }

  @ParameterizedTest(name = "{0} failing with {1} gives {2}")
  @CsvSource({
      "MkParseDisplayName, 0x800401E4, NOT_FOUND",
      "BindToObject, 0x8007048F, NOT_FOUND",
      "BindToObject, 0x80070005, ACCESS_DENIED",
      "BindToObject, 0x800700AA, BUSY",
      "BindToObject, 0x80004005, DEVICE_ERROR",
      "QueryInterface, 0x80004002, UNSUPPORTED",
      "Get, 0x80070490, UNSUPPORTED",
      "Get, 0x80070057, DEVICE_ERROR",
      "Set, 0x80070057, REJECTED",
      "Set, 0x8007045D, DEVICE_ERROR",
      "GetRange, 0x80070005, ACCESS_DENIED"})
  void everyFailingStepGivesItsReasonAndHoldsNothing(
      String step, String result, CameraException.Reason reason) {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    assertTrue(SimulatedSystem.failWith(step, Integer.parseUnsignedInt(result.substring(2), 16)));
    Executable call = step.equals("Set") ? () -> camera.set(VideoControl.FOCUS, 3)
        : step.equals("GetRange") ? () -> camera.range(VideoControl.FOCUS)
        : () -> camera.get(VideoControl.FOCUS);
    CameraException thrown = assertThrows(CameraException.class, call);
    assertEquals(reason, thrown.reason(), thrown.getMessage());
  }

  @Test
  void aListingThatFailsThrowsAndAnEmptyCategoryIsAnEmptyList() {
    bench.addCamera(everyControl());
    assertTrue(SimulatedSystem.fail("GetDisplayName"));
    assertEquals(CameraException.Reason.DEVICE_ERROR, reasonOf(Camera::list));
    bench.reset();
    bench.addCamera(everyControl());
    assertTrue(SimulatedSystem.fail("CreateClassEnumerator"));
    assertTrue(Camera.list().isEmpty());
    bench.reset();
    bench.addCamera(everyControl());
    assertTrue(SimulatedSystem.fail("CoCreateInstance"));
    assertEquals(CameraException.Reason.DEVICE_ERROR, reasonOf(Camera::list));
  }

  @Test
  void aCameraWithoutAPropertyBagShowsItsIdAsItsName() {
    bench.addCamera(everyControl());
    assertTrue(SimulatedSystem.fail("BindToStorage"));
    Camera camera = camera(0);
    assertEquals(bench.id(0), camera.name());
  }

  @Test
  void aGetIsOneLookupByIdWithoutListingTheCategory() {
    bench.addCamera(everyControl());
    Camera camera = camera(0);
    SimulatedSystem.clearCalls();
    camera.get(VideoControl.EXPOSURE);
    List<String> calls = Arrays.asList(SimulatedSystem.calls());
    assertEquals(Arrays.asList("CoInitialize(nullptr)", "MkParseDisplayName(simulated:0)",
        "Moniker[camera 0].BindToObject(nullptr, nullptr, IID_IBaseFilter)",
        "Moniker[camera 0].Release()",
        "Filter[camera 0].QueryInterface(IID_IAMCameraControl)",
        "Filter[camera 0].CameraControl.Get(4)",
        "Filter[camera 0].Release()",
        "Filter[camera 0].Release()",
        "CoUninitialize()"), calls);
  }

  @Test
  void theBuiltInCameraOffersATypicalWebcamsControls() {
    SimulatedSystem.reset();
    List<Camera> cameras = Camera.list();
    assertEquals(1, cameras.size());
    assertEquals("Simulated Webcam", cameras.get(0).name());
    assertTrue(cameras.get(0).controls().containsKey(VideoControl.EXPOSURE));
    assertTrue(cameras.get(0).isAutomatic(VideoControl.WHITE_BALANCE));
    SimulatedSystem.removeCameras();
  }
}
