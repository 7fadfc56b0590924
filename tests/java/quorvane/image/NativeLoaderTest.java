package quorvane.image;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.FileTime;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The loader's decisions, with the system properties and the environment as inputs. */
class NativeLoaderTest {
  private static final byte[] LIBRARY = "a library's bytes".getBytes(StandardCharsets.UTF_8);
  private static final String FILE_NAME = "libkivdshow.so";

  @TempDir Path folder;

  @ParameterizedTest
  @CsvSource({
    "Linux, amd64, linux-x86_64",
    "Linux, x86_64, linux-x86_64",
    "Linux, aarch64, linux-aarch64",
    "Linux, arm64, linux-aarch64",
    "Windows 10, amd64, windows-x86_64",
    "Windows 11, x64, windows-x86_64",
    // A 32-bit JVM on 64-bit Windows says x86: it takes the 32-bit DLL.
    "Windows 11, x86, windows-x86",
    "Windows Server 2019, i386, windows-x86",
    "Windows 7, i686, windows-x86",
    "Linux, i586, linux-x86",
  })
  void thePlatformFolderIsTheJvmsOwn(String osName, String osArch, String folder) {
    assertEquals(folder, NativeLoader.platform(osName, osArch));
  }

  @ParameterizedTest
  @CsvSource({"Mac OS X, aarch64", "Linux, ppc64le", "FreeBSD, amd64", "Linux, arm"})
  void aPlatformWithoutALibraryHasNoFolder(String osName, String osArch) {
    assertNull(NativeLoader.platform(osName, osArch));
  }

  @Test
  void theCacheFolderIsTheChosenOneThenTheUsersThenTheTemporaryOne() {
    Map<String, String> linux = properties("Linux");
    assertEquals(paths("/home/ana/.cache/kivdshow", "/tmp/kivdshow-ana"),
        NativeLoader.cacheFolders(linux, Collections.<String, String>emptyMap()));
    assertEquals(paths("/xdg/kivdshow", "/tmp/kivdshow-ana"),
        NativeLoader.cacheFolders(linux, Collections.singletonMap("XDG_CACHE_HOME", "/xdg")));

    Map<String, String> windows = properties("Windows 10");
    assertEquals(paths("/local/kivdshow", "/tmp/kivdshow-ana"),
        NativeLoader.cacheFolders(windows, Collections.singletonMap("LOCALAPPDATA", "/local")));
    assertEquals(paths("/tmp/kivdshow-ana"),
        NativeLoader.cacheFolders(windows, Collections.<String, String>emptyMap()));

    linux.put(NativeLoader.CACHE_DIR_PROPERTY, "/opt/natives");
    assertEquals(paths("/opt/natives", "/home/ana/.cache/kivdshow", "/tmp/kivdshow-ana"),
        NativeLoader.cacheFolders(linux, Collections.<String, String>emptyMap()));
  }

  @Test
  void theLibraryIsExtractedIntoAFolderNamedByItsContent() throws IOException {
    Path first = NativeLoader.extract(LIBRARY, FILE_NAME, folder);
    assertEquals(folder, first.getParent().getParent());
    assertArrayEquals(LIBRARY, Files.readAllBytes(first));
    byte[] other = "another build".getBytes(StandardCharsets.UTF_8);
    Path second = NativeLoader.extract(other, FILE_NAME, folder);
    assertTrue(!first.getParent().equals(second.getParent()), "two contents share a folder");
    assertArrayEquals(LIBRARY, Files.readAllBytes(first));
    try (Stream<Path> left = Files.list(first.getParent())) {
      assertEquals(1, left.count(), "a temporary file was left");
    }
  }

  @Test
  void aCopyWithTheRightContentIsReusedUntouched() throws IOException {
    Path extracted = NativeLoader.extract(LIBRARY, FILE_NAME, folder);
    FileTime old = FileTime.fromMillis(1_000_000_000_000L);
    Files.setLastModifiedTime(extracted, old);
    assertEquals(extracted, NativeLoader.extract(LIBRARY, FILE_NAME, folder));
    assertEquals(old, Files.getLastModifiedTime(extracted), "the copy was rewritten");
  }

  @Test
  void aCopyWithWrongContentIsNotUsed() throws IOException {
    Path extracted = NativeLoader.extract(LIBRARY, FILE_NAME, folder);
    Files.write(extracted, "half a libr".getBytes(StandardCharsets.UTF_8));
    Path again = NativeLoader.extract(LIBRARY, FILE_NAME, folder);
    assertArrayEquals(LIBRARY, Files.readAllBytes(again));
  }

  @Test
  void anUnwritableFolderFallsBackToTheNextAndSaysWhy() throws IOException {
    // A folder inside a file cannot be made, whoever runs the test.
    Path file = Files.write(folder.resolve("a file"), LIBRARY);
    Path unwritable = file.resolve("cache");
    Path writable = folder.resolve("fallback");
    List<String> loaded = new ArrayList<String>();
    List<String> attempts = new ArrayList<String>();
    Path used = NativeLoader.extractAndLoad(LIBRARY, FILE_NAME, Arrays.asList(unwritable, writable),
        attempts, loaded::add);
    assertEquals(writable, used.getParent().getParent());
    assertEquals(Collections.singletonList(used.toAbsolutePath().toString()), loaded);
    assertEquals(1, attempts.size());
    assertTrue(attempts.get(0).contains(unwritable.toString()), attempts.get(0));
  }

  @Test
  void aFolderWhoseCopyCannotBeLoadedFallsBackToo() {
    // As a temporary folder mounted noexec refuses to map the library.
    Path refusing = folder.resolve("noexec");
    Path next = folder.resolve("next");
    List<String> attempts = new ArrayList<String>();
    Path used = NativeLoader.extractAndLoad(LIBRARY, FILE_NAME, Arrays.asList(refusing, next),
        attempts, path -> {
          if (path.startsWith(refusing.toString())) {
            throw new UnsatisfiedLinkError("failed to map segment from shared object");
          }
        });
    assertEquals(next, used.getParent().getParent());
    assertTrue(attempts.get(0).contains("failed to map segment"), attempts.get(0));
    assertNull(NativeLoader.extractAndLoad(LIBRARY, FILE_NAME, Arrays.asList(refusing),
        attempts, path -> {
          throw new UnsatisfiedLinkError("no");
        }));
  }

  @Test
  void theLibraryOfThisBuildWasLoadedFromTheLibraryPath() {
    new ImageCapture();
    String where = NativeLoader.loadedFrom();
    assertTrue(where.endsWith("libkivdshow.so (on java.library.path)"), where);
  }

  private static Map<String, String> properties(String osName) {
    Map<String, String> properties = new HashMap<String, String>();
    properties.put("os.name", osName);
    properties.put("user.home", "/home/ana");
    properties.put("user.name", "ana");
    properties.put("java.io.tmpdir", "/tmp");
    return properties;
  }

  private static List<Path> paths(String... paths) {
    List<Path> result = new ArrayList<Path>();
    for (String path : paths) {
      result.add(Paths.get(path));
    }
    return result;
  }
}
