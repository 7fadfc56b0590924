package quorvane.image.demo;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFileAttributes;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import quorvane.image.Camera;
import quorvane.image.CameraException;
import quorvane.image.ControlRange;
import quorvane.image.VideoControl;

/**
 * Lists the cameras and shows and sets their controls from the command line.
 *
 * <p>Commands run in the order given, so one invocation can set a value and show it read back:
 * {@code show set brightness 40 auto white_balance show}. Every command is checked, and the camera
 * found, before any runs: a mistake changes nothing.
 */
public final class CameraDemo {
  private static final String USAGE = String.join(System.lineSeparator(),
      "usage: java -jar kivdshow.jar [--camera <index or name>] [command]...",
      "commands, run in order (default: show):",
      "  list                     every camera: index, name and id",
      "  show                     every control of the camera: value, mode and range",
      "  set <control> <value>    sets a control in manual mode",
      "  auto <control>           hands a control to the camera's automatic mode",
      "  --help                   this text",
      "controls: " + controlNames(),
      "values are in the camera's own units (see the README)");

  /** Exit status of a command line that cannot be run. */
  static final int USAGE_ERROR = 2;

  /** Exit status of a camera that failed. */
  static final int CAMERA_ERROR = 1;

  private CameraDemo() {}

  /** A mistake on the command line, or a camera that cannot be found. */
  static final class UsageException extends Exception {
    private static final long serialVersionUID = 1L;

    UsageException(String message) {
      super(message);
    }
  }

  /** One command, checked. */
  private static final class Command {
    final String verb;
    final VideoControl control;
    final int value;

    Command(String verb, VideoControl control, int value) {
      this.verb = verb;
      this.control = control;
      this.value = value;
    }
  }

  /**
   * Runs the commands; with none, shows the first camera.
   *
   * @param args the commands
   */
  public static void main(String[] args) {
    System.exit(run(args));
  }

  static int run(String[] args) {
    String cameraChoice = null;
    List<Command> commands = new ArrayList<Command>();
    try {
      for (int i = 0; i < args.length; i++) {
        String word = args[i];
        if (word.equals("--help") || word.equals("-h")) {
          System.out.println(USAGE);
          return 0;
        } else if (word.equals("--camera")) {
          cameraChoice = argument(args, ++i, "--camera needs an index or a name");
        } else if (word.equals("list") || word.equals("show")) {
          commands.add(new Command(word, null, 0));
        } else if (word.equals("set")) {
          VideoControl control = control(argument(args, ++i, "set needs a control and a value"));
          String value = argument(args, ++i, "set " + name(control) + " needs a value");
          commands.add(new Command(word, control, number(value)));
        } else if (word.equals("auto")) {
          commands.add(new Command(word, control(argument(args, ++i, "auto needs a control")), 0));
        } else {
          throw new UsageException("unknown command: " + word);
        }
      }
      if (commands.isEmpty()) {
        commands.add(new Command("show", null, 0));
      }
      Camera camera = null;
      for (Command command : commands) {
        if (!command.verb.equals("list") && camera == null) {
          camera = choose(Camera.list(), cameraChoice);
        }
      }
      for (Command command : commands) {
        execute(command, camera);
      }
      return 0;
    } catch (UsageException e) {
      System.err.println(e.getMessage());
      System.err.println("try: --help");
      return USAGE_ERROR;
    } catch (CameraException e) {
      System.err.println(e.getMessage());
      return CAMERA_ERROR;
    } catch (UnsatisfiedLinkError e) {
      // No native library for this platform: its message says what was tried and what to set.
      System.err.println(e.getMessage());
      return CAMERA_ERROR;
    }
  }

  private static void execute(Command command, Camera camera) {
    if (command.verb.equals("list")) {
      List<Camera> cameras = Camera.list();
      if (cameras.isEmpty()) {
        System.out.println(noCameraMessage());
      }
      for (int i = 0; i < cameras.size(); i++) {
        System.out.println(i + "  " + cameras.get(i).name() + "  " + cameras.get(i).id());
      }
    } else if (command.verb.equals("show")) {
      show(camera);
    } else if (command.verb.equals("set")) {
      camera.set(command.control, command.value);
      System.out.println("set " + name(command.control) + " " + command.value);
    } else {
      camera.setAutomatic(command.control);
      System.out.println("auto " + name(command.control));
    }
  }

  private static void show(Camera camera) {
    System.out.println(camera);
    for (Map.Entry<VideoControl, ControlRange> entry : camera.controls().entrySet()) {
      VideoControl control = entry.getKey();
      ControlRange range = entry.getValue();
      String mode = camera.isAutomatic(control) ? "auto" : "manual";
      System.out.println(String.format("%-24s %6d  %-6s  (%s)", name(control),
          camera.get(control), mode, range));
    }
  }

  private static Camera choose(List<Camera> cameras, String choice) throws UsageException {
    if (cameras.isEmpty()) {
      throw new UsageException(noCameraMessage());
    }
    if (choice == null) {
      return cameras.get(0);
    }
    try {
      int index = Integer.parseInt(choice);
      if (index >= 0 && index < cameras.size()) {
        return cameras.get(index);
      }
      throw new UsageException("no camera " + index + ": there are " + cameras.size());
    } catch (NumberFormatException notAnIndex) {
      for (Camera camera : cameras) {
        if (camera.name().equalsIgnoreCase(choice) || camera.id().equals(choice)) {
          return camera;
        }
      }
      throw new UsageException("no camera named " + choice);
    }
  }

  /**
   * Says that no camera was found and, where video devices exist that this user cannot open, which
   * and why: on Linux, typically, the user is not in the group that owns them.
   */
  static String noCameraMessage() {
    StringBuilder message = new StringBuilder("no camera found");
    for (String problem : inaccessibleVideoDevices(new File("/dev").toPath())) {
      message.append(System.lineSeparator()).append(problem);
    }
    return message.toString();
  }

  static List<String> inaccessibleVideoDevices(Path devices) {
    List<String> problems = new ArrayList<String>();
    File[] nodes = devices.toFile().listFiles((dir, name) -> name.matches("video[0-9]+"));
    if (nodes == null) {
      return problems;
    }
    java.util.Arrays.sort(nodes);
    for (File node : nodes) {
      Path path = node.toPath();
      if (Files.isReadable(path) && Files.isWritable(path)) {
        continue;
      }
      String group = "its group";
      try {
        group = "group " + Files.readAttributes(path, PosixFileAttributes.class).group().getName();
      } catch (IOException | UnsupportedOperationException e) {
        // The owner stays unnamed.
      }
      problems.add(path + " exists but this user cannot open it: permission denied (add the user"
          + " to " + group + ", then log in again)");
    }
    return problems;
  }

  private static String argument(String[] args, int index, String missing)
      throws UsageException {
    if (index >= args.length) {
      throw new UsageException(missing);
    }
    return args[index];
  }

  private static VideoControl control(String word) throws UsageException {
    String wanted = word.toUpperCase(Locale.ROOT).replace('-', '_');
    for (VideoControl control : VideoControl.values()) {
      if (control.name().equals(wanted)) {
        return control;
      }
    }
    throw new UsageException("no such control: " + word + " (controls: " + controlNames() + ")");
  }

  private static int number(String word) throws UsageException {
    try {
      return Integer.parseInt(word);
    } catch (NumberFormatException e) {
      throw new UsageException("not a value: " + word);
    }
  }

  private static String name(VideoControl control) {
    return control.name().toLowerCase(Locale.ROOT);
  }

  private static String controlNames() {
    StringBuilder names = new StringBuilder();
    for (VideoControl control : VideoControl.values()) {
      names.append(names.length() == 0 ? "" : " ").append(name(control));
    }
    return names.toString();
  }
}
