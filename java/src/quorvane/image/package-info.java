/**
 * A video camera's controls from Java: {@link quorvane.image.Camera} for every standard control of
 * every camera, {@link quorvane.image.ImageCapture} for the first camera's brightness and
 * contrast.
 *
 * <p>The classes load the native library {@code kivdshow} once per class loader, from the first
 * of: the file named by the system property {@code kivdshow.library.path} (and nothing else when
 * it is set); {@code java.library.path}, where the library must be of this version; the jar's own
 * copy for the running JVM's platform, extracted into a folder named by its content under the
 * system property {@code kivdshow.cache.dir}, else the user's cache folder, else {@code
 * java.io.tmpdir}. When none works, an {@link java.lang.UnsatisfiedLinkError} names every place
 * tried and why it failed.
 */
package quorvane.image;
