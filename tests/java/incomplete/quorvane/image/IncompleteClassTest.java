package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** Runs with a CaptureProperties that lacks a field the library fills. */
class IncompleteClassTest {
  @Test
  void theJvmsExceptionReachesTheCallerAndNoDeviceIsTouched() {
    SimulatedSystem.reset();
    ImageCapture camera = new ImageCapture();
    NoSuchFieldError error = assertThrows(NoSuchFieldError.class, camera::getCaptureProperties);
    assertTrue(error.getMessage().contains("defaultContrast"), error.getMessage());
    assertFalse(Arrays.asList(SimulatedSystem.calls()).contains(
        "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)"));
    assertEquals("CoUninitialize()", SimulatedSystem.calls()[SimulatedSystem.calls().length - 1]);
    assertEquals(0, SimulatedSystem.openScopesOnThisThread());
    assertEquals(0, SimulatedSystem.liveObjects());
    // The library stays usable.
    assertEquals(0, camera.getBrightness());
  }
}
