package quorvane.image.demo;

import quorvane.image.CaptureProperties;
import quorvane.image.ImageCapture;

/**
 * Shows and sets the first camera's brightness and contrast from the command line.
 *
 * <p>Commands run in the order given, so one invocation can set a value and show it read back:
 * {@code show}, {@code set brightness 40}, {@code set contrast 20}.
 */
public final class CameraDemo {
  private static final String USAGE =
      "usage: CameraDemo [show | set brightness <value> | set contrast <value>]...";

  private CameraDemo() {}

  /**
   * Runs the commands; with none, shows the camera.
   *
   * @param args the commands
   */
  public static void main(String[] args) {
    ImageCapture camera = new ImageCapture();
    if (args.length == 0) {
      show(camera);
      return;
    }
    for (int i = 0; i < args.length; i++) {
      if (args[i].equals("show")) {
        show(camera);
      } else if (args[i].equals("set") && i + 2 < args.length) {
        String property = args[i + 1];
        int value;
        try {
          value = Integer.parseInt(args[i + 2]);
        } catch (NumberFormatException e) {
          fail("not a value: " + args[i + 2]);
          return;
        }
        if (property.equals("brightness")) {
          camera.setBrightness(value);
        } else if (property.equals("contrast")) {
          camera.setContrast(value);
        } else {
          fail("no such property: " + property);
          return;
        }
        System.out.println("set " + property + " " + value);
        i += 2;
      } else {
        fail("unknown command: " + args[i]);
        return;
      }
    }
  }

  private static void show(ImageCapture camera) {
    CaptureProperties ranges = camera.getCaptureProperties();
    System.out.println(line("brightness", camera.getBrightness(), ranges.minBrightness,
        ranges.maxBrightness, ranges.steppingDeltaBrightness, ranges.defaultBrightness));
    System.out.println(line("contrast", camera.getContrast(), ranges.minContrast,
        ranges.maxContrast, ranges.steppingDeltaContrast, ranges.defaultContrast));
  }

  private static String line(String name, int value, int min, int max, int step, int def) {
    String range = step == 0 ? "range unknown"
        : "min " + min + ", max " + max + ", step " + step + ", default " + def;
    return String.format("%-10s %6d   (%s)", name, value, range);
  }

  private static void fail(String message) {
    System.err.println(message);
    System.err.println(USAGE);
    System.exit(2);
  }
}
