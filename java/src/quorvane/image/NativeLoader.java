package quorvane.image;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.function.Consumer;

/**
 * Loads the native library {@code kivdshow} for every class with native methods, once per class
 * loader. The places, in order:
 *
 * <ol>
 *   <li>the file named by the system property {@code kivdshow.library.path}, when it is set, and
 *       nothing else;
 *   <li>{@code System.loadLibrary("kivdshow")}, from {@code java.library.path};
 *   <li>the jar's own copy for this JVM's platform, extracted to a folder per user and per
 *       content: under {@code kivdshow.cache.dir} when set, else the user's cache folder, else
 *       {@code java.io.tmpdir}.
 * </ol>
 *
 * <p>A library that loads must be of this build's version: a stale copy is refused with an error
 * that says where it was found, since once loaded it cannot be replaced by another. Loading runs
 * no native code but the version check.
 */
final class NativeLoader {
  static final String LIBRARY_PATH_PROPERTY = "kivdshow.library.path";
  static final String CACHE_DIR_PROPERTY = "kivdshow.cache.dir";
  private static final String LIBRARY = "kivdshow";
  private static final int HASH_CHARACTERS = 16;

  private static String loadedFrom;
  private static String failure;

  private NativeLoader() {}

  /**
   * Loads the library, unless this class loader has already done so.
   *
   * @throws UnsatisfiedLinkError naming every place tried and why each failed, the same on every
   *     call once loading has failed
   */
  static synchronized void load() {
    if (loadedFrom != null) {
      return;
    }
    if (failure != null) {
      throw new UnsatisfiedLinkError(failure);
    }
    try {
      loadedFrom = loadFromFirstPlaceThatWorks();
    } catch (UnsatisfiedLinkError e) {
      failure = e.getMessage();
      throw e;
    }
  }

  /** Where the library was loaded from; null before it was. */
  static synchronized String loadedFrom() {
    return loadedFrom;
  }

  private static String loadFromFirstPlaceThatWorks() {
    String explicit = System.getProperty(LIBRARY_PATH_PROPERTY);
    if (explicit != null) {
      String path = new File(explicit).getAbsolutePath();
      try {
        System.load(path);
      } catch (UnsatisfiedLinkError e) {
        throw new UnsatisfiedLinkError("cannot load " + path + ", named by -D"
            + LIBRARY_PATH_PROPERTY + ": " + e.getMessage());
      }
      requireThisVersion(path + " (named by -D" + LIBRARY_PATH_PROPERTY + ")");
      return path;
    }

    List<String> attempts = new ArrayList<String>();
    String libraryPath = System.getProperty("java.library.path", "");
    boolean onLibraryPath = false;
    try {
      System.loadLibrary(LIBRARY);
      onLibraryPath = true;
    } catch (UnsatisfiedLinkError e) {
      attempts.add("System.loadLibrary(\"" + LIBRARY + "\"): " + e.getMessage());
    }
    if (onLibraryPath) {
      String where = foundOnLibraryPath(libraryPath);
      requireThisVersion(where);
      return where;
    }

    String osName = System.getProperty("os.name", "");
    String osArch = System.getProperty("os.arch", "");
    String platform = platform(osName, osArch);
    String fileName = System.mapLibraryName(LIBRARY);
    String resource = "/" + platform + "/" + fileName;
    Path extracted = null;
    if (platform == null) {
      attempts.add("the jar: it has no library for os.name \"" + osName + "\", os.arch \"" + osArch
          + "\"");
    } else {
      byte[] library = readResource(resource);
      if (library == null) {
        attempts.add("the jar: it has no " + resource);
      } else {
        extracted = extractAndLoad(library, fileName,
            cacheFolders(System.getProperties(), System.getenv()), attempts, System::load);
      }
    }
    if (extracted == null) {
      StringBuilder message = new StringBuilder("cannot load the native library " + LIBRARY
          + " for this JVM (platform " + (platform == null ? "unknown" : platform) + ", os.name \""
          + osName + "\", os.arch \"" + osArch + "\"). Tried:");
      for (int i = 0; i < attempts.size(); i++) {
        message.append("\n  ").append(i + 1).append(". ").append(attempts.get(i));
      }
      message.append("\nSet -D").append(LIBRARY_PATH_PROPERTY)
          .append("=<file> to the library built for this platform, or -D")
          .append(CACHE_DIR_PROPERTY).append("=<folder> to a folder this user can write to.");
      throw new UnsatisfiedLinkError(message.toString());
    }
    String where = extracted + " (extracted from the jar's " + resource + ")";
    requireThisVersion(where);
    return where;
  }

  /**
   * The jar's folder of natives for a JVM: what the JVM is, not what the machine is, so a 32-bit
   * JVM on 64-bit Windows, whose {@code os.arch} is {@code x86}, takes {@code windows-x86}.
   *
   * @return {@code <os>-<arch>}, or null for a platform the jar has no library for
   */
  static String platform(String osName, String osArch) {
    String os;
    String name = osName.toLowerCase(Locale.ROOT);
    if (name.startsWith("windows")) {
      os = "windows";
    } else if (name.startsWith("linux")) {
      os = "linux";
    } else {
      return null;
    }
    String arch;
    String processor = osArch.toLowerCase(Locale.ROOT);
    if (Arrays.asList("amd64", "x86_64", "x64").contains(processor)) {
      arch = "x86_64";
    } else if (Arrays.asList("x86", "i386", "i486", "i586", "i686").contains(processor)) {
      arch = "x86";
    } else if (Arrays.asList("aarch64", "arm64").contains(processor)) {
      arch = "aarch64";
    } else {
      return null;
    }
    return os + "-" + arch;
  }

  /**
   * The folders to extract the library to, in order: {@code kivdshow.cache.dir} when set; the
   * user's cache folder ({@code %LOCALAPPDATA%} on Windows, {@code $XDG_CACHE_HOME} or {@code
   * ~/.cache} elsewhere); the temporary folder, with the user's name in the folder's.
   */
  static List<Path> cacheFolders(Map<?, ?> properties, Map<String, String> environment) {
    List<Path> folders = new ArrayList<Path>();
    String chosen = text(properties.get(CACHE_DIR_PROPERTY));
    if (chosen != null) {
      folders.add(Paths.get(chosen));
    }
    String osName = text(properties.get("os.name"));
    String userHome = text(properties.get("user.home"));
    if (osName != null && osName.toLowerCase(Locale.ROOT).startsWith("windows")) {
      String localAppData = text(environment.get("LOCALAPPDATA"));
      if (localAppData != null) {
        folders.add(Paths.get(localAppData, LIBRARY));
      }
    } else {
      String xdgCache = text(environment.get("XDG_CACHE_HOME"));
      if (xdgCache != null) {
        folders.add(Paths.get(xdgCache, LIBRARY));
      } else if (userHome != null) {
        folders.add(Paths.get(userHome, ".cache", LIBRARY));
      }
    }
    String temporary = text(properties.get("java.io.tmpdir"));
    if (temporary != null) {
      String user = text(properties.get("user.name"));
      folders.add(Paths.get(temporary, LIBRARY + "-" + (user == null ? "user" : user)));
    }
    return folders;
  }

  /**
   * Extracts the library into the first folder where that works and loads it from there with
   * {@code load}, which takes an absolute path.
   *
   * @return the file loaded; null when no folder worked, each reason added to attempts
   */
  static Path extractAndLoad(byte[] library, String fileName, List<Path> folders,
      List<String> attempts, Consumer<String> load) {
    for (Path folder : folders) {
      Path file = null;
      try {
        file = extract(library, fileName, folder);
        load.accept(file.toAbsolutePath().toString());
        return file;
      } catch (IOException | RuntimeException | UnsatisfiedLinkError e) {
        attempts.add("the jar's copy, extracted to " + (file == null ? folder : file) + ": " + e);
      }
    }
    return null;
  }

  /**
   * Puts the library into {@code <folder>/<hash of its content>/<fileName>}: a copy already there
   * with this content is used as it is, never rewritten (Windows cannot replace a loaded DLL);
   * otherwise it is written under a temporary name and renamed into place, so that a JVM never
   * loads a half-written file. Nothing is deleted at exit.
   *
   * @return the file, with exactly the library's content
   * @throws IOException when the folder cannot be written or the file holds other content that
   *     cannot be replaced
   */
  static Path extract(byte[] library, String fileName, Path folder) throws IOException {
    Path directory = folder.resolve(hash(library));
    Path file = directory.resolve(fileName);
    if (holds(file, library)) {
      return file;
    }
    Files.createDirectories(directory);
    Path temporary = Files.createTempFile(directory, fileName, ".part");
    try {
      Files.write(temporary, library);
      Files.move(temporary, file, StandardCopyOption.ATOMIC_MOVE);
    } catch (IOException e) {
      // Another JVM may have put the same file there first, and may hold it loaded.
      if (!holds(file, library)) {
        throw e;
      }
    } finally {
      Files.deleteIfExists(temporary);
    }
    if (!holds(file, library)) {
      throw new IOException(file + " holds other content than the library");
    }
    return file;
  }

  private static boolean holds(Path file, byte[] content) throws IOException {
    return Files.isRegularFile(file) && Files.size(file) == content.length
        && Arrays.equals(Files.readAllBytes(file), content);
  }

  private static String hash(byte[] content) {
    try {
      byte[] digest = MessageDigest.getInstance("SHA-256").digest(content);
      StringBuilder hex = new StringBuilder();
      for (int i = 0; i < HASH_CHARACTERS / 2; i++) {
        hex.append(String.format("%02x", digest[i] & 0xff));
      }
      return hex.toString();
    } catch (NoSuchAlgorithmException e) {
      // Every Java platform has SHA-256.
      throw new IllegalStateException(e);
    }
  }

  private static byte[] readResource(String resource) {
    InputStream in = NativeLoader.class.getResourceAsStream(resource);
    if (in == null) {
      return null;
    }
    try {
      ByteArrayOutputStream bytes = new ByteArrayOutputStream();
      byte[] buffer = new byte[65536];
      for (int read; (read = in.read(buffer)) > 0; ) {
        bytes.write(buffer, 0, read);
      }
      return bytes.toByteArray();
    } catch (IOException e) {
      return null;
    } finally {
      try {
        in.close();
      } catch (IOException e) {
        // Read already, or failed already: nothing more to do.
      }
    }
  }

  private static String foundOnLibraryPath(String libraryPath) {
    for (String folder : libraryPath.split(File.pathSeparator)) {
      File file = new File(folder.isEmpty() ? "." : folder, System.mapLibraryName(LIBRARY));
      if (file.isFile()) {
        return file.getAbsolutePath() + " (on java.library.path)";
      }
    }
    return "java.library.path (" + libraryPath + ")";
  }

  private static void requireThisVersion(String where) {
    String found;
    try {
      found = version();
    } catch (UnsatisfiedLinkError e) {
      found = null;
    }
    if (!LibraryVersion.VERSION.equals(found)) {
      throw new UnsatisfiedLinkError("the native library " + LIBRARY + " at " + where + " is "
          + (found == null ? "of an older version, which cannot tell its version" : "version " + found)
          + ", but these classes are version " + LibraryVersion.VERSION
          + ": remove that copy, or set -D" + LIBRARY_PATH_PROPERTY + "=<file> to the library of"
          + " this version");
    }
  }

  private static String text(Object value) {
    return value == null || value.toString().isEmpty() ? null : value.toString();
  }

  /** The version the library was built as. */
  private static native String version();
}
