package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import java.util.zip.ZipFile;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The packaged jar in JVMs of its own, started with the jar alone on the class path and no
 * java.library.path of ours, on the emulated kernel with a webcam at /dev/video0.
 */
class PackagedJarTest {
  private static final Path JAR = Paths.get(System.getProperty("kivdshow.test.jar"));
  private static final String JAVA =
      Paths.get(System.getProperty("java.home"), "bin", "java").toString();

  @TempDir Path home;

  @BeforeAll
  static void requireTheJar() {
    if (!Files.isRegularFile(JAR)) {
      System.out.println("skipped: no packaged jar at " + JAR
          + " (scripts/package makes it; scripts/test runs it first)");
    }
    assumeTrue(Files.isRegularFile(JAR), "no packaged jar");
  }

  /** A JVM started on the jar, with its output going to files. */
  private final class Jvm {
    final Process process;
    final Path out;
    final Path err;

    Jvm(String... arguments) throws IOException {
      List<String> command = new ArrayList<String>(Arrays.asList(JAVA, "-Xcheck:jni"));
      command.addAll(Arrays.asList(arguments));
      ProcessBuilder builder = new ProcessBuilder(command);
      builder.environment().put("LD_PRELOAD", System.getProperty("kivdshow.test.emulation"));
      builder.environment().put("KIVDSHOW_EMULATED_WEBCAMS", "0");
      builder.environment().put("XDG_CACHE_HOME", home.resolve("cache").toString());
      builder.environment().remove("JAVA_TOOL_OPTIONS");
      builder.environment().remove("LD_LIBRARY_PATH");
      out = Files.createTempFile(home, "out", ".txt");
      err = Files.createTempFile(home, "err", ".txt");
      builder.redirectOutput(out.toFile());
      builder.redirectError(err.toFile());
      process = builder.start();
    }

    /** Waits for the end; returns the exit status. */
    int status() throws InterruptedException {
      assertTrue(process.waitFor(120, TimeUnit.SECONDS), "the JVM did not end");
      return process.exitValue();
    }

    String out() throws IOException {
      return new String(Files.readAllBytes(out), StandardCharsets.UTF_8);
    }

    String err() throws IOException {
      return new String(Files.readAllBytes(err), StandardCharsets.UTF_8);
    }

    String report() throws IOException {
      return "out: " + out() + "\nerr: " + err();
    }
  }

  @Test
  void theToolReadsAndSetsACameraWithTheLibraryFromTheJar() throws Exception {
    Jvm list = new Jvm("-jar", JAR.toString(), "list");
    assertEquals(0, list.status(), list.report());
    assertTrue(list.out().contains("/dev/video0"), list.report());
    List<Path> extracted = filesUnder(home.resolve("cache/kivdshow"));
    assertEquals(1, extracted.size(), extracted.toString());
    assertArrayEquals(jarEntry("linux-x86_64/libkivdshow.so"),
        Files.readAllBytes(extracted.get(0)));

    Jvm set = new Jvm("-jar", JAR.toString(), "set", "brightness", "40", "show");
    assertEquals(0, set.status(), set.report());
    assertTrue(set.out().matches("(?s).*\\nbrightness +40 +manual.*"), set.report());
    assertEquals(extracted, filesUnder(home.resolve("cache/kivdshow")), "extracted again");
    assertFalse(list.out().contains("WARNING") || set.out().contains("WARNING"), set.report());
  }

  @Test
  void twoJvmsExtractingAtOnceBothLoad() throws Exception {
    String cache = "-D" + NativeLoader.CACHE_DIR_PROPERTY + "=" + home.resolve("shared");
    Jvm first = new Jvm(cache, "-jar", JAR.toString(), "list");
    Jvm second = new Jvm(cache, "-jar", JAR.toString(), "list");
    assertEquals(0, first.status(), first.report());
    assertEquals(0, second.status(), second.report());
    assertTrue(first.out().contains("/dev/video0") && second.out().contains("/dev/video0"));
    List<Path> files = filesUnder(home.resolve("shared"));
    assertEquals(1, files.size(), "one library and no temporary file: " + files);
    assertArrayEquals(jarEntry("linux-x86_64/libkivdshow.so"), Files.readAllBytes(files.get(0)));
  }

  @Test
  void theOverridePropertyIsTheOnlyPlaceTried() throws Exception {
    Path missing = home.resolve("nowhere/libkivdshow.so");
    Jvm failing = new Jvm("-D" + NativeLoader.LIBRARY_PATH_PROPERTY + "=" + missing, "-jar",
        JAR.toString(), "list");
    assertEquals(1, failing.status(), failing.report());
    assertTrue(failing.err().contains(missing.toString()), failing.report());
    assertFalse(Files.exists(home.resolve("cache")), "fell back to the jar's copy");

    Jvm named = new Jvm("-D" + NativeLoader.LIBRARY_PATH_PROPERTY + "="
        + System.getProperty("kivdshow.test.library"), "-jar", JAR.toString(), "list");
    assertEquals(0, named.status(), named.report());
    assertTrue(named.out().contains("/dev/video0"), named.report());
    assertFalse(Files.exists(home.resolve("cache")), "the jar's copy was extracted");
  }

  @Test
  void aStaleCopyOnTheLibraryPathIsRefusedNotUsed() throws Exception {
    String stale = System.getProperty("kivdshow.test.stale");
    Jvm jvm = new Jvm("-Djava.library.path=" + stale, "-jar", JAR.toString(), "list");
    assertEquals(1, jvm.status(), jvm.report());
    assertTrue(jvm.err().contains("version 0.0.1"), jvm.report());
    assertTrue(jvm.err().contains(stale + File.separator + "libkivdshow.so"), jvm.report());
    assertFalse(jvm.out().contains("/dev/video0"), jvm.report());
  }

  @Test
  void whenNothingLoadsTheErrorNamesThePlatformAndEveryPlaceTried() throws Exception {
    Jvm unknown = new Jvm("-Dos.arch=sparc", "-jar", JAR.toString(), "list");
    assertEquals(1, unknown.status(), unknown.report());
    for (String part : Arrays.asList("platform unknown", "os.arch \"sparc\"",
        "1. System.loadLibrary(\"kivdshow\"): no kivdshow in java.library.path",
        "2. the jar: it has no library", "-Dkivdshow.library.path=")) {
      assertTrue(unknown.err().contains(part), part + " in " + unknown.report());
    }
  }

  @Test
  void anUnwritableChosenFolderFallsBackToTheUsersCache() throws Exception {
    // A folder inside a file cannot be made, whoever runs the test.
    Path file = Files.write(home.resolve("a file"), new byte[] {1});
    Jvm unwritable = new Jvm("-D" + NativeLoader.CACHE_DIR_PROPERTY + "=" + file.resolve("chosen"),
        "-Djava.io.tmpdir=" + file.resolve("tmp"), "-Duser.home=" + file.resolve("home"), "-jar",
        JAR.toString(), "list");
    assertEquals(0, unwritable.status(), unwritable.report());
    assertEquals(1, filesUnder(home.resolve("cache/kivdshow")).size());
  }

  private static byte[] jarEntry(String name) throws IOException {
    try (ZipFile zip = new ZipFile(JAR.toFile()); InputStream in = zip.getInputStream(
        zip.getEntry(name))) {
      ByteArrayOutputStream bytes = new ByteArrayOutputStream();
      byte[] buffer = new byte[65536];
      for (int read; (read = in.read(buffer)) > 0; ) {
        bytes.write(buffer, 0, read);
      }
      return bytes.toByteArray();
    }
  }

  private static List<Path> filesUnder(Path folder) throws IOException {
    if (!Files.exists(folder)) {
      return new ArrayList<Path>();
    }
    try (Stream<Path> files = Files.walk(folder)) {
      return files.filter(Files::isRegularFile).collect(Collectors.toList());
    }
  }
}
