package quorvane.image.demo;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeFalse;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;
import quorvane.image.Camera;
import quorvane.image.SimulatedAccess;
import quorvane.image.VideoControl;

/** The command-line tool on the simulated system's built-in camera. */
class CameraDemoTest {
  private final ByteArrayOutputStream out = new ByteArrayOutputStream();
  private final ByteArrayOutputStream err = new ByteArrayOutputStream();
  private PrintStream savedOut;
  private PrintStream savedErr;

  @BeforeEach
  void capture() throws IOException {
    SimulatedAccess.reset();
    savedOut = System.out;
    savedErr = System.err;
    System.setOut(new PrintStream(out, true, "UTF-8"));
    System.setErr(new PrintStream(err, true, "UTF-8"));
  }

  @AfterEach
  void restore() {
    System.setOut(savedOut);
    System.setErr(savedErr);
    SimulatedAccess.reset();
  }

  private String out() {
    return new String(out.toByteArray(), StandardCharsets.UTF_8);
  }

  private String err() {
    return new String(err.toByteArray(), StandardCharsets.UTF_8);
  }

  @Test
  void setsAndShowsInOrder() {
    assertEquals(0, CameraDemo.run(new String[] {"set", "brightness", "40", "auto", "focus",
        "show"}));
    assertTrue(out().contains("set brightness 40"), out());
    assertTrue(out().matches("(?s).*\\nbrightness +40  manual .*"), out());
    assertEquals(40, Camera.list().get(0).get(VideoControl.BRIGHTNESS));
  }

  @ParameterizedTest
  @ValueSource(strings = {"set brightness 12 set bogus 3", "set brightness 12 set contrast x",
      "set brightness 12 --camera 5", "set brightness 12 auto", "set brightness 12 frobnicate"})
  void aMistakeIsOneLineWithStatusTwoAndChangesNothing(String line) {
    assertEquals(CameraDemo.USAGE_ERROR, CameraDemo.run(line.split(" ")));
    assertEquals(0, Camera.list().get(0).get(VideoControl.BRIGHTNESS));
    assertEquals("", out());
    assertEquals(2, err().split("\\R").length, err());
  }

  @Test
  void listsAndChoosesCamerasByNameOrIndex() {
    assertEquals(0, CameraDemo.run(new String[] {"list"}));
    assertEquals("0  Simulated Webcam  simulated:webcam", out().trim());
    assertEquals(0, CameraDemo.run(new String[] {"--camera", "simulated webcam", "set", "gain",
        "7"}));
    assertEquals(7, Camera.list().get(0).get(VideoControl.GAIN));
  }

  @Test
  void noCameraIsSaidSo() {
    SimulatedAccess.removeCameras();
    assertEquals(CameraDemo.USAGE_ERROR, CameraDemo.run(new String[] {"show"}));
    assertTrue(err().startsWith("no camera found"), err());
  }

  @Test
  void helpExitsZero() {
    assertEquals(0, CameraDemo.run(new String[] {"--help"}));
    assertTrue(out().startsWith("usage: "), out());
  }

  @Test
  void aVideoNodeThisUserCannotOpenIsNamedWithItsGroup(@TempDir Path devices) throws IOException {
    assumeFalse("root".equals(System.getProperty("user.name")),
        "root opens every node, so no node can be shown as closed to it");
    Path closed = Files.createFile(devices.resolve("video0"));
    Files.setPosixFilePermissions(closed, PosixFilePermissions.fromString("---------"));
    Files.createFile(devices.resolve("videox"));
    List<String> problems = CameraDemo.inaccessibleVideoDevices(devices);
    assertEquals(1, problems.size(), problems.toString());
    assertTrue(problems.get(0).contains("video0") && problems.get(0).contains("group "),
        problems.get(0));
  }
}
